// The main window driven as a user would: its texts, Clear all Data, the
// mode switch, the row gestures, the totals, and the search run's timers and
// status texts. Scans against a site are in tests/e2e.
#include "main_window/Form1.h"
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
    void texts();
    void clearAllDataAndModeSwitch();
    void rowGestures();
    void totals_data();
    void totals();
    void stateHandler_data();
    void stateHandler();
    void startDelayAndStop();

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

void TestForm1::texts()
{
    // Every quoted text a user reads on the window: "name" is a control, a
    // menu item ("name key" adds its shortcut) or "name tip" for a tooltip.
    const std::pair<const char*, const char*> expected[] = {
        {"Frame1", "   User ID   "},
        {"Frame3", "   Select Items   "},
        {"Label2 tip", "\"N/F\" means (Not Found) the Counter can not be found."},
        {"Label5 tip", "Buy Now Price"},
        {"Command1 tip", "Start Search"},
        {"Command3 tip", "Exit Program"},
        {"Command9 tip", "Select one auction, this selects all auctions that don't match."},
        {"Text15 tip", "Average Visits per Auction as Selected"},
        {"Text18_0 tip", "Double Click for Options"},
        {"Text2_3 tip", "Double Click for Options"},
        {"Text2_4 tip", ""},
        {"Label7", "Time Left"},
        {"Label6", "Start Price"},
        {"Label9", "Bids"},
        {"Text20", "Text20"},
        {"mnuSaveUser key", "S&ave User Ctrl+A"},
        {"mnuDeleteUser key", "&Delete User Ctrl+D"},
        {"mnuStart key", "&START Ctrl+S"},
        {"mnuStop key", "STO&P Ctrl+P"},
        {"mnuClear key", "&Clear Ctrl+C"},
        {"mnuexit", "&Exit"},
        {"mnuoptions", "&Options"},
        {"mnuALL", "Select &All"},
        {"mnuUnALL", "&UnSelect ALL"},
        {"mnuSim", "Select &Matching"},
        {"mnuUnSim", "Selec&t Non-Matching"},
        {"mnuAuction", "&View Auction"},
        {"mnuAbout", "&About"},
        {"mnuWebsite", "&Website"},
        {"mnuDonate", "&Donations"},
    };
    for (const auto& [key, text] : expected) {
        const QStringList parts = QString::fromLatin1(key).split(u' ');
        QObject* o = m_form->findChild<QObject*>(parts[0]);
        QVERIFY2(o, key);
        QString shown;
        if (parts.value(1) == QLatin1String("tip"))
            shown = static_cast<QWidget*>(o)->toolTip();
        else if (auto* a = qobject_cast<QAction*>(o))
            shown = a->text() + (parts.size() > 1 ? u' ' + a->shortcut().toString() : QString());
        else
            shown = o->property(qobject_cast<QGroupBox*>(o) ? "title" : "text").toString();
        QCOMPARE(shown, QString::fromLatin1(text));
    }

    // The menu shortcuts win over the fields' own keys: Ctrl+C clears the table
    // while the User ID field has the focus.
    QApplication::setActiveWindow(m_form.get());
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->Combo1->setFocus();
    m_form->Text7[2]->setText(QStringLiteral("Teapot"));
    QTest::keyClick(m_form->Combo1->lineEdit(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(m_form->Text7[2]->text(), QString());
}

void TestForm1::clearAllDataAndModeSwitch()
{
    Form1& f = *m_form;
    QSignalSpy signIn(&f, &Form1::signInRequested);
    QTest::mouseClick(f.Option2, Qt::LeftButton);
    QCOMPARE(signIn.count(), 1);
    QCOMPARE(f.Label7->text() + f.Label6->text() + f.Label9->text(),
             QStringLiteral("Sale DateSale PriceQTY"));
    QVERIFY(!f.Text19[0]->isVisible() && !f.Label5->isVisible());

    f.Text1[3]->setText(QStringLiteral("1234"));
    f.Text2[3]->setText(QStringLiteral("N/F"));
    f.setCellColor(f.Text2[3], QColor(255, 0, 0));
    f.Check1[3]->setChecked(true);
    f.Text12->setText(QStringLiteral("stop"));
    f.setStatus(QStringLiteral("Task Complete"));
    f.setStatusColor(QColor(0, 255, 0));
    QVERIFY(f.Command10->isEnabled());
    f.setProgress(1000, 500);
    f.setBusyPointer(true);
    f.Command1->setEnabled(false);
    f.Command2_Click();
    QVERIFY(f.Text1[3]->text().isEmpty() && f.Text2[3]->text().isEmpty());
    QVERIFY(!f.Check1[3]->isChecked());
    QVERIFY(f.Text13->text().isEmpty());
    QCOMPARE(f.Text2[3]->palette().color(QPalette::Base), f.windowBackground());
    QCOMPARE(f.Text11->palette().color(QPalette::Base), f.windowBackground());
    QVERIFY(f.Text11->text().isEmpty() && f.Text12->text().isEmpty());
    QVERIFY(!f.Command10->isEnabled() && f.Command1->isEnabled());
    QCOMPARE(f.PB1->value(), 0);
    QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(f.Label7->text(), QStringLiteral("Sale Date")); // headers stay

    // Back to Active: the Price column comes back empty, nothing else changes.
    f.Text19[1]->setText(QStringLiteral("5.00"));
    f.Text7[1]->setText(QStringLiteral("Lamp"));
    QTest::mouseClick(f.Option1, Qt::LeftButton);
    QCOMPARE(f.Label7->text() + f.Label6->text() + f.Label9->text(),
             QStringLiteral("Time LeftStart PriceBids"));
    QVERIFY(f.Text19[1]->isVisible() && f.Text19[1]->text().isEmpty());
    QCOMPARE(f.Text7[1]->text(), QStringLiteral("Lamp"));
    QCOMPARE(signIn.count(), 1);
}

void TestForm1::rowGestures()
{
    Form1& f = *m_form;
    f.Text7[7]->setText(QStringLiteral("Brass lamp"));
    f.Text1[7]->setText(QStringLiteral("110023"));
    QTest::mouseDClick(f.Text19[7], Qt::LeftButton);
    QCOMPARE(f.Label13->text() + u'|' + f.Label10->text() + u'|' + f.Label14->text(),
             QStringLiteral("Brass lamp|110023|7"));
    QTRY_VERIFY(f.mnuSelect->isVisible());
    f.mnuSelect->close();

    // A right click on a box keeps it as it is and opens the menu too.
    f.Text7[19]->setText(QStringLiteral("Clock"));
    f.Check1[19]->setChecked(true);
    QTest::mouseClick(f.Check1[19], Qt::RightButton);
    QVERIFY(f.Check1[19]->isChecked());
    QCOMPARE(f.Label13->text() + u'|' + f.Label14->text(), QStringLiteral("Clock|19"));
    QTRY_VERIFY(f.mnuSelect->isVisible());
    f.mnuSelect->close();
}

void TestForm1::totals_data()
{
    QTest::addColumn<QStringList>("cells"); // Visits of rows 0.., all checked
    QTest::addColumn<QString>("selected");  // Text13 | Text14 | Text15
    QTest::addColumn<QString>("scan");      // Text4 | Text8, with Text3 = the row count
    QTest::newRow("counters, N/F and text")
        << QStringList{"120", "35", "N/F", "7"} << "4|162|40.50" << "162|40.5";
    QTest::newRow("halves round to even at the scan's end")
        << QStringList{"2.5", "2.5"} << "2|5|2.50" << "4|2";
    QTest::newRow("huge counters saturate")
        << QStringList{"1e308", "1e308", "5"} << "3|999999999999999|333333333333333.00"
        << "999999999999999|333,333,333,333,333";
    QTest::newRow("overflowing counter")
        << QStringList{"9e999", "1e300", "1"} << "3|999999999999999|333333333333333.00"
        << "999999999999999|333,333,333,333,333";
}

void TestForm1::totals()
{
    QFETCH(QStringList, cells);
    Form1& f = *m_form;
    f.Command2_Click();
    for (int i = 0; i < cells.size(); ++i) {
        f.Text2[i]->setText(cells[i]);
        f.Check1[i]->setChecked(true);
    }
    QTEST(QString(f.Text13->text() + u'|' + f.Text14->text() + u'|' + f.Text15->text()), "selected");
    f.Text3->setText(QString::number(cells.size()));
    f.writeVisitTotals(0);
    QTEST(QString(f.Text4->text() + u'|' + f.Text8->text()), "scan");
}

void TestForm1::stateHandler_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text"); // empty: unchanged
    QTest::addColumn<bool>("timer3");
    const char* texts[] = {"None",           "Resolving Host", "",
                           "Connecting",     "Connected to Internet",
                           "Requesting",     "Requested Page", "",
                           "Receiving...",   "Disconnecting",  "Searching...",
                           "Internet Error", "Response Completed"};
    for (int state = -1; state <= 13; ++state) {
        const char* text = state >= 0 && state <= 12 ? texts[state] : "";
        QTest::newRow(qPrintable(QString::number(state)))
            << state << text << (state > 0 && *text != '\0');
    }
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
    if (timer3) {
        // A second state does not restart the running revert timer.
        const int remaining = f.Timer3->remainingTime();
        QTest::qWait(20);
        emit f.Inet1->StateChanged(qint16(state));
        QVERIFY(f.Timer3->remainingTime() < remaining);
        f.Timer3->setInterval(0);
        f.Timer3->start();
        QTRY_COMPARE(f.Text11->text(), QStringLiteral("Loading ..."));
        QVERIFY(!f.Timer3->isActive());
    }

    // The bare listing address on state 10 is an unknown seller; a longer one is not.
    f.Text20->setText(f.bareListingAddress() + QStringLiteral("?x=1"));
    emit f.Inet1->StateChanged(Inet::icDisconnected);
    QCOMPARE(f.Text11->text(), QStringLiteral("Searching..."));
    f.Text20->setText(f.bareListingAddress());
    emit f.Inet1->StateChanged(Inet::icDisconnected);
    QCOMPARE(f.Text11->text(), QStringLiteral("User Search Error"));
    QCOMPARE(f.Text11->palette().color(QPalette::Base), QColor(255, 0, 0));

    // Only the exact words "Task Complete" enable Auto Compare.
    f.setStatus(QStringLiteral("task complete"));
    QVERIFY(!f.Command10->isEnabled());
    f.setStatus(QStringLiteral("Task Complete"));
    QVERIFY(f.Command10->isEnabled());
}

void TestForm1::startDelayAndStop()
{
    Form1& f = *m_form;
    QCOMPARE(f.Timer5->interval(), 5000);
    QCOMPARE(f.Timer3->interval(), 50000);
    QSignalSpy started(&f, &Form1::scanStarted);
    f.Timer5->setInterval(60000);
    // Enter presses Start Search once the User ID copy changed.
    f.Text5->setText(QStringLiteral("someone"));
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.Combo1->setFocus();
    QTest::keyClick(f.Combo1->lineEdit(), Qt::Key_Return);
    QCOMPARE(f.Text11->text(), QStringLiteral("Loading ...."));
    QVERIFY(!f.Command1->isEnabled() && f.Timer5->isActive());
    // Start again during the delay does not restart it.
    const int remaining = f.Timer5->remainingTime();
    QTest::qWait(20);
    f.mnuStart->trigger();
    QVERIFY(f.Timer5->remainingTime() < remaining);

    // Stop during the delay calls the start off.
    f.setStatusColor(QColor(0, 255, 0));
    QTest::mouseClick(f.Command5, Qt::LeftButton);
    QCOMPARE(f.Text11->text(), QStringLiteral("Stopped"));
    QCOMPARE(f.Text12->text(), QStringLiteral("stop"));
    QVERIFY(f.Command1->isEnabled() && !f.Timer5->isActive());
    QCOMPARE(f.Text11->palette().color(QPalette::Base), f.windowBackground());
    QCOMPARE(started.count(), 0);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
