// The sign-in window with its real browser against the demo auction site
// process, and its cookies reaching the downloader.
#include "options/OptionsStore.h"
#include "scan/Form2.h"
#include "transfer/Inet.h"

#include "DemoSiteProcess.h"
#include "TestSupport.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWebEngineWidgets>
#include <QtWidgets>

namespace {
// Test machines run as root, where Chromium refuses its sandbox.
const bool noSandbox = qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
const QString SignInTarget = QStringLiteral("/ws/eBayISAPI.dll?MyeBay&pageType=1883");
constexpr int LoadTimeout = 30000;

QList<QByteArray> sent(QNetworkCookieJar* jar, const QString& url) // the jar's "qm" values for url
{
    QList<QByteArray> values;
    for (const QNetworkCookie& cookie : jar->cookiesForUrl(QUrl(url)))
        values << cookie.value();
    return values;
}
} // namespace

class TestSignIn : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempProgramFolder> m_folder; // one per site: its options name the installed port
    std::unique_ptr<DemoSiteProcess> m_site;
    std::unique_ptr<QWidget> m_main;
    std::unique_ptr<Inet> m_inet;
    int m_starts = 0;

    Form2* showSignIn()
    {
        return Form2::showSignIn(m_main.get(), m_inet.get(), [this] {
            ++m_starts;
            QVERIFY(!Form2::instance() && !m_main->findChild<QWebEngineView*>()); // gone first
        });
    }
    int pageLoads() const { return int(m_site->requestedPaths().count(SignInTarget)); }

private slots:
    void init()
    {
        m_main = std::make_unique<QWidget>();
        m_main->show();
        m_inet = std::make_unique<Inet>();
        m_starts = 0;
    }

    void cleanup()
    {
        m_main.reset(); // takes an open sign-in window with it
        QVERIFY(!Form2::instance());
        m_inet.reset();
        Form2::profile()->cookieStore()->deleteAllCookies();
        m_site.reset();
        m_folder.reset();
    }

    void signInUrlFor()
    {
        QCOMPARE(Form2::signInUrlFor(QStringLiteral(" HTTPS://My.Example.COM:8443/sold?x=1#y\r\n")),
                 QUrl(QStringLiteral("https://my.example.com:8443") + SignInTarget));
        for (const char* other : {"file:///etc/passwd", "127.0.0.1:8765/sold", ""})
            QCOMPARE(Form2::signInUrlFor(QString::fromLatin1(other)), QUrl("http://my.ebay.com" + SignInTarget));
    }

    void continueAfterTheDocument_data()
    {
        QTest::addColumn<int>("delayMs"); // -1: nothing listening
        QTest::addColumn<int>("reload");  // 0: none, 1: after the page loaded, 2: while it loads
        QTest::addColumn<bool>("leaveByContinue"); // else by the close box
        QTest::newRow("slow site") << 1500 << 0 << true;
        QTest::newRow("nothing listening") << -1 << 0 << false; // an error page is a document too
        QTest::newRow("Reload after the load") << 0 << 1 << false;
        QTest::newRow("Reload while the page loads") << 1500 << 2 << true; // the cut load counts not
    }

    void continueAfterTheDocument()
    {
        QFETCH(int, delayMs);
        QFETCH(int, reload);
        QFETCH(bool, leaveByContinue);
        m_folder = std::make_unique<TempProgramFolder>();
        m_site = std::make_unique<DemoSiteProcess>(QStringList{"--delay-ms", QString::number(qMax(delayMs, 0))});
        OptionsStore::discard();
        QVERIFY(m_site->isRunning() && m_site->pointOptionsAt(*m_folder));
        const QUrl page(m_site->baseUrl() + SignInTarget);
        if (delayMs < 0)
            m_site.reset(); // its port stays in the options, with nobody behind it
        QPointer<Form2> form = showSignIn();
        QWebEngineProfile* profile = form->WebBrowser1->page()->profile(); // nothing of it kept on disk
        QVERIFY(profile == Form2::profile() && profile->isOffTheRecord() && profile->httpCacheType() == QWebEngineProfile::MemoryHttpCache
                && profile->persistentCookiesPolicy() == QWebEngineProfile::NoPersistentCookies);
        if (reload == 1)
            QTRY_VERIFY_WITH_TIMEOUT(form->Command1->isEnabled(), LoadTimeout);
        if (reload == 2)
            QTRY_COMPARE_WITH_TIMEOUT(pageLoads(), 1, LoadTimeout);
        if (reload) {
            QTest::mouseClick(form->Command2, Qt::LeftButton);
            QVERIFY(!form->Command1->isEnabled());
            QTRY_COMPARE_WITH_TIMEOUT(pageLoads(), 2, LoadTimeout);
        }
        QTest::qWait(qMax(delayMs, 0) / 2);
        QVERIFY(delayMs <= 0 || !form->Command1->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(form->Command1->isEnabled(), LoadTimeout);
        QCOMPARE(form->WebBrowser1->url(), page);
        // Shown again while open: only brought forward, no new load.
        form->hide();
        QCOMPARE(showSignIn(), form.data());
        QTest::qWait(300);
        QVERIFY(form->isVisible() && form->Command1->isEnabled());
        QVERIFY(!m_site || pageLoads() == (reload ? 2 : 1));
        // The search starts after Continue only, once the window is gone.
        leaveByContinue ? form->Command1->click() : void(form->close());
        QVERIFY(!Form2::instance() && m_starts == 0);
        QTRY_VERIFY(!form);
        QTest::qWait(100);
        QCOMPARE(m_starts, int(leaveByContinue));
        QVERIFY(!showSignIn()->Command1->isEnabled()); // a fresh window
    }

    void cookiesReachJar_data()
    {
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QByteArray>("attributes");
        QTest::addColumn<QString>("sentTo");
        QTest::addColumn<QString>("notSentTo");
        const QString site = QStringLiteral("://signin.quillmere.test/");
        QTest::newRow("host only") << "http://127.0.0.1:8765/" << QByteArray("Path=/") << "http://127.0.0.1:9/" << "http://127.0.0.2:8765/";
        QTest::newRow("domain") << "http" + site << QByteArray("Domain=quillmere.test") << "http://x.quillmere.test/" << "http://quillmere.example/";
        QTest::newRow("secure") << "https" + site << QByteArray("Secure; HttpOnly") << "https" + site << "http" + site;
    }

    void cookiesReachJar()
    {
        QFETCH(QString, origin);
        QFETCH(QByteArray, attributes);
        QFETCH(QString, sentTo);
        const auto cookie = [&](const QByteArray& value) {
            return QNetworkCookie::parseCookies("qm=" + value + "; " + attributes).first();
        };
        QNetworkCookieJar* jar = m_inet->cookieJar();
        // The downloader already holds an older value, from the site itself.
        QVERIFY(jar->setCookiesFromUrl({cookie("old")}, QUrl(origin)));
        Form2::shareCookiesWith(jar);
        QWebEngineCookieStore* store = Form2::profile()->cookieStore();
        store->setCookie(cookie("newer"), QUrl(origin));
        store->setCookie(cookie("new"), QUrl(origin));
        QTRY_COMPARE(sent(jar, sentTo), QList<QByteArray>{"new"});
        QFETCH(QString, notSentTo);
        QVERIFY(sent(jar, notSentTo).isEmpty());
        Inet later; // a jar connected later starts with what the browser holds
        Form2::shareCookiesWith(later.cookieJar());
        QCOMPARE(sent(later.cookieJar(), sentTo), QList<QByteArray>{"new"});
        store->deleteCookie(cookie("new"), QUrl(sentTo));
        QTRY_VERIFY(sent(jar, sentTo).isEmpty());
    }
};

QTEST_MAIN(TestSignIn)
#include "tst_signin.moc"
