// The main window driven as a user would: layout, Clear all Data, the mode
// switch, the row gestures and the search run's timers and status texts.
#include "main_window/Form1.h"
#include "main_window/Twips.h"
#include "transfer/Inet.h"

#include "TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void captionsAndTooltips();
    void menuTreeAndShortcuts();
    void clearAllData();
    void modeSwitch();
    void rowGesture_data();
    void rowGesture();
    void rightClickKeepsBoxAndOpensMenu();
    void blockSelectorStaysOpposite();
    void stateHandler_data();
    void stateHandler();
    void statusRevertTimer();
    void userSearchError();
    void taskCompleteEnablesAutoCompare();
    void startDelayRunsOneScan();
    void stopDuringStartDelayCancelsStart();
    void enterPressesStartSearch();

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<Form1> m_form;
};

void TestForm1::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    m_form = std::make_unique<Form1>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestForm1::cleanup()
{
    m_form.reset();
    m_messages.reset();
    m_folder.reset();
}

void TestForm1::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("auction row 0") << "Text1_0" << QRect(3060, 660, 1335, 315);
    QTest::newRow("title row 19") << "Text7_19" << QRect(4440, 660 + 360 * 19, 5295, 315);
    QTest::newRow("visits row 5") << "Text2_5" << QRect(9780, 660 + 360 * 5, 735, 315);
    QTest::newRow("time row 3") << "Text16_3" << QRect(10560, 660 + 360 * 3, 1215, 315);
    QTest::newRow("start row 1") << "Text17_1" << QRect(11820, 1020, 1035, 315);
    QTest::newRow("bids row 2") << "Text18_2" << QRect(12900, 1380, 1095, 315);
    QTest::newRow("price row 0") << "Text19_0" << QRect(14040, 660, 1095, 315);
    QTest::newRow("check row 7") << "Check1_7" << QRect(2820, 720 + 360 * 7, 195, 195);
    QTest::newRow("user frame") << "Frame1" << QRect(60, 240, 2655, 1215);
    QTest::newRow("search frame") << "Frame2" << QRect(60, 1620, 2655, 2415);
    QTest::newRow("select frame") << "Frame3" << QRect(60, 4200, 2655, 1995);
    QTest::newRow("totals frame") << "Frame4" << QRect(60, 6360, 2655, 1635);
    QTest::newRow("progress bar") << "PB1" << QRect(4320, 7980, 9855, 255);
}

void TestForm1::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    auto* w = m_form->findChild<QWidget*>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->geometry(),
             QRect(tw(twips.x()), tw(twips.y()), tw(twips.width()), tw(twips.height())));
    QCOMPARE(m_form->centralWidget()->size(), QSize(tw(15240), tw(8355)));
}

void TestForm1::captionsAndTooltips()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Quillmere"));
    QCOMPARE(m_form->findChild<QGroupBox*>("Frame1")->title(), QStringLiteral("   User ID   "));
    QCOMPARE(m_form->findChild<QGroupBox*>("Frame3")->title(),
             QStringLiteral("   Select Items   "));
    QCOMPARE(m_form->Label2->toolTip(),
             QStringLiteral("\"N/F\" means (Not Found) the Counter can not be found."));
    QCOMPARE(m_form->Label5->toolTip(), QStringLiteral("Buy Now Price"));
    QCOMPARE(m_form->Command1->toolTip(), QStringLiteral("Start Search"));
    QCOMPARE(m_form->Command3->toolTip(), QStringLiteral("Exit Program"));
    QVERIFY(m_form->Command1->text().isEmpty());
    QVERIFY(!m_form->Command1->icon().isNull());
    QCOMPARE(m_form->Command9->toolTip(),
             QStringLiteral("Select one auction, this selects all auctions that don't match."));
    QCOMPARE(m_form->Text15->toolTip(), QStringLiteral("Average Visits per Auction as Selected"));
    // Cell tips on row 0 of every column and rows 0-3 of Title and Visits only.
    const QString tip = QStringLiteral("Double Click for Options");
    QCOMPARE(m_form->Text18[0]->toolTip(), tip);
    QCOMPARE(m_form->Text7[3]->toolTip(), tip);
    QCOMPARE(m_form->Text2[2]->toolTip(), tip);
    QVERIFY(m_form->Text7[4]->toolTip().isEmpty());
    QVERIFY(m_form->Text1[1]->toolTip().isEmpty());
    // Initial contents and hidden working fields.
    QCOMPARE(m_form->Text1[4]->text(), QStringLiteral(" "));
    QCOMPARE(m_form->Text2[19]->text(), QStringLiteral(" "));
    QVERIFY(m_form->Text7[0]->text().isEmpty());
    QCOMPARE(m_form->Label13->text(), QStringLiteral("Start Price"));
    QCOMPARE(m_form->Text20->text(), QStringLiteral("Text20"));
    for (QWidget* hidden : {static_cast<QWidget*>(m_form->Text12), static_cast<QWidget*>(m_form->Text3),
                            static_cast<QWidget*>(m_form->Check2),
                            static_cast<QWidget*>(m_form->Command10)})
        QVERIFY(!hidden->isVisible());
    QVERIFY(!m_form->Command10->isEnabled());
    QVERIFY(m_form->Option1->isChecked());
}

void TestForm1::menuTreeAndShortcuts()
{
    struct Item
    {
        const char* name;
        const char* text;
        QKeySequence key;
    };
    const Item items[] = {{"mnuSaveUser", "S&ave User", QKeySequence(QStringLiteral("Ctrl+A"))},
                          {"mnuDeleteUser", "&Delete User", QKeySequence(QStringLiteral("Ctrl+D"))},
                          {"mnuStart", "&START", QKeySequence(QStringLiteral("Ctrl+S"))},
                          {"mnuStop", "STO&P", QKeySequence(QStringLiteral("Ctrl+P"))},
                          {"mnuClear", "&Clear", QKeySequence(QStringLiteral("Ctrl+C"))},
                          {"mnuexit", "&Exit", QKeySequence()},
                          {"mnuoptions", "&Options", QKeySequence()},
                          {"mnuALL", "Select &All", QKeySequence()},
                          {"mnuUnALL", "&UnSelect ALL", QKeySequence()},
                          {"mnuSim", "Select &Matching", QKeySequence()},
                          {"mnuUnSim", "Selec&t Non-Matching", QKeySequence()},
                          {"mnuAuction", "&View Auction", QKeySequence()},
                          {"mnuAbout", "&About", QKeySequence()},
                          {"mnuWebsite", "&Website", QKeySequence()},
                          {"mnuDonate", "&Donations", QKeySequence()}};
    for (const Item& item : items) {
        auto* action = m_form->findChild<QAction*>(QLatin1String(item.name));
        QVERIFY2(action, item.name);
        QCOMPARE(action->text(), QString::fromLatin1(item.text));
        QCOMPARE(action->shortcut(), item.key);
    }
    QCOMPARE(m_form->mnuFile->title(), QStringLiteral("&File"));
    QCOMPARE(m_form->mnuHelp->title(), QStringLiteral("&Help"));
    QCOMPARE(m_form->mnuSelect->title(), QStringLiteral("Select"));
    QCOMPARE(m_form->mnuFile->actions().size(), 7); // six items and a separator

    // Ctrl+C clears the table even while the User ID field has the focus.
    QApplication::setActiveWindow(m_form.get());
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->Combo1->setFocus();
    m_form->Text7[2]->setText(QStringLiteral("Teapot"));
    QTest::keyClick(m_form->Combo1->lineEdit(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(m_form->Text7[2]->text(), QString());
}

void TestForm1::clearAllData()
{
    Form1& f = *m_form;
    // An empty table stays empty and Start Search comes back.
    f.Command1->setEnabled(false);
    f.Command2_Click();
    QVERIFY(f.Command1->isEnabled());
    for (int i = 0; i < Form1::Rows; ++i) {
        QVERIFY(f.Text1[i]->text().isEmpty());
        QVERIFY(f.Text2[i]->text().isEmpty());
    }
    QVERIFY(f.Text13->text().isEmpty());

    // A filled table in Sold mode: cells, colours, flags go; headers stay.
    f.Option2->setChecked(true);
    f.Text1[3]->setText(QStringLiteral("1234"));
    f.Text2[3]->setText(QStringLiteral("N/F"));
    f.setCellColor(f.Text2[3], QColor(255, 0, 0));
    f.Text19[3]->setText(QStringLiteral("9.99"));
    f.Check1[3]->setChecked(true);
    f.Text12->setText(QStringLiteral("stop"));
    f.setStatus(QStringLiteral("Task Complete"));
    f.setStatusColor(QColor(0, 255, 0));
    QVERIFY(f.Command10->isEnabled());
    f.setProgress(1000, 500);
    f.setBusyPointer(true);
    f.Label13->setText(QStringLiteral("kept"));
    f.Check2->setChecked(false);

    f.Command2_Click();
    QVERIFY(f.Text1[3]->text().isEmpty());
    QVERIFY(f.Text19[3]->text().isEmpty());
    QVERIFY(!f.Check1[3]->isChecked());
    QCOMPARE(f.Text2[3]->palette().color(QPalette::Base), f.windowBackground());
    QCOMPARE(f.Text11->palette().color(QPalette::Base), f.windowBackground());
    QVERIFY(f.Text11->text().isEmpty());
    QVERIFY(f.Text12->text().isEmpty());
    QVERIFY(!f.Command10->isEnabled());
    QCOMPARE(f.PB1->value(), 0);
    QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(f.Label7->text(), QStringLiteral("Sale Date"));
    QVERIFY(!f.Text19[0]->isVisible());
    QVERIFY(!f.Label5->isVisible());
    QCOMPARE(f.Label13->text(), QStringLiteral("kept"));
    QVERIFY(f.Check3->isChecked());
}

void TestForm1::modeSwitch()
{
    Form1& f = *m_form;
    QSignalSpy signIn(&f, &Form1::signInRequested);
    f.Text7[1]->setText(QStringLiteral("Lamp"));
    f.Text2[1]->setText(QStringLiteral("00042"));
    f.Text19[1]->setText(QStringLiteral("5.00"));
    f.Check1[1]->setChecked(true);

    QTest::mouseClick(f.Option2, Qt::LeftButton);
    QVERIFY(f.Option2->isChecked());
    QCOMPARE(signIn.count(), 1);
    QCOMPARE(f.Label7->text(), QStringLiteral("Sale Date"));
    QCOMPARE(f.Label6->text(), QStringLiteral("Sale Price"));
    QCOMPARE(f.Label9->text(), QStringLiteral("QTY"));
    QVERIFY(!f.Text19[1]->isVisible());
    QCOMPARE(f.Text19[1]->text(), QStringLiteral("5.00")); // hidden, not emptied

    QTest::mouseClick(f.Option1, Qt::LeftButton);
    QCOMPARE(f.Label7->text(), QStringLiteral("Time Left"));
    QCOMPARE(f.Label6->text(), QStringLiteral("Start Price"));
    QCOMPARE(f.Label9->text(), QStringLiteral("Bids"));
    QVERIFY(f.Text19[1]->isVisible());
    QVERIFY(f.Label5->isVisible());
    QVERIFY(f.Text19[1]->text().isEmpty());
    // Nothing else changes.
    QCOMPARE(f.Text7[1]->text(), QStringLiteral("Lamp"));
    QCOMPARE(f.Text2[1]->text(), QStringLiteral("00042"));
    QVERIFY(f.Check1[1]->isChecked());
    QCOMPARE(signIn.count(), 1);
}

void TestForm1::rowGesture_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("row");
    for (const char* column : {"Text1", "Text7", "Text2", "Text16", "Text17", "Text18", "Text19"})
        QTest::newRow(column) << QString::fromLatin1(column) + QStringLiteral("_7") << 7;
    QTest::newRow("first row") << "Text18_0" << 0;
    QTest::newRow("last row") << "Text17_19" << 19;
}

void TestForm1::rowGesture()
{
    QFETCH(QString, cell);
    QFETCH(int, row);
    Form1& f = *m_form;
    f.Text7[row]->setText(QStringLiteral("Brass lamp"));
    f.Text1[row]->setText(QStringLiteral("110023"));
    auto* target = f.findChild<QLineEdit*>(cell);
    QVERIFY(target);
    QTest::mouseDClick(target, Qt::LeftButton);
    QCOMPARE(f.Label13->text(), QStringLiteral("Brass lamp"));
    QCOMPARE(f.Label10->text(), QStringLiteral("110023"));
    QCOMPARE(f.Label14->text(), QString::number(row));
    QTRY_VERIFY(f.mnuSelect->isVisible());
    f.mnuSelect->close();

    // An empty row before any Clear all Data: the Auction cell holds one blank.
    QTest::mouseDClick(f.Text16[12], Qt::LeftButton);
    QCOMPARE(f.Label13->text(), QString());
    QCOMPARE(f.Label10->text(), QStringLiteral(" "));
    f.mnuSelect->close();
}

void TestForm1::rightClickKeepsBoxAndOpensMenu()
{
    Form1& f = *m_form;
    f.Text7[4]->setText(QStringLiteral("Clock"));
    f.Check1[4]->setChecked(true);
    QTest::mouseClick(f.Check1[4], Qt::RightButton);
    QVERIFY(f.Check1[4]->isChecked());
    QCOMPARE(f.Label13->text(), QStringLiteral("Clock"));
    QCOMPARE(f.Label14->text(), QStringLiteral("4"));
    QTRY_VERIFY(f.mnuSelect->isVisible());
    f.mnuSelect->close();
    // Other buttons on the box do nothing here.
    QTest::mouseClick(f.Check1[5], Qt::MiddleButton);
    QCOMPARE(f.Label14->text(), QStringLiteral("4"));
}

void TestForm1::blockSelectorStaysOpposite()
{
    Form1& f = *m_form;
    QVERIFY(f.Check2->isChecked());
    QVERIFY(!f.Check3->isChecked());
    f.Check3->setChecked(true);
    QVERIFY(!f.Check2->isChecked());
    f.Check2->setChecked(true);
    QVERIFY(!f.Check3->isChecked());
}

void TestForm1::stateHandler_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text"); // empty: unchanged
    QTest::addColumn<bool>("timer3");
    QTest::newRow("0") << 0 << "None" << false;
    QTest::newRow("1") << 1 << "Resolving Host" << true;
    QTest::newRow("2") << 2 << "" << false;
    QTest::newRow("3") << 3 << "Connecting" << true;
    QTest::newRow("4") << 4 << "Connected to Internet" << true;
    QTest::newRow("5") << 5 << "Requesting" << true;
    QTest::newRow("6") << 6 << "Requested Page" << true;
    QTest::newRow("7") << 7 << "" << false;
    QTest::newRow("8") << 8 << "Receiving..." << true;
    QTest::newRow("9") << 9 << "Disconnecting" << true;
    QTest::newRow("10") << 10 << "Searching..." << true;
    QTest::newRow("11") << 11 << "Internet Error" << true;
    QTest::newRow("12") << 12 << "Response Completed" << true;
    QTest::newRow("13") << 13 << "" << false;
    QTest::newRow("-1") << -1 << "" << false;
}

void TestForm1::stateHandler()
{
    QFETCH(int, state);
    QFETCH(QString, text);
    QFETCH(bool, timer3);
    Form1& f = *m_form;
    f.setStatus(QStringLiteral("before"));
    f.Timer3->stop();
    emit f.Inet1->StateChanged(qint16(state));
    QCOMPARE(f.Text11->text(), text.isEmpty() ? QStringLiteral("before") : text);
    QCOMPARE(f.Timer3->isActive(), timer3);
}

void TestForm1::statusRevertTimer()
{
    Form1& f = *m_form;
    QCOMPARE(f.Timer3->interval(), 50000);
    QCOMPARE(f.Timer5->interval(), 5000);
    f.Timer3->setInterval(300);
    emit f.Inet1->StateChanged(Inet::icConnecting);
    QCOMPARE(f.Text11->text(), QStringLiteral("Connecting"));
    // A second state does not restart the running timer's period.
    QTest::qWait(200);
    emit f.Inet1->StateChanged(Inet::icRequesting);
    QTRY_COMPARE_WITH_TIMEOUT(f.Text11->text(), QStringLiteral("Loading ..."), 250);
    QVERIFY(!f.Timer3->isActive());
}

void TestForm1::userSearchError()
{
    Form1& f = *m_form;
    f.Text20->setText(f.bareListingAddress());
    emit f.Inet1->StateChanged(Inet::icDisconnected);
    QCOMPARE(f.Text11->text(), QStringLiteral("User Search Error"));
    QCOMPARE(f.Text11->palette().color(QPalette::Base), QColor(255, 0, 0));
    QVERIFY(f.Timer3->isActive());

    // Another address, even one that only starts with the bare one, is fine.
    f.Command2_Click();
    f.Text20->setText(f.bareListingAddress() + QStringLiteral("?x=1"));
    emit f.Inet1->StateChanged(Inet::icDisconnected);
    QCOMPARE(f.Text11->text(), QStringLiteral("Searching..."));
    QCOMPARE(f.Text11->palette().color(QPalette::Base), f.windowBackground());
}

void TestForm1::taskCompleteEnablesAutoCompare()
{
    Form1& f = *m_form;
    for (const char* near : {"Task Complete.", "task complete", "Task  Complete", " Task Complete"}) {
        f.setStatus(QString::fromLatin1(near));
        QVERIFY2(!f.Command10->isEnabled(), near);
    }
    f.setStatus(QStringLiteral("Task Complete"));
    QVERIFY(f.Command10->isEnabled());
    f.Command2_Click();
    QVERIFY(!f.Command10->isEnabled());
}

void TestForm1::startDelayRunsOneScan()
{
    Form1& f = *m_form;
    QSignalSpy started(&f, &Form1::scanStarted);
    f.Timer5->setInterval(300);
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QCOMPARE(f.Text11->text(), QStringLiteral("Loading ...."));
    QVERIFY(!f.Command1->isEnabled());
    QVERIFY(f.Timer5->isActive());
    // Pressing Start again during the delay does not restart it.
    const int remaining = f.Timer5->remainingTime();
    QTest::qWait(100);
    f.mnuStart->trigger();
    QVERIFY(f.Timer5->remainingTime() < remaining);
    QTRY_COMPARE(started.count(), 1);
    QTest::qWait(500);
    QCOMPARE(started.count(), 1);
    QVERIFY(!f.Timer5->isActive());
}

void TestForm1::stopDuringStartDelayCancelsStart()
{
    Form1& f = *m_form;
    QSignalSpy started(&f, &Form1::scanStarted);
    f.Timer5->setInterval(200);
    f.Command1_Click();
    f.setStatusColor(QColor(0, 255, 0));
    QTest::mouseClick(f.Command5, Qt::LeftButton);
    QCOMPARE(f.Text11->text(), QStringLiteral("Stopped"));
    QCOMPARE(f.Text12->text(), QStringLiteral("stop"));
    QVERIFY(f.Command1->isEnabled());
    QCOMPARE(f.Text11->palette().color(QPalette::Base), f.windowBackground());
    QTest::qWait(500);
    QCOMPARE(started.count(), 0);
    QCOMPARE(f.Text11->text(), QStringLiteral("Stopped"));

    // Stop with nothing running: only the status and the button.
    f.mnuStop->trigger();
    QCOMPARE(f.Text11->text(), QStringLiteral("Stopped"));
    QVERIFY(f.Command1->isEnabled());
}

void TestForm1::enterPressesStartSearch()
{
    Form1& f = *m_form;
    f.Timer5->setInterval(60000);
    f.Text5->setText(QStringLiteral("someone"));
    QCOMPARE(f.defaultButton(), f.Command1);
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.Combo1->setFocus();
    QTest::keyClick(f.Combo1->lineEdit(), Qt::Key_Return);
    QCOMPARE(f.Text11->text(), QStringLiteral("Loading ...."));
    QVERIFY(f.Timer5->isActive());
    f.Command5_Click();
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
