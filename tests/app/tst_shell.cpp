// Start-up, the instructions message, About, the links that lead out of the
// program and Exit, with the real windows.
#include "app/Links.h"
#include "base/Messages.h"
#include "app/Shell.h"
#include "app/frmSplashCopyright.h"
#include "main_window/Form1.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "options/RtfCodec.h"

#include "TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QUrlQuery>
#include <QWindow>
#include <QtTest>

// Catches what would go to the desktop's browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
    Q_INVOKABLE void open(const QUrl& url) { urls.append(url); }
};

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void splashThenMainWindow();
    void continueOnlyHidesSplash_data();
    void continueOnlyHidesSplash();
    void loadOrderAndTryLimit();
    void instructionsWithEmptyField();
    void noInstructionsWithSavedUser();
    void aboutThenContinue();
    void links();
    void viewAuction_data();
    void viewAuction();
    void exitDiscardsOptionsEdits();
    void exitWithMessageBoxOpen();

private:
    void writeOption(const QString& name, const QString& text);
    Form1* startToMainWindow();

    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<Shell> m_shell;
    UrlCatcher m_catcher;
};

void TestShell::initTestCase()
{
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_catcher, "open");
}

void TestShell::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void TestShell::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    OptionsStore::discard();
    OptionsStore::setCounterTryLimit(2);
    m_catcher.urls.clear();
}

void TestShell::cleanup()
{
    m_shell.reset();
    OptionsStore::discard();
    m_messages.reset();
    m_folder.reset();
    QDir::setCurrent(QDir::tempPath());
}

void TestShell::writeOption(const QString& name, const QString& text)
{
    QFile file(m_folder->file(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(RtfCodec::write(text));
}

Form1* TestShell::startToMainWindow()
{
    m_shell = std::make_unique<Shell>();
    QSignalSpy shown(m_shell.get(), &Shell::mainWindowShown);
    m_shell->start();
    m_shell->splash()->Timer1->setInterval(50);
    m_shell->splash()->Timer1->start();
    if (!shown.wait(5000))
        return nullptr;
    return m_shell->mainWindow();
}

void TestShell::splashThenMainWindow()
{
    m_shell = std::make_unique<Shell>();
    m_shell->start();
    QPointer<frmSplashCopyright> splash = m_shell->splash();
    QVERIFY(splash->isVisible());
    QCOMPARE(splash->Timer1->interval(), 2000);
    QVERIFY(splash->Timer1->isActive());
    QCOMPARE(splash->cmdOK1->text(), QStringLiteral("Continue"));
    QCOMPARE(splash->imgLogo->toolTip(), QStringLiteral("Don't Ever Click Here!)"));
    QVERIFY(!splash->imgLogo->pixmap().isNull());
    QVERIFY(!m_shell->mainWindow());
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(m_shell->mainWindow(), 5000);
    QVERIFY(clock.elapsed() >= 1500);
    QVERIFY(m_shell->mainWindow()->isVisible());
    QTRY_VERIFY(!splash); // closed and gone
}

void TestShell::continueOnlyHidesSplash_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Continue") << false;
    QTest::newRow("title bar's close button") << true;
}

void TestShell::continueOnlyHidesSplash()
{
    QFETCH(bool, closeBox);
    m_shell = std::make_unique<Shell>();
    QSignalSpy shown(m_shell.get(), &Shell::mainWindowShown);
    m_shell->start();
    m_shell->splash()->Timer1->setInterval(300);
    m_shell->splash()->Timer1->start();
    QVERIFY(QTest::qWaitForWindowExposed(m_shell->splash()));
    if (closeBox) {
        QCloseEvent close; // as the window system sends it
        QCoreApplication::sendEvent(m_shell->splash()->windowHandle(), &close);
        QVERIFY(!close.isAccepted()); // a closed last window would end the program
    } else {
        QTest::mouseClick(m_shell->splash()->cmdOK1, Qt::LeftButton);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_shell->splash() && !m_shell->splash()->isVisible());
    QVERIFY(!m_shell->mainWindow());
    QVERIFY(shown.wait(5000)); // the main window still comes at the tick
}

void TestShell::loadOrderAndTryLimit()
{
    writeOption(QStringLiteral("Options.rtf"), QStringLiteral("6.5"));
    QDir::setCurrent(QDir::rootPath());
    Form1* f = startToMainWindow();
    QVERIFY(f);
    QCOMPARE(QDir::currentPath(), QDir(m_folder->path()).canonicalPath());
    QVERIFY(OptionsStore::isLoaded());
    QVERIFY(!OptionsStore::form()->isVisible());
    QCOMPARE(OptionsStore::counterTryLimit(), qint16(6)); // half to even
    QCOMPARE(f->defaultButton(), f->Command1);
}

void TestShell::instructionsWithEmptyField()
{
    Form1* f = startToMainWindow();
    QVERIFY(f);
    QVERIFY(QTest::qWaitForWindowActive(f));
    QTRY_COMPARE(m_messages->texts.size(), 1);
    QCOMPARE(m_messages->texts[0],
             QStringLiteral("To Start:\r\n\r\n1. Input a UserID.\r\n\r\n"
                            "2. Select Active or Sold\r\n\r\n3. Select Start"));
    // Back from the User ID list or the row menu: not a window one returns from.
    f->Combo1->addItem(QStringLiteral(""));
    f->Combo1->showPopup();
    QTest::qWait(50);
    f->Combo1->hidePopup();
    f->rowGesture(0);
    QTest::qWait(50);
    f->mnuSelect->close();
    QTRY_VERIFY(f->isActiveWindow());
    QTest::qWait(50);
    QCOMPARE(m_messages->texts.size(), 1);
    // Back from the Options window: shown again.
    OptionsStore::showWindow();
    QWidget* options = OptionsStore::form();
    options->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(options));
    f->activateWindow();
    QTRY_COMPARE(m_messages->texts.size(), 2);
    // With a User ID typed, returning shows nothing.
    f->Combo1->setEditText(QStringLiteral("demoseller"));
    options->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(options));
    f->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f));
    QTest::qWait(50);
    QCOMPARE(m_messages->texts.size(), 2);
}

void TestShell::noInstructionsWithSavedUser()
{
    writeOption(QStringLiteral("User.rtf"), QStringLiteral("demoseller,bigattic,"));
    Form1* f = startToMainWindow();
    QVERIFY(f);
    QVERIFY(QTest::qWaitForWindowActive(f));
    QTest::qWait(50);
    QCOMPARE(f->Combo1->currentText(), QStringLiteral("demoseller"));
    QVERIFY(m_messages->texts.isEmpty());
}

void TestShell::aboutThenContinue()
{
    Form1* f = startToMainWindow();
    QVERIFY(f);
    f->Text7[0]->setText(QStringLiteral("kept"));
    f->mnuAbout->trigger();
    frmSplashCopyright* about = m_shell->splash();
    QVERIFY(about && about->isVisible());
    QVERIFY(!about->Timer1->isActive());
    QTest::qWait(100);
    QVERIFY(about->isVisible());
    QTest::mouseClick(about->cmdOK1, Qt::LeftButton);
    QVERIFY(!about->isVisible());
    QVERIFY(f->isVisible());
    QCOMPARE(f->Text7[0]->text(), QStringLiteral("kept"));
}

void TestShell::links()
{
    Form1* f = startToMainWindow();
    QVERIFY(f);
    f->mnuWebsite->trigger();
    f->mnuDonate->trigger();
    QCOMPARE(m_catcher.urls, (QList<QUrl>{Links::website(), Links::donations()}));
    // Only web addresses are ever handed on.
    QVERIFY(!Links::openInBrowser(QUrl(QStringLiteral("file:///etc/passwd"))));
    QVERIFY(!Links::openInBrowser(QUrl(QStringLiteral("javascript:alert(1)"))));
    QCOMPARE(m_catcher.urls.size(), 2);
}

void TestShell::viewAuction_data()
{
    QTest::addColumn<QString>("auction");
    QTest::newRow("number") << "110042318817";
    QTest::newRow("javascript") << "javascript:alert(1)";
    QTest::newRow("dot dot") << "../../admin?x=1";
    QTest::newRow("spaces") << "1100 4231 8817";
    QTest::newRow("fragment") << "1100#top";
    QTest::newRow("userinfo") << "evil.example@1100";
    QTest::newRow("ampersand") << "1100&item=666";
}

void TestShell::viewAuction()
{
    QFETCH(QString, auction);
    Form1* f = startToMainWindow();
    QVERIFY(f);
    // No row chosen, or a chosen row without a number: the message.
    f->mnuAuction->trigger();
    f->Text1[3]->setText(QString());
    f->Label14->setText(QStringLiteral("3"));
    f->mnuAuction->trigger();
    QCOMPARE(m_messages->texts.count(QStringLiteral("No Auction Number Available")), 2);
    QVERIFY(m_catcher.urls.isEmpty());

    f->Text1[3]->setText(auction);
    f->Text7[3]->setText(QStringLiteral("Anything"));
    QTest::mouseDClick(f->Text7[3], Qt::LeftButton);
    f->mnuSelect->close();
    // The number recorded by the gesture counts, even after the cell changes.
    f->Text1[3]->setText(QStringLiteral("999"));
    f->mnuAuction->trigger();
    QCOMPARE(m_catcher.urls.size(), 1);
    const QUrl url = m_catcher.urls[0];
    const QUrl item(OptionsStore::before(MarkerTable::Sold, 8));
    QCOMPARE(url.scheme(), item.scheme());
    QCOMPARE(url.host(), item.host());
    QCOMPARE(url.port(), item.port());
    QCOMPARE(url.path(), QStringLiteral("/ws/eBayISAPI.dll"));
    QVERIFY(url.fragment().isNull());
    QVERIFY(url.userInfo().isEmpty());
    const QString query = url.query(QUrl::FullyEncoded);
    QVERIFY(query.startsWith(QStringLiteral("ViewItem&rd=1&item=")));
    QCOMPARE(QUrl::fromPercentEncoding(query.mid(19).toLatin1()), auction);
}

void TestShell::exitDiscardsOptionsEdits()
{
    Form1* f = startToMainWindow();
    QVERIFY(f);
    const QByteArray before = [&] {
        QFile file(m_folder->file(QStringLiteral("Config10.rtf")));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    f->mnuoptions->trigger();
    QVERIFY(OptionsStore::form()->isVisible());
    OptionsStore::form()->RichTextBox1[0]->setFocus();
    QTest::keyClicks(OptionsStore::form()->RichTextBox1[0], QStringLiteral("edited"));
    QSignalSpy closing(f, &Form1::closing);
    QTest::mouseClick(f->Command3, Qt::LeftButton);
    QCOMPARE(closing.count(), 1);
    QVERIFY(!f->isVisible());
    QVERIFY(!OptionsStore::isLoaded());
    QFile file(m_folder->file(QStringLiteral("Config10.rtf")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestShell::exitWithMessageBoxOpen()
{
    Form1* f = startToMainWindow();
    QVERIFY(f);
    QVERIFY(QTest::qWaitForWindowActive(f));
    f->Combo1->setEditText(QStringLiteral("demoseller")); // no start instructions
    m_messages.reset();                                   // real message boxes from here on
    QSignalSpy closing(f, &Form1::closing);
    bool returned = false;
    QTimer::singleShot(0, f, [&] {
        QTimer::singleShot(100, f, [&] { f->mnuexit->trigger(); });
        Messages::show(f, QStringLiteral("Waiting"));
        returned = true;
    });
    QTRY_VERIFY(returned); // the box went with the window
    QCOMPARE(closing.count(), 1);
    QVERIFY(!f->isVisible());
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
