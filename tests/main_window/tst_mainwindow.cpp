// The program's windows driven as a user would, on one main window brought up through the splash,
// up to Exit. Scans are in tests/e2e.
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
    TempProgramFolder m_folder;
    MessageRecorder m_messages;
    std::unique_ptr<Shell> m_shell;
    Form1* f = nullptr;
    QList<QUrl> urls; // what went to the desktop's browser
    Q_INVOKABLE void open(const QUrl& url) { urls.append(url); }

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
        for (int i = visits = 0; i < Form1::Rows; ++i)
            if (f->Check1[i]->isChecked() && (visits += i + 1))
                rows << QString::number(i);
        return rows.join(u' ');
    }
    void keyInUserId(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        f->Combo1->setFocus();
        QTest::keyClick(f->Combo1->lineEdit(), key, modifiers);
    }
    static QColor base(QWidget* w) { return w->palette().color(QPalette::Base); }

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

    void startUp_data() // each row starts the program; the last one's main window serves the rest
    {
        QTest::addColumn<int>("action"); // 0: none, 1: Continue, 2: the title bar's close button
        for (const auto& [name, action] : {std::pair{"close button", 2}, {"Continue", 1}, {"left alone", 0}})
            QTest::newRow(name) << action;
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
        QCloseEvent close; // as the window system sends it; accepted, the only window's close ends the program
        if (action == 1)
            QTest::mouseClick(splash->cmdOK1, Qt::LeftButton);
        else if (action == 2)
            QCoreApplication::sendEvent(splash->windowHandle(), &close);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY((action != 2 || !close.isAccepted()) && splash && splash->isVisible() == (action == 0)
                && !m_shell->mainWindow());
        QTRY_VERIFY((f = m_shell->mainWindow()) && f->isVisible() && !splash); // closed at the tick
        QCOMPARE(QDir::currentPath(), QDir(m_folder.path()).canonicalPath());
        QVERIFY(OptionsStore::isLoaded() && !OptionsStore::form()->isVisible() && f->defaultButton() == f->Command1
                && OptionsStore::counterTryLimit() == 6); // 6.5: half to even
        QTRY_COMPARE(m_messages.texts, QStringList{Form1::startInstructions()}); // with the User ID empty
        f->rowGesture(0); // not again when a popup closes
        QTimer::singleShot(50, f->mnuSelect, &QWidget::close);
        QTest::qWait(200);
        QCOMPARE(m_messages.texts.size(), 1);
    }

    void texts() // "name": a control's or menu item's text, "name key" with the shortcut, "name tip"
    {
        const std::pair<const char*, const char*> expected[] = {
            {"Frame1", "   User ID   "}, {"Frame3", "   Select Items   "}, {"Label5 tip", "Buy Now Price"},
            {"Label2 tip", "\"N/F\" means (Not Found) the Counter can not be found."}, {"Text2_4 tip", ""},
            {"Command1 tip", "Start Search"}, {"Command3 tip", "Exit Program"}, {"Label7", "Time Left"},
            {"Command9 tip", "Select one auction, this selects all auctions that don't match."},
            {"Text15 tip", "Average Visits per Auction as Selected"}, {"Label6", "Start Price"},
            {"Text18_0 tip", "Double Click for Options"}, {"Text2_3 tip", "Double Click for Options"},
            {"Label9", "Bids"}, {"mnuSaveUser key", "S&ave User Ctrl+A"}, {"mnuStart key", "&START Ctrl+S"},
            {"mnuDeleteUser key", "&Delete User Ctrl+D"}, {"mnuStop key", "STO&P Ctrl+P"},
            {"mnuClear key", "&Clear Ctrl+C"}, {"mnuexit", "&Exit"}, {"mnuoptions", "&Options"},
            {"mnuALL", "Select &All"}, {"mnuUnALL", "&UnSelect ALL"}, {"mnuSim", "Select &Matching"},
            {"mnuUnSim", "Selec&t Non-Matching"}, {"mnuAuction", "&View Auction"}, {"mnuAbout", "&About"},
            {"mnuWebsite", "&Website"}, {"mnuDonate", "&Donations"}};
        for (const auto& [key, text] : expected) {
            const QStringList parts = QString::fromLatin1(key).split(u' ');
            QObject* o = f->findChild<QObject*>(parts[0]);
            QVERIFY2(o, key);
            const char* property = parts.value(1) == u"tip" ? "toolTip" : qobject_cast<QGroupBox*>(o) ? "title" : "text";
            QString shown = o->property(property).toString();
            if (parts.value(1) == u"key")
                shown += u' ' + o->property("shortcut").value<QKeySequence>().toString();
            QCOMPARE(shown, QString::fromLatin1(text));
        }
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
        keyInUserId(Qt::Key_C, Qt::ControlModifier); // the menu's Ctrl+C wins over the field's copy
        QCOMPARE(joined({f->Text1[3], f->Text2[3], f->Text13, f->Text11, f->Text12, f->Label7}), "|||||Sale Date");
        QVERIFY(!f->Check1[3]->isChecked() && !f->Command10->isEnabled() && f->Command1->isEnabled());
        QVERIFY(base(f->Text2[3]) == f->windowBackground() && base(f->Text11) == f->windowBackground());
        QVERIFY(f->PB1->value() == 0 && f->cursor().shape() == Qt::ArrowCursor);
        f->Text19[1]->setText(QStringLiteral("5.00"));
        f->Text7[1]->setText(QStringLiteral("Lamp"));
        QTest::mouseClick(f->Option1, Qt::LeftButton); // the Price column comes back empty, nothing else changes
        QCOMPARE(joined({f->Label7, f->Label6, f->Label9, f->Text19[1], f->Text7[1]}), "Time Left|Start Price|Bids||Lamp");
        QVERIFY(f->Text19[1]->isVisible() && signIn.count() == 1);
    }

    void selectionCommands_data()
    {
        // Titles of rows 0, 1, ...; rows checked before; the row gesture ("d3": double click on row 3's title,
        // "r3": right click on its box); the command; rows checked after; the reference title and number.
        for (const char* column : {"titles", "checked", "gesture", "command", "expected", "chosen"})
            QTest::addColumn<QString>(column);
        const QString goods = QStringLiteral("Lamp,Vase,Vase,Lamp,vase,Clock,Vase "); // case, blank: others
        QTest::newRow("Matching") << goods << "2 5" << "" << "Command8" << "1 2" << "Vase|4002";
        QTest::newRow("Non-Match") << goods << "0 5" << "" << "Command9" << "1 2 4 5 6" << "Lamp|4000";
        QTest::newRow("Non-Match, none checked") << "Lamp,Vase,,Was,Clock" << "" << "" << "Command9" << "0 1 4" << "Was|";
        QTest::newRow("All") << goods << "5 14" << "" << "cmdAll" << "0 1 2 3 4 5 6 14" << "Was|";
        QTest::newRow("None") << goods << "0 3 14" << "" << "Command7" << "" << "Was|";
        QTest::newRow("menu Matching") << goods << "1 3" << "r3" << "mnuSim" << "0 3" << "Lamp|4003";
        QTest::newRow("menu Matching an empty row") << "Lamp,,Vase" << "0" << "d1" << "mnuSim"
            << "1 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19" << "|4001";
        QTest::newRow("menu Non-Matching an empty row") << goods << "10" << "r15" << "mnuUnSim" << "0 1 2 3 4 5 6" << "|4015";
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
            gesture[0] == u'd' ? QTest::mouseDClick(f->Text7[row], Qt::LeftButton)
                               : QTest::mouseClick(f->Check1[row], Qt::RightButton);
            QCOMPARE(f->Label14->text(), QString::number(row));
            QTRY_VERIFY(f->mnuSelect->isVisible());
            f->mnuSelect->close();
            QCOMPARE(checkedRows(visits), checked); // a right click keeps the box
            f->Text1[row]->setText(QStringLiteral("999")); // View Auction opens the number recorded
            f->mnuAuction->trigger();
            QCOMPARE(urls.takeLast(), Links::itemView(OptionsStore::before(MarkerTable::Sold, 8), QString::number(4000 + row)));
        }
        QVERIFY(QMetaObject::invokeMethod(f->findChild<QObject*>(command), command.startsWith(u"mnu") ? "trigger" : "click"));
        const QString rows = checkedRows(visits);
        QTEST(rows, "expected");
        QTEST(joined({f->Label13, f->Label10}), "chosen");
        const int n = rows.isEmpty() ? 0 : int(rows.count(u' ')) + 1; // the totals follow the boxes
        QCOMPARE(joined({f->Text13, f->Text14, f->Text15}),
                 n ? QString::asprintf("%d|%d|%.2f", n, visits, double(visits) / n) : "||");
    }

    void totals_data()
    {
        QTest::addColumn<QStringList>("cells"); // Visits of rows 0.., all checked
        QTest::addColumn<QString>("selected");  // Text13 | Text14 | Text15
        QTest::addColumn<QString>("scan");      // Text4 | Text8, with Text3 = the row count
        QTest::newRow("counters, N/F and text") << QStringList{"120", "35", "N/F", "7"} << "4|162|40.50" << "162|40.5";
        QTest::newRow("halves to even at the scan's end") << QStringList{"2.5", "2.5"} << "2|5|2.50" << "4|2";
        for (const QStringList& cells : {QStringList{"1e308", "1e308", "5"}, {"9e999", "1e300", "1"}}) // saturate
            QTest::newRow(qPrintable(cells[0])) << cells << "3|999999999999999|333333333333333.00"
                                                << "999999999999999|333,333,333,333,333";
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

    void searchRun() // the transfer states in the status field, the revert timer, the start delay, Stop
    {
        const auto keepsRunning = [](QTimer* timer, auto action) { // not restarted by action
            const int remaining = timer->remainingTime();
            QTest::qWait(20);
            action();
            return timer->remainingTime() < remaining;
        };
        const auto status = [this](int s) { emit f->Inet1->StateChanged(s); return f->Text11->text(); };
        f->Timer3->stop();
        QVERIFY(status(Inet::icNone) == "None" && !f->Timer3->isActive());
        QVERIFY(status(8) == "Receiving..." && f->Timer3->isActive());
        QVERIFY(keepsRunning(f->Timer3, [&] { status(9); }));
        f->Text20->setText(f->bareListingAddress() + QStringLiteral("?x=1")); // not the bare one: no error
        QCOMPARE(status(Inet::icDisconnected), QStringLiteral("Searching..."));
        f->Text20->setText(f->bareListingAddress());
        QVERIFY(status(Inet::icDisconnected) == "User Search Error" && base(f->Text11) == QColor(255, 0, 0));

        QCOMPARE(f->Timer5->interval(), 5000);
        QSignalSpy started(f, &Form1::scanStarted);
        f->Timer5->setInterval(60000);
        f->Text5->setText(QStringLiteral("someone")); // Enter presses Start Search once the User ID copy changed
        keyInUserId(Qt::Key_Return);
        QVERIFY(f->Text11->text() == "Loading ...." && !f->Command1->isEnabled() && f->Timer5->isActive());
        QVERIFY(keepsRunning(f->Timer5, [&] { f->mnuStart->trigger(); }));
        f->setStatusColor(QColor(0, 255, 0));
        QTest::mouseClick(f->Command5, Qt::LeftButton); // Stop during the delay calls the start off
        QCOMPARE(joined({f->Text11, f->Text12}), QStringLiteral("Stopped|stop"));
        QVERIFY(f->Command1->isEnabled() && !f->Timer5->isActive() && started.isEmpty()
                && base(f->Text11) == f->windowBackground());
    }

    // About, Auto Compare, View Auction without a number; last (boxes are real here) Exit.
    void otherWindowsAndExit()
    {
        f->mnuAbout->trigger();
        QPointer<frmSplashCopyright> about = m_shell->splash();
        QTest::qWait(100);
        QVERIFY(about && about->isVisible() && !about->Timer1->isActive());
        QTest::mouseClick(about->cmdOK1, Qt::LeftButton);
        QVERIFY(!about->isVisible() && f->isVisible());

        f->setStatus(QStringLiteral("Task Complete"));
        f->Command10->click();
        QPointer<Form6> autoCompare = Form6::current();
        autoCompare->Text1[0]->setText(QStringLiteral("typed"));
        f->Command10->click();
        QVERIFY(autoCompare && autoCompare->isVisible() && Form6::current() == autoCompare); // one at a time
        autoCompare->close();
        QTRY_VERIFY(!autoCompare);
        f->Command10->click();
        QVERIFY((autoCompare = Form6::current()) && autoCompare->Text1[0]->text().isEmpty()); // a new one

        for (const char* row : {"", "3"}) { // no row chosen, then a chosen row without a number
            f->Label14->setText(QString::fromLatin1(row));
            f->mnuAuction->trigger();
        }
        QCOMPARE(m_messages.texts.count(QStringLiteral("No Auction Number Available")), 2);
        for (const QString auction : {"1100#top", "../../x?y=1", "evil.example@1100", "1&item=6 x"}) { // stays a number
            const QUrl url = Links::itemView(QStringLiteral("https://Cgi.Example.com:8443/x"), auction);
            QCOMPARE(url.toString(QUrl::RemoveQuery) + '?' + url.query(QUrl::FullyDecoded),
                     "https://cgi.example.com:8443/ws/eBayISAPI.dll?ViewItem&rd=1&item=" + auction);
        }

        const QString before = OptionsStore::before(MarkerTable::Active, 0);
        f->mnuoptions->trigger();
        QTest::keyClicks(OptionsStore::form()->RichTextBox1[0], QStringLiteral("edited"));
        f->Combo1->setEditText(QStringLiteral("demoseller")); // no start instructions
        Messages::setRecorder({});
        bool returned = false;
        QTimer::singleShot(0, f, [&] {
            QTimer::singleShot(100, f, [&] { f->mnuexit->trigger(); });
            Messages::show(f, QStringLiteral("Waiting"));
            returned = true;
        });
        QTRY_VERIFY(returned && !autoCompare);
        QVERIFY(!f->isVisible() && !OptionsStore::isLoaded()); // the Options edits dropped
        QCOMPARE(OptionsStore::before(MarkerTable::Active, 0), before); // read from the file again
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
