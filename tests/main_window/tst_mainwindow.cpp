// The program's windows driven as a user would, on one main window brought up
// through the real splash, up to Exit. The main window is a view of its scan
// session: the table's contents are set through the session here; the scans
// are in tests/session and tests/e2e, the window's texts in tests/options.
#include "app/Links.h"
#include "app/Shell.h"
#include "app/frmSplashCopyright.h"
#include "base/Messages.h"
#include "main_window/Form1.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
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

    template <class T = QWidget> T* get(QAnyStringView name) const { return control<T>(f, name); }
    QString shownAll(std::initializer_list<const char*> names) const
    {
        QStringList texts;
        for (const char* name : names)
            texts << shown(f, name);
        return texts.join(u'|');
    }
    QString checkedRows() const
    {
        QStringList rows;
        for (int i = 0; i < Form1::Rows; ++i) {
            if (get<QCheckBox>(QStringLiteral("Check1_%1").arg(i))->isChecked())
                rows << QString::number(i);
        }
        return rows.join(u' ');
    }
    void keyInUserId(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        auto* combo = get<QComboBox>("Combo1");
        combo->setFocus();
        QTest::keyClick(combo->lineEdit(), key, modifiers);
    }

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

    void startUp_data() { addTableRows({"main_window/data/startup.tsv"}); }

    void startUp()
    {
        QFETCH(int, action);
        QFETCH(QByteArray, options);
        QFETCH(QString, told);
        m_shell.reset();
        OptionsStore::discard();
        OptionFiles::setCounterTryLimit(2); // as the program starts
        QFile file(m_folder.file(QStringLiteral("Options.rtf")));
        file.remove();
        if (!options.isEmpty()) {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(options);
            file.close();
        }
        m_shell = std::make_unique<Shell>();
        m_shell->start();
        QPointer<frmSplashCopyright> splash = m_shell->splash();
        splash->Timer1->start(200);
        QCloseEvent close; // as the window system sends it
        if (action == 1)
            QTest::mouseClick(splash->cmdOK1, Qt::LeftButton);
        else if (action == 2)
            QCoreApplication::sendEvent(splash->windowHandle(), &close);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Accepted, the only window's close would end the program.
        QVERIFY2(action != 2 || !close.isAccepted(), "the splash accepted its close");
        QVERIFY(splash);
        QCOMPARE(splash->isVisible(), action == 0);
        QVERIFY(!m_shell->mainWindow());
        QTRY_VERIFY(m_shell->mainWindow() && m_shell->mainWindow()->isVisible());
        QVERIFY2(!splash, "the splash is closed at its timer's tick");
        f = m_shell->mainWindow();
        s = f->session();
        QCOMPARE(QDir::currentPath(), QDir(m_folder.path()).canonicalPath());
        QVERIFY(OptionsStore::isLoaded());
        QVERIFY(!OptionsStore::form()->isVisible());
        QCOMPARE(f->defaultButton(), get<QPushButton>("Command1"));
        QTEST(int(OptionFiles::counterTryLimit()), "limit");
        // The User ID is empty: the start instructions, once, also after a popup closes.
        QTRY_COMPARE(m_messages.texts,
                     QStringList({told, Form1::startInstructions()}).mid(told.isEmpty()));
        m_messages.texts = QStringList{Form1::startInstructions()};
        press(f, "mnuAuction"); // no row chosen yet
        f->rowGesture(0);
        QTimer::singleShot(50, get("mnuSelect"), &QWidget::close);
        QTest::qWait(200);
        QCOMPARE(m_messages.texts, (QStringList{Form1::startInstructions(), NoNumber}));
    }

    void clearAllDataAndModeSwitch()
    {
        QSignalSpy signIn(f, &Form1::signInRequested);
        press(f, "Option2");
        QCOMPARE(shownAll({"Label7", "Label6", "Label9"}),
                 QStringLiteral("Sale Date|Sale Price|QTY"));
        QVERIFY(!get("Text19_0")->isVisible());
        QVERIFY(!get("Label5")->isVisible());
        QCOMPARE(signIn.count(), 1);
        s->editCell(3, Column::Auction, QStringLiteral("1234"));
        s->setChecked(3, true);
        QCOMPARE(shown(f, "Text13"), QStringLiteral("1"));
        press(f, "Command5"); // Stop: the flag is up, the status says so
        QCOMPARE(shownAll({"Text11", "Text12"}), QStringLiteral("Stopped|stop"));
        keyInUserId(Qt::Key_C, Qt::ControlModifier); // the menu's Ctrl+C wins over copying
        QCOMPARE(shownAll({"Text1_3", "Text13", "Text11", "Text12", "Label7"}),
                 QStringLiteral("||||Sale Date"));
        QVERIFY(!get<QCheckBox>("Check1_3")->isChecked());
        QVERIFY(!get("Command10")->isEnabled());
        QCOMPARE(get<QProgressBar>("PB1")->value(), 0);
        QCOMPARE(f->cursor().shape(), Qt::ArrowCursor);
        // What the user types into a cell is the table's; the Price column comes back empty.
        QTest::mouseClick(get("Text7_1"), Qt::LeftButton);
        QTest::keyClicks(get("Text7_1"), QStringLiteral("Lamp"));
        QCOMPARE(s->table().rows[1].title, QStringLiteral("Lamp"));
        s->editCell(1, Column::Price, QStringLiteral("5.00"));
        QCOMPARE(shown(f, "Text19_1"), QStringLiteral("5.00"));
        press(f, "Option1");
        QCOMPARE(shownAll({"Label7", "Label6", "Label9", "Text19_1", "Text7_1"}),
                 QStringLiteral("Time Left|Start Price|Bids||Lamp"));
        QVERIFY(get("Text19_1")->isVisible());
        QCOMPARE(signIn.count(), 1);
    }

    void rowGesturesAndSelection_data() { addTableRows({"main_window/data/gestures.tsv"}); }

    void rowGesturesAndSelection()
    {
        QFETCH(QString, gesture);
        QFETCH(QString, command);
        const QStringList titles = QStringLiteral("Lamp,Vase,Vase,Lamp,vase,,Vase").split(u',');
        for (int i = 0; i < titles.size(); ++i) {
            s->editCell(i, Column::Auction, QString::number(4000 + i));
            s->editCell(i, Column::Title, titles[i]);
            s->editCell(i, Column::Visits, QString::number(i + 1));
        }
        s->setChecked(0, true);
        QString chosen = QStringLiteral("Lamp|4000");
        if (!gesture.isEmpty()) {
            const int row = gesture.mid(1).toInt();
            if (gesture[0] == u'd')
                QTest::mouseDClick(get(QStringLiteral("Text7_%1").arg(row)), Qt::LeftButton);
            else
                QTest::mouseClick(get(QStringLiteral("Check1_%1").arg(row)), Qt::RightButton);
            QTRY_VERIFY(get("mnuSelect")->isVisible());
            get("mnuSelect")->close();
            QCOMPARE(shown(f, "Label14"), QString::number(row));
            QVERIFY2(get<QCheckBox>("Check1_0")->isChecked(), "a right click keeps the box");
            chosen = titles[row] + QStringLiteral("|%1").arg(4000 + row);
            // View Auction opens the number the gesture recorded.
            s->editCell(row, Column::Auction, QStringLiteral("999"));
            press(f, "mnuAuction");
            QCOMPARE(urls.takeLast(), Links::itemView(OptionsStore::texts().soldBefore[8],
                                                      QString::number(4000 + row)));
        }
        press(f, command);
        QTEST(checkedRows(), "checked");
        QCOMPARE(shownAll({"Label13", "Label10"}), chosen);
        // The totals follow the boxes.
        const SelectionTotals totals = s->table().selectionTotals();
        QCOMPARE(shownAll({"Text13", "Text14", "Text15"}),
                 QStringList({totals.auctions, totals.visits, totals.average}).join(u'|'));
    }

    // Enter presses Start Search once the User ID copy changed; Stop calls the start off.
    void startAndStop()
    {
        QSignalSpy started(f, &Form1::scanStarted);
        s->Timer5->setInterval(60000);
        s->setUserIdCopy(QStringLiteral("someone"));
        keyInUserId(Qt::Key_Return);
        QCOMPARE(shown(f, "Text11"), QStringLiteral("Loading ...."));
        QVERIFY(!get("Command1")->isEnabled());
        // The transfer's states reach the field.
        emit s->Inet1->StateChanged(Inet::icResponseReceived);
        QCOMPARE(shown(f, "Text11"), QStringLiteral("Receiving..."));
        QTest::mouseClick(get("Command5"), Qt::LeftButton);
        QCOMPARE(shown(f, "Text11"), QStringLiteral("Stopped"));
        QVERIFY(get("Command1")->isEnabled());
        QCOMPARE(base(get("Text11")), f->windowBackground());
        QVERIFY(!s->Timer5->isActive());
        QCOMPARE(started.count(), 0);
    }

    // About, Auto Compare, View Auction without a number; last (boxes are real here) Exit.
    void otherWindowsAndExit()
    {
        press(f, "mnuAbout");
        QPointer<frmSplashCopyright> about = m_shell->splash();
        QTest::qWait(100);
        QVERIFY(about && about->isVisible());
        QVERIFY(!about->Timer1->isActive());
        QTest::mouseClick(about->cmdOK1, Qt::LeftButton);
        QVERIFY(!about->isVisible());

        get<QLineEdit>("Text11")->setText(ScanSession::taskComplete()); // as a scan ends
        press(f, "Command10");
        QPointer<Form6> autoCompare = Form6::current();
        autoCompare->Text1[0]->setText(QStringLiteral("typed"));
        press(f, "Command10");
        QCOMPARE(Form6::current(), autoCompare.data()); // one at a time
        autoCompare->close();
        QTRY_VERIFY(!autoCompare);
        press(f, "Command10");
        QVERIFY(Form6::current()->Text1[0]->text().isEmpty()); // a new one
        autoCompare = Form6::current();

        s->chooseRow(3); // a chosen row without a number
        press(f, "mnuAuction");
        QCOMPARE(m_messages.texts, QStringList{NoNumber});
        // Text cut out of a page stays an auction number in the query.
        for (const char* number : {"1100#top", "../../x?y=1", "evil.example@1100", "1&item=6 x"}) {
            const QUrl url = Links::itemView(QStringLiteral("https://Cgi.Example.com:8443/x"),
                                             QLatin1String(number));
            QCOMPARE(url.toString(QUrl::RemoveQuery),
                     QStringLiteral("https://cgi.example.com:8443/ws/eBayISAPI.dll"));
            QCOMPARE(url.query(QUrl::FullyDecoded),
                     QStringLiteral("ViewItem&rd=1&item=") + QLatin1String(number));
        }

        const QString before = OptionsStore::texts().activeBefore[0];
        press(f, "mnuoptions");
        QTest::keyClicks(OptionsStore::form()->RichTextBox1[0], QStringLiteral("edited"));
        get<QComboBox>("Combo1")->setEditText(QStringLiteral("demoseller")); // no instructions
        Messages::setRecorder({});
        bool returned = false;
        QTimer::singleShot(0, f, [&] {
            QTimer::singleShot(100, f, [&] { press(f, "mnuexit"); });
            Messages::show(f, QStringLiteral("Waiting"));
            returned = true;
        });
        QTRY_VERIFY2(returned, "the message box was not closed with the window");
        QTRY_VERIFY(!autoCompare);
        QVERIFY(!f->isVisible());
        QVERIFY2(!OptionsStore::isLoaded(), "the Options edits are dropped");
        QCOMPARE(OptionsStore::texts().activeBefore[0], before); // read from the file again
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
