// The program's windows driven as a user would, on one main window brought up
// through the real splash, up to Exit. The main window is a view of its scan
// session: the table's contents are set through the session here, and the
// scans themselves are in tests/session and tests/e2e.
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

#include "Controls.h"
#include "MessageRecorder.h"
#include "TestSupport.h"

#include <QtTest>
#include <QtWidgets>

namespace {
const QString NoNumber = QStringLiteral("No Auction Number Available");
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
    TempProgramFolder m_folder;
    MessageRecorder m_messages;
    std::unique_ptr<Shell> m_shell;
    Form1* f = nullptr;
    ScanSession* s = nullptr;
    QList<QUrl> urls; // what went to the desktop's browser
    Q_INVOKABLE void open(const QUrl& url) { urls.append(url); }

    template <class T = QWidget> T* get(const QString& name) const { return f->findChild<T*>(name); }
    QString shownAll(std::initializer_list<const char*> names) const
    {
        QStringList texts;
        for (const char* name : names)
            texts << shown(f, QLatin1String(name));
        return texts.join(u'|');
    }
    QString checkedRows(int& visits) const
    {
        QStringList rows;
        for (int i = visits = 0; i < Form1::Rows; ++i)
            if (get<QCheckBox>(QStringLiteral("Check1_%1").arg(i))->isChecked() && (visits += i + 1))
                rows << QString::number(i);
        return rows.join(u' ');
    }
    void keyInUserId(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        auto* combo = get<QComboBox>(QStringLiteral("Combo1"));
        combo->setFocus();
        QTest::keyClick(combo->lineEdit(), key, modifiers);
    }
    static QColor base(QWidget* w) { return w->palette().color(QPalette::Base); }

private slots:
    void initTestCase()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDir::setCurrent(QDir::rootPath());
    }

    void init()
    {
        if (s)
            s->clear();
        m_messages.texts.clear();
    }

    void startUp_data() // each row starts the program; the last one's main window serves the rest
    {
        QTest::addColumn<int>("action");        // 0: none, 1: Continue, 2: the title bar's close button
        QTest::addColumn<QByteArray>("options"); // Options.rtf as the start finds it
        QTest::addColumn<int>("limit");          // the counter try limit it reads
        QTest::newRow("close button, no Options.rtf") << 2 << QByteArray() << 2;
        QTest::newRow("Continue, Options.rtf not RTF") << 1 << QByteArray("6") << 2;
        QTest::newRow("left alone, 6.5: half to even") << 0 << RtfCodec::write(u"6.5") << 6;
    }

    void startUp()
    {
        QFETCH(int, action);
        QFETCH(QByteArray, options);
        m_shell.reset();
        OptionsStore::discard();
        OptionFiles::setCounterTryLimit(2); // as the program starts
        QFile file(m_folder.file(QStringLiteral("Options.rtf")));
        file.remove();
        QVERIFY(options.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(options)));
        file.close();
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
        s = f->session();
        QCOMPARE(QDir::currentPath(), QDir(m_folder.path()).canonicalPath());
        QVERIFY(OptionsStore::isLoaded() && !OptionsStore::form()->isVisible());
        QCOMPARE(f->defaultButton(), get<QPushButton>(QStringLiteral("Command1")));
        QTEST(int(OptionFiles::counterTryLimit()), "limit");
        QTRY_COMPARE(m_messages.texts, QStringList{Form1::startInstructions()}); // with the User ID empty
        press(f, QStringLiteral("mnuAuction")); // no row chosen yet
        f->rowGesture(0); // not again when a popup closes
        QTimer::singleShot(50, get<QMenu>(QStringLiteral("mnuSelect")), &QWidget::close);
        QTest::qWait(200);
        QCOMPARE(m_messages.texts, (QStringList{Form1::startInstructions(), NoNumber}));
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
            QString value = parts.value(1) == u"tip" ? o->property("toolTip").toString() : shown(f, parts[0]);
            if (parts.value(1) == u"key")
                value += u' ' + o->property("shortcut").value<QKeySequence>().toString();
            QCOMPARE(value, QString::fromLatin1(text));
        }
    }

    void clearAllDataAndModeSwitch()
    {
        QSignalSpy signIn(f, &Form1::signInRequested);
        press(f, QStringLiteral("Option2"));
        QCOMPARE(shownAll({"Label7", "Label6", "Label9"}), QStringLiteral("Sale Date|Sale Price|QTY"));
        QVERIFY(!get(QStringLiteral("Text19_0"))->isVisible() && !get(QStringLiteral("Label5"))->isVisible());
        QCOMPARE(signIn.count(), 1);
        s->editCell(3, Column::Auction, QStringLiteral("1234"));
        s->setChecked(3, true);
        QCOMPARE(shown(f, QStringLiteral("Text13")), QStringLiteral("1"));
        press(f, QStringLiteral("Command5")); // Stop: the flag is up, the status says so
        QCOMPARE(shownAll({"Text11", "Text12"}), QStringLiteral("Stopped|stop"));
        keyInUserId(Qt::Key_C, Qt::ControlModifier); // the menu's Ctrl+C wins over the field's copy
        QCOMPARE(shownAll({"Text1_3", "Text13", "Text11", "Text12", "Label7"}), QStringLiteral("||||Sale Date"));
        QVERIFY(!get<QCheckBox>(QStringLiteral("Check1_3"))->isChecked());
        QVERIFY(!get(QStringLiteral("Command10"))->isEnabled() && get(QStringLiteral("Command1"))->isEnabled());
        QVERIFY(get<QProgressBar>(QStringLiteral("PB1"))->value() == 0 && f->cursor().shape() == Qt::ArrowCursor);
        // What the user types into a cell is the table's; the Price column comes back empty.
        QTest::mouseClick(get(QStringLiteral("Text7_1")), Qt::LeftButton);
        QTest::keyClicks(get(QStringLiteral("Text7_1")), QStringLiteral("Lamp"));
        QCOMPARE(s->table().rows[1].title, QStringLiteral("Lamp"));
        s->editCell(1, Column::Price, QStringLiteral("5.00"));
        QCOMPARE(shown(f, QStringLiteral("Text19_1")), QStringLiteral("5.00"));
        press(f, QStringLiteral("Option1"));
        QCOMPARE(shownAll({"Label7", "Label6", "Label9", "Text19_1", "Text7_1"}),
                 QStringLiteral("Time Left|Start Price|Bids||Lamp"));
        QVERIFY(get(QStringLiteral("Text19_1"))->isVisible() && signIn.count() == 1);
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
        // The reference title is "Was" with no auction number, until a gesture or a button chooses.
        s->editCell(19, Column::Title, QStringLiteral("Was"));
        s->chooseRow(19);
        for (int i = 0; i < Form1::Rows; ++i) {
            s->editCell(i, Column::Auction, QString::number(4000 + i));
            s->editCell(i, Column::Title, titles.split(u',').value(i));
            s->editCell(i, Column::Visits, QString::number(i + 1));
            s->setChecked(i, checked.split(u' ').contains(QString::number(i)));
        }
        int visits = 0;
        if (!gesture.isEmpty()) {
            const int row = gesture.mid(1).toInt();
            gesture[0] == u'd' ? QTest::mouseDClick(get(QStringLiteral("Text7_%1").arg(row)), Qt::LeftButton)
                               : QTest::mouseClick(get(QStringLiteral("Check1_%1").arg(row)), Qt::RightButton);
            QCOMPARE(shown(f, QStringLiteral("Label14")), QString::number(row));
            QTRY_VERIFY(get(QStringLiteral("mnuSelect"))->isVisible());
            get(QStringLiteral("mnuSelect"))->close();
            QCOMPARE(checkedRows(visits), checked); // a right click keeps the box
            s->editCell(row, Column::Auction, QStringLiteral("999")); // View Auction opens the number recorded
            press(f, QStringLiteral("mnuAuction"));
            QCOMPARE(urls.takeLast(), Links::itemView(OptionsStore::texts().soldBefore[8], QString::number(4000 + row)));
        }
        press(f, command);
        const QString rows = checkedRows(visits);
        QTEST(rows, "expected");
        QTEST(shownAll({"Label13", "Label10"}), "chosen");
        const int n = rows.isEmpty() ? 0 : int(rows.count(u' ')) + 1; // the totals follow the boxes
        QCOMPARE(shownAll({"Text13", "Text14", "Text15"}),
                 n ? QString::asprintf("%d|%d|%.2f", n, visits, double(visits) / n) : QStringLiteral("||"));
    }

    void startAndStop() // Enter presses Start Search once the User ID copy changed; Stop calls the start off
    {
        QSignalSpy started(f, &Form1::scanStarted);
        s->Timer5->setInterval(60000);
        s->setUserIdCopy(QStringLiteral("someone"));
        keyInUserId(Qt::Key_Return);
        QCOMPARE(shown(f, QStringLiteral("Text11")), QStringLiteral("Loading ...."));
        QVERIFY(!get(QStringLiteral("Command1"))->isEnabled() && s->Timer5->isActive());
        emit s->Inet1->StateChanged(Inet::icResponseReceived); // the transfer's states reach the field
        QCOMPARE(shown(f, QStringLiteral("Text11")), QStringLiteral("Receiving..."));
        QTest::mouseClick(get(QStringLiteral("Command5")), Qt::LeftButton);
        QCOMPARE(shown(f, QStringLiteral("Text11")), QStringLiteral("Stopped"));
        QVERIFY(get(QStringLiteral("Command1"))->isEnabled() && !s->Timer5->isActive() && started.isEmpty());
        QCOMPARE(base(get(QStringLiteral("Text11"))), f->windowBackground());
    }

    // About, Auto Compare, View Auction without a number; last (boxes are real here) Exit.
    void otherWindowsAndExit()
    {
        press(f, QStringLiteral("mnuAbout"));
        QPointer<frmSplashCopyright> about = m_shell->splash();
        QTest::qWait(100);
        QVERIFY(about && about->isVisible() && !about->Timer1->isActive());
        QTest::mouseClick(about->cmdOK1, Qt::LeftButton);
        QVERIFY(!about->isVisible() && f->isVisible());

        get<QLineEdit>(QStringLiteral("Text11"))->setText(ScanSession::taskComplete()); // as a scan ends
        press(f, QStringLiteral("Command10"));
        QPointer<Form6> autoCompare = Form6::current();
        autoCompare->Text1[0]->setText(QStringLiteral("typed"));
        press(f, QStringLiteral("Command10"));
        QVERIFY(autoCompare && autoCompare->isVisible() && Form6::current() == autoCompare); // one at a time
        autoCompare->close();
        QTRY_VERIFY(!autoCompare);
        press(f, QStringLiteral("Command10"));
        QVERIFY((autoCompare = Form6::current()) && autoCompare->Text1[0]->text().isEmpty()); // a new one

        s->chooseRow(3); // a chosen row without a number
        press(f, QStringLiteral("mnuAuction"));
        QCOMPARE(m_messages.texts, QStringList{NoNumber});
        for (const char* number : {"1100#top", "../../x?y=1", "evil.example@1100", "1&item=6 x"}) { // stays a number
            const QString auction = QLatin1String(number);
            const QUrl url = Links::itemView(QStringLiteral("https://Cgi.Example.com:8443/x"), auction);
            QCOMPARE(QString(url.toString(QUrl::RemoveQuery) + u'?' + url.query(QUrl::FullyDecoded)),
                     QStringLiteral("https://cgi.example.com:8443/ws/eBayISAPI.dll?ViewItem&rd=1&item=") + auction);
        }

        const QString before = OptionsStore::texts().activeBefore[0];
        press(f, QStringLiteral("mnuoptions"));
        QTest::keyClicks(OptionsStore::form()->RichTextBox1[0], QStringLiteral("edited"));
        get<QComboBox>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("demoseller")); // no start instructions
        Messages::setRecorder({});
        bool returned = false;
        QTimer::singleShot(0, f, [&] {
            QTimer::singleShot(100, f, [&] { press(f, QStringLiteral("mnuexit")); });
            Messages::show(f, QStringLiteral("Waiting"));
            returned = true;
        });
        QTRY_VERIFY(returned && !autoCompare);
        QVERIFY(!f->isVisible() && !OptionsStore::isLoaded()); // the Options edits dropped
        QCOMPARE(OptionsStore::texts().activeBefore[0], before); // read from the file again
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
