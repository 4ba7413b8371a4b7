// The sign-in window with its real browser against the demo auction site
// process, and the downloader fetching with the session signed in there.
#include "base/Twips.h"
#include "options/OptionsStore.h"
#include "scan/Form2.h"
#include "transfer/Inet.h"

#include "DemoSiteProcess.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDirIterator>
#include <QLabel>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QtTest>

#include <memory>

namespace {

const QString SignInTarget = QStringLiteral("/ws/eBayISAPI.dll?MyeBay&pageType=1883");
constexpr int LoadTimeout = 30000;

bool jarSends(QNetworkCookieJar* jar, const QUrl& url, const QByteArray& name,
              const QByteArray& value = QByteArray())
{
    for (const QNetworkCookie& cookie : jar->cookiesForUrl(url)) {
        if (cookie.name() == name && (value.isEmpty() || cookie.value() == value))
            return true;
    }
    return false;
}

} // namespace

class TestSignIn : public QObject
{
    Q_OBJECT
public:
    explicit TestSignIn(const QString& home) : m_home(home) {}

private slots:
    void init();
    void cleanup();
    void signInUrl_data();
    void signInUrl();
    void layout();
    void continueWaitsForFirstDocument_data();
    void continueWaitsForFirstDocument();
    void reloadDisablesContinue_data();
    void reloadDisablesContinue();
    void showingAgainOnlyRaises();
    void leavingTheWindow_data();
    void leavingTheWindow();
    void signInReachesDownloader();
    void cookieChangesReachJar_data();
    void cookieChangesReachJar();
    void overwrittenCookieKeepsNewValue();
    // Last: looks at what the whole run left on disk.
    void nothingWrittenToDisk();

private:
    bool startSite(const QStringList& arguments = {});
    Form2* showSignIn();
    int signInPageLoads() const;

    QString m_home;
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<DemoSiteProcess> m_site;
    std::unique_ptr<QWidget> m_main;
    std::unique_ptr<Inet> m_inet;
    int m_starts = 0;
    bool m_windowGoneAtStart = false;
};

void TestSignIn::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
    m_main = std::make_unique<QWidget>();
    m_main->show();
    m_inet = std::make_unique<Inet>();
    m_starts = 0;
    m_windowGoneAtStart = false;
}

void TestSignIn::cleanup()
{
    m_main.reset(); // takes an open sign-in window with it
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!Form2::instance());
    m_inet.reset();
    Form2::profile()->cookieStore()->deleteAllCookies();
    OptionsStore::discard();
    m_site.reset();
    m_folder.reset();
}

bool TestSignIn::startSite(const QStringList& arguments)
{
    m_site = std::make_unique<DemoSiteProcess>(arguments);
    OptionsStore::discard();
    return m_site->isRunning() && m_site->pointOptionsAt(*m_folder);
}

Form2* TestSignIn::showSignIn()
{
    return Form2::showSignIn(m_main.get(), m_inet.get(), [this] {
        ++m_starts;
        m_windowGoneAtStart = !Form2::instance() && !m_main->findChild<Form2*>() &&
                              !m_main->findChild<QWebEngineView*>();
    });
}

int TestSignIn::signInPageLoads() const
{
    return int(m_site->requestedPaths().count(SignInTarget));
}

void TestSignIn::signInUrl_data()
{
    QTest::addColumn<QString>("soldAddress");
    QTest::addColumn<QString>("expected");

    const QString fallback = QStringLiteral("http://my.ebay.com") + SignInTarget;
    QTest::newRow("demo site") << "http://127.0.0.1:8765/sold"
                               << QStringLiteral("http://127.0.0.1:8765") + SignInTarget;
    QTest::newRow("https, path and query dropped")
        << "https://k2b-bulk.ebay.com/ws/eBayISAPI.dll?SalesRecordConsole&status=PaidAndShipped"
        << QStringLiteral("https://k2b-bulk.ebay.com") + SignInTarget;
    QTest::newRow("capitals and blanks around")
        << "  HTTP://My.Example.COM/sold\r\n"
        << QStringLiteral("http://my.example.com") + SignInTarget;
    QTest::newRow("ipv6") << "http://[::1]:9000/sold"
                          << QStringLiteral("http://[::1]:9000") + SignInTarget;
    QTest::newRow("empty") << "" << fallback;
    QTest::newRow("no scheme") << "127.0.0.1:8765/sold" << fallback;
    QTest::newRow("file") << "file:///etc/passwd" << fallback;
    QTest::newRow("no host") << "http:///sold" << fallback;
}

void TestSignIn::signInUrl()
{
    QFETCH(QString, soldAddress);
    QFETCH(QString, expected);
    QCOMPARE(Form2::signInUrlFor(soldAddress).toString(QUrl::FullyEncoded), expected);
}

void TestSignIn::layout()
{
    QVERIFY(startSite());
    Form2* form = showSignIn();
    QCOMPARE(form->objectName(), QStringLiteral("Form2"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Sign In ...."));
    QVERIFY(form->isWindow());
    QVERIFY(form->isVisible());
    QCOMPARE(form->windowModality(), Qt::NonModal);
    QCOMPARE(form->size(), QSize(tw(13650), tw(9495)));

    struct Control
    {
        const char* name;
        const char* text;
        QRect twips;
    };
    const Control controls[] = {
        {"Label1",
         "Note: It is required to log into your myebayauction account to view sold items.",
         {240, 60, 5445, 195}},
        {"Label2",
         "Click \"Continue\" when myebayauction page is finished loading.",
         {240, 360, 4455, 195}},
        {"Command1", "Continue", {7440, 60, 1215, 495}},
        {"Command2", "Reload", {8700, 60, 1215, 495}},
        {"WebBrowser1", nullptr, {180, 660, 13215, 8115}},
    };
    const int buttonsLeft = form->Command1->x();
    for (const Control& c : controls) {
        auto* w = form->findChild<QWidget*>(QString::fromLatin1(c.name));
        QVERIFY2(w, c.name);
        const QRect given(tw(c.twips.x()), tw(c.twips.y()), tw(c.twips.width()),
                          tw(c.twips.height()));
        auto* label = qobject_cast<QLabel*>(w);
        if (!label) {
            QCOMPARE(w->geometry(), given);
        } else {
            // A note may grow past its width so that its text is not cut off,
            // but never under the buttons.
            QCOMPARE(w->pos(), given.topLeft());
            QCOMPARE(w->height(), given.height());
            QVERIFY(w->width() >= given.width());
            QVERIFY(w->width() >= qMin(label->sizeHint().width(), buttonsLeft - w->x() - tw(60)));
            QVERIFY(w->geometry().right() < buttonsLeft);
        }
        if (label)
            QCOMPARE(label->text(), QString::fromLatin1(c.text));
        else if (auto* button = qobject_cast<QPushButton*>(w))
            QCOMPARE(button->text(), QString::fromLatin1(c.text));
        else
            QVERIFY(qobject_cast<QWebEngineView*>(w));
    }
    QCOMPARE(form->WebBrowser1->page()->profile(), Form2::profile());
}

void TestSignIn::continueWaitsForFirstDocument_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("siteUp");

    QTest::newRow("page served") << 0 << true;
    QTest::newRow("slow site") << 1500 << true;
    // An error page completes a document too; Reload is the way to try again.
    QTest::newRow("nothing listening") << 0 << false;
}

void TestSignIn::continueWaitsForFirstDocument()
{
    QFETCH(int, delayMs);
    QFETCH(bool, siteUp);
    QVERIFY(startSite({QStringLiteral("--delay-ms"), QString::number(delayMs)}));
    const QUrl expected = QUrl(m_site->baseUrl() + SignInTarget);
    if (!siteUp)
        m_site.reset(); // its port stays in the options, with nobody behind it

    Form2* form = showSignIn();
    QVERIFY(!form->Command1->isEnabled());
    QVERIFY(form->Command2->isEnabled());
    if (delayMs > 0) {
        QTest::qWait(delayMs / 2);
        QVERIFY(!form->Command1->isEnabled());
    }
    QTRY_VERIFY_WITH_TIMEOUT(form->Command1->isEnabled(), LoadTimeout);
    QCOMPARE(form->WebBrowser1->url(), expected);
    if (siteUp) {
        QCOMPARE(signInPageLoads(), 1);
        QVERIFY(form->WebBrowser1->title().startsWith(QStringLiteral("Sign in")));
    }
}

void TestSignIn::reloadDisablesContinue_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("waitForFirstLoad");

    QTest::newRow("after the page loaded") << 0 << true;
    // The load that Reload cuts short must not count as complete.
    QTest::newRow("while the page loads") << 1500 << false;
}

void TestSignIn::reloadDisablesContinue()
{
    QFETCH(int, delayMs);
    QFETCH(bool, waitForFirstLoad);
    QVERIFY(startSite({QStringLiteral("--delay-ms"), QString::number(delayMs)}));

    Form2* form = showSignIn();
    if (waitForFirstLoad)
        QTRY_VERIFY_WITH_TIMEOUT(form->Command1->isEnabled(), LoadTimeout);
    else
        QTRY_COMPARE_WITH_TIMEOUT(signInPageLoads(), 1, LoadTimeout);

    QTest::mouseClick(form->Command2, Qt::LeftButton);
    QVERIFY(!form->Command1->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(signInPageLoads(), 2, LoadTimeout);
    if (delayMs > 0) {
        QTest::qWait(delayMs / 2);
        QVERIFY(!form->Command1->isEnabled());
    }
    QTRY_VERIFY_WITH_TIMEOUT(form->Command1->isEnabled(), LoadTimeout);
    QCOMPARE(Form2::instance(), form);
}

void TestSignIn::showingAgainOnlyRaises()
{
    QVERIFY(startSite());
    Form2* form = showSignIn();
    QTRY_VERIFY_WITH_TIMEOUT(form->Command1->isEnabled(), LoadTimeout);

    form->hide(); // behind other windows, as far as offscreen goes
    QCOMPARE(showSignIn(), form);
    QVERIFY(form->isVisible());
    QVERIFY(form->Command1->isEnabled());
    QTest::qWait(500);
    QCOMPARE(signInPageLoads(), 1);
    QVERIFY(form->Command1->isEnabled());
    QCOMPARE(m_main->findChildren<Form2*>().size(), 1);
}

void TestSignIn::leavingTheWindow_data()
{
    QTest::addColumn<bool>("pressContinue");
    QTest::newRow("Continue") << true;
    QTest::newRow("close box") << false;
}

void TestSignIn::leavingTheWindow()
{
    QFETCH(bool, pressContinue);
    QVERIFY(startSite());
    QPointer<Form2> form = showSignIn();
    QTRY_VERIFY_WITH_TIMEOUT(form->Command1->isEnabled(), LoadTimeout);
    QPointer<QWebEngineView> browser = form->WebBrowser1;

    if (pressContinue)
        QTest::mouseClick(form->Command1, Qt::LeftButton);
    else
        form->close();
    QVERIFY(!form || !form->isVisible());
    QVERIFY(!Form2::instance());
    QCOMPARE(m_starts, 0); // never from inside the click
    QTRY_VERIFY(!form);
    QVERIFY(!browser);
    QTest::qWait(100);
    QCOMPARE(m_starts, pressContinue ? 1 : 0);
    QCOMPARE(m_windowGoneAtStart, pressContinue);

    // A later Show loads a fresh window.
    Form2* fresh = showSignIn();
    QVERIFY(!fresh->Command1->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(signInPageLoads(), 2, LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(fresh->Command1->isEnabled(), LoadTimeout);
    QCOMPARE(m_starts, pressContinue ? 1 : 0);
}

void TestSignIn::signInReachesDownloader()
{
    QVERIFY(startSite());
    const QString soldAddress = OptionsStore::before(MarkerTable::Sold, 7);
    QCOMPARE(soldAddress, m_site->baseUrl() + QStringLiteral("/sold"));
    const QString before = m_inet->OpenURL(soldAddress);
    QVERIFY(before.contains(QStringLiteral("Please sign in")));
    QVERIFY(!before.contains(QStringLiteral("<tr id=\"sold_")));

    Form2* form = showSignIn();
    QTRY_VERIFY_WITH_TIMEOUT(form->Command1->isEnabled(), LoadTimeout);
    form->WebBrowser1->page()->runJavaScript(
        QStringLiteral("document.getElementById('userid').value = 'demo';"
                       "document.getElementById('pass').value = 'demo';"
                       "document.getElementById('sgnBt').click();"));
    QTRY_VERIFY_WITH_TIMEOUT(form->WebBrowser1->title().startsWith(QStringLiteral("My eBay: Sold")),
                             LoadTimeout);
    QVERIFY(form->Command1->isEnabled());
    QTRY_VERIFY(jarSends(m_inet->cookieJar(), QUrl(soldAddress), "demo_session"));

    const QString after = m_inet->OpenURL(soldAddress);
    QCOMPARE(after.count(QStringLiteral("<tr id=\"sold_")), 12);
    const QStringList soldFetches =
        m_site->logLines().filter(QRegularExpression(QStringLiteral("^request GET /sold ")));
    QCOMPARE(soldFetches.size(), 2);
    QVERIFY(soldFetches.last().contains(QStringLiteral(" cookie=yes ")));

    // Signing out in the browser ends the downloader's session too.
    form->WebBrowser1->setUrl(QUrl(m_site->baseUrl() + QStringLiteral("/signout")));
    QTRY_VERIFY_WITH_TIMEOUT(form->WebBrowser1->title().startsWith(QStringLiteral("Sign in")),
                             LoadTimeout);
    QTRY_VERIFY(!jarSends(m_inet->cookieJar(), QUrl(soldAddress), "demo_session"));
    QVERIFY(!m_inet->OpenURL(soldAddress).contains(QStringLiteral("<tr id=\"sold_")));
}

void TestSignIn::cookieChangesReachJar_data()
{
    QTest::addColumn<QString>("origin");
    QTest::addColumn<QByteArray>("setCookie");
    QTest::addColumn<QString>("sentTo");
    QTest::addColumn<QString>("notSentTo");

    QTest::newRow("host only") << "http://127.0.0.1:8765/" << QByteArray("qm=1; Path=/")
                               << "http://127.0.0.1:9/sold"
                               << "http://127.0.0.2:8765/";
    QTest::newRow("domain") << "http://signin.quillmere.test/"
                            << QByteArray("qm=1; Domain=quillmere.test; Path=/")
                            << "http://www.quillmere.test/sold"
                            << "http://quillmere.example/";
    QTest::newRow("secure") << "https://signin.quillmere.test/"
                            << QByteArray("qm=1; Secure; HttpOnly")
                            << "https://signin.quillmere.test/"
                            << "http://signin.quillmere.test/";
}

void TestSignIn::cookieChangesReachJar()
{
    QFETCH(QString, origin);
    QFETCH(QByteArray, setCookie);
    QFETCH(QString, sentTo);
    QFETCH(QString, notSentTo);
    Form2::shareCookiesWith(m_inet->cookieJar());
    QWebEngineCookieStore* store = Form2::profile()->cookieStore();
    QNetworkCookieJar* jar = m_inet->cookieJar();

    const QList<QNetworkCookie> parsed = QNetworkCookie::parseCookies(setCookie);
    QCOMPARE(parsed.size(), 1);
    store->setCookie(parsed.first(), QUrl(origin));
    QTRY_VERIFY(jarSends(jar, QUrl(sentTo), "qm"));
    QVERIFY(!jarSends(jar, QUrl(notSentTo), "qm"));

    store->deleteCookie(parsed.first(), QUrl(sentTo));
    QTRY_VERIFY(!jarSends(jar, QUrl(sentTo), "qm"));
}

void TestSignIn::overwrittenCookieKeepsNewValue()
{
    Form2::shareCookiesWith(m_inet->cookieJar());
    QWebEngineCookieStore* store = Form2::profile()->cookieStore();
    const QUrl origin(QStringLiteral("http://127.0.0.1:8765/"));
    for (const QByteArray value : {"first", "second", "third"})
        store->setCookie(QNetworkCookie("qm", value), origin);
    QTRY_VERIFY(jarSends(m_inet->cookieJar(), origin, "qm", "third"));
    QTest::qWait(200);
    const QList<QNetworkCookie> sent = m_inet->cookieJar()->cookiesForUrl(origin);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().value(), QByteArray("third"));

    // A jar connected later gets what the browser already holds.
    Inet later;
    Form2::shareCookiesWith(later.cookieJar());
    QTRY_VERIFY(jarSends(later.cookieJar(), origin, "qm", "third"));
}

void TestSignIn::nothingWrittenToDisk()
{
    QWebEngineProfile* profile = Form2::profile();
    QVERIFY(profile->isOffTheRecord());
    QCOMPARE(profile->persistentCookiesPolicy(), QWebEngineProfile::NoPersistentCookies);
    QCOMPARE(profile->httpCacheType(), QWebEngineProfile::MemoryHttpCache);

    QStringList written;
    QDirIterator it(m_home, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QLatin1String("QtWebEngine"), Qt::CaseInsensitive) ||
            path.contains(QLatin1String("Cookies")) || path.contains(QLatin1String("Cache")))
            written.append(path);
    }
    QVERIFY2(written.isEmpty(), qPrintable(written.join(QLatin1Char('\n'))));
}

int main(int argc, char* argv[])
{
    // Test environment only: Chromium refuses to run as root with its sandbox.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // A home of its own, to see whether the browser leaves anything there.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral(".local/share"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral(".cache"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestSignIn test(home.path());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_signin.moc"
