// Start-up, About, the links that lead out of the program and Exit, with the
// real windows.
#include "app/Links.h"
#include "app/Shell.h"
#include "base/Messages.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "options/RtfCodec.h"

#include "TestSupport.h"

#include <QtTest>
#include <QtWidgets>

class TestShell : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls; // what went to the desktop's browser
    Q_INVOKABLE void open(const QUrl& url) { urls.append(url); }

private:
    TempProgramFolder m_folder;
    MessageRecorder m_messages;
    std::unique_ptr<Shell> m_shell;

    Form1* f = nullptr; // the main window, through a short splash before each test

private slots:
    void initTestCase()
    {
        for (const QString scheme : {"http", "https", "ftp"})
            QDesktopServices::setUrlHandler(scheme, this, "open");
        QFile options(m_folder.file(QStringLiteral("Options.rtf")));
        QVERIFY(options.open(QIODevice::WriteOnly) && options.write(RtfCodec::write(QStringLiteral("6.5"))));
        QDir::setCurrent(QDir::rootPath());
    }

    void init()
    {
        m_shell.reset();
        OptionsStore::discard();
        m_messages.texts.clear();
        m_shell = std::make_unique<Shell>();
        m_shell->start();
        if (QTest::currentTestFunction() == QByteArrayLiteral("splashUntilItsTick"))
            return;
        m_shell->splash()->Timer1->start(50);
        QTRY_VERIFY((f = m_shell->mainWindow()) != nullptr);
    }

    void splashUntilItsTick_data()
    {
        QTest::addColumn<int>("action"); // 0: none, 1: Continue, 2: the title bar's close button
        QTest::newRow("left alone") << 0;
        QTest::newRow("Continue") << 1;
        QTest::newRow("close button") << 2;
    }

    void splashUntilItsTick()
    {
        QFETCH(int, action);
        QPointer<frmSplashCopyright> splash = m_shell->splash();
        QCOMPARE(splash->Timer1->interval(), 2000);
        splash->Timer1->start(300);
        QCloseEvent close; // as the window system sends it
        if (action == 1)
            QTest::mouseClick(splash->cmdOK1, Qt::LeftButton);
        else if (action == 2)
            QCoreApplication::sendEvent(splash->windowHandle(), &close);
        QVERIFY(action != 2 || !close.isAccepted()); // closing the only window ends the program
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(splash && splash->isVisible() == (action == 0) && !m_shell->mainWindow());
        QTRY_VERIFY(m_shell->mainWindow() && m_shell->mainWindow()->isVisible());
        QVERIFY(!splash); // closed at the tick
    }

    void startUp()
    {
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

    void helpMenuAndViewAuction()
    {
        f->mnuAbout->trigger();
        frmSplashCopyright* about = m_shell->splash();
        QTest::qWait(100);
        QVERIFY(about && about->isVisible() && !about->Timer1->isActive());
        QTest::mouseClick(about->cmdOK1, Qt::LeftButton);
        QVERIFY(!about->isVisible() && f->isVisible());
        f->mnuWebsite->trigger();
        f->mnuDonate->trigger();
        QVERIFY(!Links::openInBrowser(QUrl(QStringLiteral("ftp://quillmere.example/"))));
        // View Auction: no row chosen, then a chosen row without a number.
        f->mnuAuction->trigger();
        f->Label14->setText(QStringLiteral("3"));
        f->Text1[3]->setText(QString());
        f->mnuAuction->trigger();
        QCOMPARE(m_messages.texts.count(QStringLiteral("No Auction Number Available")), 2);
        // The number the row gesture recorded counts, even after the cell changes.
        f->Text1[3]->setText(QStringLiteral("110042318817"));
        QTest::mouseDClick(f->Text7[3], Qt::LeftButton);
        f->mnuSelect->close();
        f->Text1[3]->setText(QStringLiteral("999"));
        f->mnuAuction->trigger();
        const QUrl item = Links::itemView(OptionsStore::before(MarkerTable::Sold, 8), QStringLiteral("110042318817"));
        QCOMPARE(urls, (QList<QUrl>{Links::website(), Links::donations(), item}));
    }

    // Text cut out of a page can never change where View Auction leads.
    void itemViewStaysOnTheSite()
    {
        for (const QString auction : {"1100#top", "../../x?y=1", "evil.example@1100", "1&item=6 x"}) {
            const QUrl url = Links::itemView(QStringLiteral("https://Cgi.Example.com:8443/x"), auction);
            QCOMPARE(url.toString(QUrl::RemoveQuery), QStringLiteral("https://cgi.example.com:8443/ws/eBayISAPI.dll"));
            QCOMPARE(QUrl::fromPercentEncoding(url.query(QUrl::FullyEncoded).toLatin1()),
                     QStringLiteral("ViewItem&rd=1&item=") + auction);
        }
    }

    // Exit drops the Options edits and the message box on the window. Last: boxes are real here.
    void exitSavesNothingAndEndsBoxes()
    {
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
        QTRY_VERIFY(returned);
        QVERIFY(!f->isVisible() && !OptionsStore::isLoaded());
        QCOMPARE(OptionsStore::before(MarkerTable::Active, 0), before); // read from the file again
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
