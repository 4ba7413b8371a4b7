// The program's windows driven as a user would, on one main window brought up
// through the splash: its texts, Clear all Data and the mode switch, the row
// gestures and selection commands with their totals, the search run's status
// and start delay, Auto Compare, View Auction and Exit. Scans are in tests/e2e.
#include "app/Links.h"
#include "app/Shell.h"
#include "app/frmSplashCopyright.h"
#include "base/Messages.h"
#include "main_window/Form1.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "options/RtfCodec.h"
#include "selection/Form6.h"
#include "transfer/Inet.h"

#include "TestSupport.h"

#include <QtTest>
#include <QtWidgets>

class TestMainWindow : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls; // what went to the desktop's browser
    Q_INVOKABLE void open(const QUrl& url) { urls.append(url); }

private:
    TempProgramFolder m_folder;
    MessageRecorder m_messages;
    std::unique_ptr<Shell> m_shell;
    Form1* f = nullptr;

    static QString joined(std::initializer_list<QWidget*> fields)
    {
        QStringList texts;
        for (QWidget* w : fields)
            texts << w->property("text").toString();
        return texts.join(u'|');
    }
    QString checkedRows(int& visits) const
    {
        QStringList rows;
        for (int i = visits = 0; i < Form1::Rows; ++i) {
            if (f->Check1[i]->isChecked() && (visits += i + 1))
                rows << QString::number(i);
        }
        return rows.join(u' ');
    }

private slots:
    void initTestCase()
    {
        QDesktopServices::setUrlHandler("http", this, "open");
        QFile options(m_folder.file(QStringLiteral("Options.rtf")));
        QVERIFY(options.open(QIODevice::WriteOnly) && options.write(RtfCodec::write(u"6.5")));
        QDir::setCurrent(QDir::rootPath());
    }

    void init()
    {
        if (f)
            f->Command2_Click();
        m_messages.texts.clear();
    }

    // Each row starts the program; the last one's main window serves the tests below.
    void startUp_data()
    {
        QTest::addColumn<int>("action"); // 0: none, 1: Continue, 2: the title bar's close button
        QTest::newRow("close button") << 2;
        QTest::newRow("Continue") << 1;
        QTest::newRow("left alone") << 0;
    }

    void startUp()
    {
        QFETCH(int, action);
        m_shell.reset();
        OptionsStore::discard();
        m_shell = std::make_unique<Shell>();
        m_shell->start();
        QPointer<frmSplashCopyright> splash = m_shell->splash();
        splash->Timer1->start(200);
        QCloseEvent close; // as the window system sends it
        if (action == 1)
            QTest::mouseClick(splash->cmdOK1, Qt::LeftButton);
        else if (action == 2)
            QCoreApplication::sendEvent(splash->windowHandle(), &close);
        QVERIFY(action != 2 || !close.isAccepted()); // closing the only window ends the program
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(splash && splash->isVisible() == (action == 0) && !m_shell->mainWindow());
        QTRY_VERIFY((f = m_shell->mainWindow()) && f->isVisible());
        QVERIFY(!splash); // closed at the tick

        QCOMPARE(QDir::currentPath(), QDir(m_folder.path()).canonicalPath());
        QVERIFY(OptionsStore::isLoaded() && !OptionsStore::form()->isVisible());
        QCOMPARE(OptionsStore::counterTryLimit(), qint16(6)); // half to even
        QCOMPARE(f->defaultButton(), f->Command1);
        // With the User ID empty: the instructions, not again when a popup closes.
        QTRY_COMPARE(m_messages.texts, QStringList{Form1::startInstructions()});
        f->rowGesture(0);
        QTimer::singleShot(50, f->mnuSelect, &QWidget::close);
        QTest::qWait(200);
        QCOMPARE(m_messages.texts.size(), 1);
    }

    void texts()
    {
        // Every quoted text a user reads on the window: "name" is a control, a
        // menu item ("name key" adds its shortcut) or "name tip" for a tooltip.
        const std::pair<const char*, const char*> expected[] = {
            {"Frame1", "   User ID   "}, {"Frame3", "   Select Items   "},
            {"Label2 tip", "\"N/F\" means (Not Found) the Counter can not be found."},
            {"Label5 tip", "Buy Now Price"}, {"Command1 tip", "Start Search"},
            {"Command3 tip", "Exit Program"},
            {"Command9 tip", "Select one auction, this selects all auctions that don't match."},
            {"Text15 tip", "Average Visits per Auction as Selected"},
            {"Text18_0 tip", "Double Click for Options"}, {"Text2_3 tip", "Double Click for Options"},
            {"Text2_4 tip", ""},
            {"Label7", "Time Left"}, {"Label6", "Start Price"}, {"Label9", "Bids"},
            {"mnuSaveUser key", "S&ave User Ctrl+A"}, {"mnuDeleteUser key", "&Delete User Ctrl+D"},
            {"mnuStart key", "&START Ctrl+S"}, {"mnuStop key", "STO&P Ctrl+P"},
            {"mnuClear key", "&Clear Ctrl+C"}, {"mnuexit", "&Exit"}, {"mnuoptions", "&Options"},
            {"mnuALL", "Select &All"}, {"mnuUnALL", "&UnSelect ALL"}, {"mnuSim", "Select &Matching"},
            {"mnuUnSim", "Selec&t Non-Matching"}, {"mnuAuction", "&View Auction"},
            {"mnuAbout", "&About"}, {"mnuWebsite", "&Website"}, {"mnuDonate", "&Donations"}};
        for (const auto& [key, text] : expected) {
            const QStringList parts = QString::fromLatin1(key).split(u' ');
            QObject* o = f->findChild<QObject*>(parts[0]);
            QVERIFY2(o, key);
            QString shown = o->property(qobject_cast<QGroupBox*>(o) ? "title" : "text").toString();
            if (parts.value(1) == QLatin1String("tip"))
                shown = static_cast<QWidget*>(o)->toolTip();
            else if (auto* a = qobject_cast<QAction*>(o); a && parts.size() > 1)
                shown += u' ' + a->shortcut().toString();
            QCOMPARE(shown, QString::fromLatin1(text));
        }
        // The menu shortcuts win over the fields' own keys: Ctrl+C clears the table
        // while the User ID field has the focus.
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        f->Combo1->setFocus();
        f->Text7[2]->setText(QStringLiteral("Teapot"));
        QTest::keyClick(f->Combo1->lineEdit(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(f->Text7[2]->text(), QString());
    }

    void clearAllDataAndModeSwitch()
    {
        QSignalSpy signIn(f, &Form1::signInRequested);
        QTest::mouseClick(f->Option2, Qt::LeftButton);
        QCOMPARE(joined({f->Label7, f->Label6, f->Label9}), QStringLiteral("Sale Date|Sale Price|QTY"));
        QVERIFY(!f->Text19[0]->isVisible() && !f->Label5->isVisible() && signIn.count() == 1);
        f->Text1[3]->setText(QStringLiteral("1234"));
        f->Text2[3]->setText(QStringLiteral("N/F"));
        f->setCellColor(f->Text2[3], QColor(255, 0, 0));
        f->Check1[3]->setChecked(true);
        f->Text12->setText(QStringLiteral("stop"));
        f->setStatus(QStringLiteral("Task Complete"));
        f->setStatusColor(QColor(0, 255, 0));
        f->setProgress(1000, 500);
        f->setBusyPointer(true);
        f->Command1->setEnabled(false);
        f->Command2_Click();
        QCOMPARE(joined({f->Text1[3], f->Text2[3], f->Text13, f->Text11, f->Text12, f->Label7}),
                 "|||||Sale Date"); // the headers stay
        QVERIFY(!f->Check1[3]->isChecked() && !f->Command10->isEnabled() && f->Command1->isEnabled());
        QCOMPARE(f->Text2[3]->palette().color(QPalette::Base), f->windowBackground());
        QCOMPARE(f->Text11->palette().color(QPalette::Base), f->windowBackground());
        QVERIFY(f->PB1->value() == 0 && f->cursor().shape() == Qt::ArrowCursor);
        // Back to Active: the Price column comes back empty, nothing else changes.
        f->Text19[1]->setText(QStringLiteral("5.00"));
        f->Text7[1]->setText(QStringLiteral("Lamp"));
        QTest::mouseClick(f->Option1, Qt::LeftButton);
        QCOMPARE(joined({f->Label7, f->Label6, f->Label9, f->Text19[1], f->Text7[1]}),
                 QStringLiteral("Time Left|Start Price|Bids||Lamp"));
        QVERIFY(f->Text19[1]->isVisible() && signIn.count() == 1);
    }

    void selectionCommands_data()
    {
        // Titles of rows 0, 1, ...; rows checked before; the row gesture ("d3": a double
        // click on row 3's title, "r3": a right click on its box) or none; the command;
        // rows checked after; the reference title (it starts as "Was") and the chosen number.
        for (const char* column : {"titles", "checked", "gesture", "command", "expected", "reference", "auction"})
            QTest::addColumn<QString>(column);
        // Case and a trailing blank make another title.
        const QString goods = QStringLiteral("Lamp,Vase,Vase,Lamp,vase,Clock,Vase ");
        QTest::newRow("Matching") << goods << "2 5" << "" << "Command8" << "1 2" << "Vase" << "4002";
        QTest::newRow("Non-Match") << goods << "0 5" << "" << "Command9" << "1 2 4 5 6" << "Lamp" << "4000";
        QTest::newRow("Non-Match, none checked") << "Lamp,Vase,,Was,Clock" << "" << "" << "Command9" << "0 1 4" << "Was" << "";
        QTest::newRow("All") << goods << "5 14" << "" << "cmdAll" << "0 1 2 3 4 5 6 14" << "Was" << "";
        QTest::newRow("None") << goods << "0 3 14" << "" << "Command7" << "" << "Was" << "";
        QTest::newRow("menu Matching") << goods << "1 3" << "r3" << "mnuSim" << "0 3" << "Lamp" << "4003";
        QTest::newRow("menu Matching an empty row") << "Lamp,,Vase" << "0" << "d1" << "mnuSim"
            << "1 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19" << "" << "4001";
        QTest::newRow("menu Non-Matching an empty row") << goods << "10" << "r15" << "mnuUnSim" << "0 1 2 3 4 5 6" << "" << "4015";
    }

    void selectionCommands()
    {
        QFETCH(QString, titles);
        QFETCH(QString, checked);
        QFETCH(QString, gesture);
        QFETCH(QString, command);
        f->Label13->setText(QStringLiteral("Was"));
        f->Label10->setText(QString());
        for (int i = 0; i < Form1::Rows; ++i) {
            f->Text1[i]->setText(QString::number(4000 + i));
            f->Text7[i]->setText(titles.split(u',').value(i));
            f->Text2[i]->setText(QString::number(i + 1));
            f->Check1[i]->setChecked(checked.split(u' ').contains(QString::number(i)));
        }
        int visits = 0;
        if (!gesture.isEmpty()) {
            const int row = gesture.mid(1).toInt();
            if (gesture[0] == u'd')
                QTest::mouseDClick(f->Text7[row], Qt::LeftButton);
            else
                QTest::mouseClick(f->Check1[row], Qt::RightButton);
            QCOMPARE(f->Label14->text(), QString::number(row));
            QTRY_VERIFY(f->mnuSelect->isVisible());
            f->mnuSelect->close();
            QCOMPARE(checkedRows(visits), checked); // a right click keeps the box
        }
        if (auto* button = f->findChild<QPushButton*>(command))
            button->click();
        else
            f->findChild<QAction*>(command)->trigger();
        const QString rows = checkedRows(visits);
        QTEST(rows, "expected");
        QTEST(f->Label13->text(), "reference");
        QTEST(f->Label10->text(), "auction");
        // The totals follow the boxes.
        const int n = rows.isEmpty() ? 0 : int(rows.count(u' ')) + 1;
        QCOMPARE(joined({f->Text13, f->Text14, f->Text15}),
                 n ? QString::asprintf("%d|%d|%.2f", n, visits, double(visits) / n) : "||");
    }

    void totals_data()
    {
        QTest::addColumn<QStringList>("cells"); // Visits of rows 0.., all checked
        QTest::addColumn<QString>("selected");  // Text13 | Text14 | Text15
        QTest::addColumn<QString>("scan");      // Text4 | Text8, with Text3 = the row count
        QTest::newRow("counters, N/F and text")
            << QStringList{"120", "35", "N/F", "7"} << "4|162|40.50" << "162|40.5";
        QTest::newRow("halves round to even at the scan's end")
            << QStringList{"2.5", "2.5"} << "2|5|2.50" << "4|2";
        const QString saturated = "3|999999999999999|333333333333333.00";
        const QString scanSaturated = "999999999999999|333,333,333,333,333";
        QTest::newRow("huge counters saturate")
            << QStringList{"1e308", "1e308", "5"} << saturated << scanSaturated;
        QTest::newRow("overflowing counter")
            << QStringList{"9e999", "1e300", "1"} << saturated << scanSaturated;
    }

    void totals()
    {
        QFETCH(QStringList, cells);
        for (int i = 0; i < cells.size(); ++i) {
            f->Text2[i]->setText(cells[i]);
            f->Check1[i]->setChecked(true);
        }
        QTEST(joined({f->Text13, f->Text14, f->Text15}), "selected");
        f->Text3->setText(QString::number(cells.size()));
        f->writeVisitTotals(0);
        QTEST(joined({f->Text4, f->Text8}), "scan");
    }

    // The transfer states in the status field, the revert timer, the start delay and Stop.
    void searchRun()
    {
        f->Timer3->stop();
        emit f->Inet1->StateChanged(Inet::icNone);
        QVERIFY(f->Text11->text() == "None" && !f->Timer3->isActive());
        emit f->Inet1->StateChanged(8);
        QVERIFY(f->Text11->text() == "Receiving..." && f->Timer3->isActive());
        // A second state does not restart the running revert timer.
        const int remaining = f->Timer3->remainingTime();
        QTest::qWait(20);
        emit f->Inet1->StateChanged(9);
        QVERIFY(f->Timer3->remainingTime() < remaining);
        // The bare listing address on state 10 is an unknown seller; a longer one is not.
        f->Text20->setText(f->bareListingAddress() + QStringLiteral("?x=1"));
        emit f->Inet1->StateChanged(Inet::icDisconnected);
        QCOMPARE(f->Text11->text(), QStringLiteral("Searching..."));
        f->Text20->setText(f->bareListingAddress());
        emit f->Inet1->StateChanged(Inet::icDisconnected);
        QCOMPARE(f->Text11->text(), QStringLiteral("User Search Error"));
        QCOMPARE(f->Text11->palette().color(QPalette::Base), QColor(255, 0, 0));

        QCOMPARE(f->Timer5->interval(), 5000);
        QSignalSpy started(f, &Form1::scanStarted);
        f->Timer5->setInterval(60000);
        // Enter presses Start Search once the User ID copy changed.
        f->Text5->setText(QStringLiteral("someone"));
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        f->Combo1->setFocus();
        QTest::keyClick(f->Combo1->lineEdit(), Qt::Key_Return);
        QCOMPARE(f->Text11->text(), QStringLiteral("Loading ...."));
        QVERIFY(!f->Command1->isEnabled() && f->Timer5->isActive());
        // Start again during the delay does not restart it.
        const int delay = f->Timer5->remainingTime();
        QTest::qWait(20);
        f->mnuStart->trigger();
        QVERIFY(f->Timer5->remainingTime() < delay);
        // Stop during the delay calls the start off.
        f->setStatusColor(QColor(0, 255, 0));
        QTest::mouseClick(f->Command5, Qt::LeftButton);
        QCOMPARE(joined({f->Text11, f->Text12}), QStringLiteral("Stopped|stop"));
        QVERIFY(f->Command1->isEnabled() && !f->Timer5->isActive() && started.isEmpty());
        QCOMPARE(f->Text11->palette().color(QPalette::Base), f->windowBackground());
    }

    // About, Auto Compare (one at a time, empty again once closed) and View Auction.
    void otherWindowsAndViewAuction()
    {
        f->mnuAbout->trigger();
        QPointer<frmSplashCopyright> about = m_shell->splash();
        QTest::qWait(100);
        QVERIFY(about && about->isVisible() && !about->Timer1->isActive());
        QTest::mouseClick(about->cmdOK1, Qt::LeftButton);
        QVERIFY(!about->isVisible() && f->isVisible());

        f->setStatus(QStringLiteral("Task Complete"));
        f->Command10->click();
        QPointer<Form6> first = Form6::current();
        first->Text1[0]->setText(QStringLiteral("typed"));
        f->Command10->click();
        QVERIFY(first && first->isVisible() && Form6::current() == first);
        first->close();
        QTRY_VERIFY(!first);
        f->Command10->click();
        QVERIFY(Form6::current() && Form6::current()->Text1[0]->text().isEmpty());

        // No row chosen, then a chosen row without a number.
        f->Label14->setText(QString());
        f->mnuAuction->trigger();
        f->Label14->setText(QStringLiteral("3"));
        f->mnuAuction->trigger();
        QCOMPARE(m_messages.texts.count(QStringLiteral("No Auction Number Available")), 2);
        // The number the row gesture recorded counts, even after the cell changes.
        f->Text1[3]->setText(QStringLiteral("110042318817"));
        f->rowGesture(3);
        f->mnuSelect->close();
        f->Text1[3]->setText(QStringLiteral("999"));
        f->mnuAuction->trigger();
        QCOMPARE(urls, QList<QUrl>{Links::itemView(OptionsStore::before(MarkerTable::Sold, 8),
                                                   "110042318817")});
        // Text cut out of a page can never change where it leads.
        for (const QString auction : {"1100#top", "../../x?y=1", "evil.example@1100", "1&item=6 x"}) {
            const QUrl url = Links::itemView(QStringLiteral("https://Cgi.Example.com:8443/x"), auction);
            QCOMPARE(url.toString(QUrl::RemoveQuery), "https://cgi.example.com:8443/ws/eBayISAPI.dll");
            QCOMPARE(QUrl::fromPercentEncoding(url.query(QUrl::FullyEncoded).toLatin1()),
                     QStringLiteral("ViewItem&rd=1&item=") + auction);
        }
    }

    // Exit drops the Options edits, Auto Compare and the message box on the
    // window. Last: boxes are real here.
    void exitSavesNothingAndEndsBoxes()
    {
        const QString before = OptionsStore::before(MarkerTable::Active, 0);
        f->mnuoptions->trigger();
        QTest::keyClicks(OptionsStore::form()->RichTextBox1[0], QStringLiteral("edited"));
        f->Combo1->setEditText(QStringLiteral("demoseller")); // no start instructions
        QPointer<Form6> autoCompare = Form6::current();
        QVERIFY(autoCompare);
        Messages::setRecorder({});
        bool returned = false;
        QTimer::singleShot(0, f, [&] {
            QTimer::singleShot(100, f, [&] { f->mnuexit->trigger(); });
            Messages::show(f, QStringLiteral("Waiting"));
            returned = true;
        });
        QTRY_VERIFY(returned && !autoCompare);
        QVERIFY(!f->isVisible() && !OptionsStore::isLoaded());
        QCOMPARE(OptionsStore::before(MarkerTable::Active, 0), before); // read from the file again
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
