// The sign-in window with its real browser against the demo auction site
// process, and its cookies reaching the downloader.
#include "options/OptionsStore.h"
#include "signin/Form2.h"
#include "transfer/Inet.h"

#include "DemoSiteProcess.h"
#include "TestSupport.h"

#include <QtTest>
#include <QtWebEngineWidgets>

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
    std::unique_ptr<QWidget> m_main;
    int m_starts = 0;

    Form2* showSignIn()
    {
        return Form2::showSignIn(m_main.get(), nullptr, [this] {
            ++m_starts;
            QVERIFY(!Form2::instance() && !m_main->findChild<QWebEngineView*>()); // gone first
        });
    }

private slots:
    void cleanup()
    {
        m_main.reset(); // takes an open sign-in window with it
        QVERIFY(!Form2::instance());
        Form2::profile()->cookieStore()->deleteAllCookies();
    }

    void signInUrlFor()
    {
        QCOMPARE(Form2::signInUrlFor(QStringLiteral(" HTTPS://My.Example.COM:8443/sold?x=1#y\r\n")),
                 QUrl(QStringLiteral("https://my.example.com:8443") + SignInTarget));
        for (const char* other : {"file:///etc/passwd", "127.0.0.1:8765/sold", ""})
            QCOMPARE(Form2::signInUrlFor(QString::fromLatin1(other)),
                     QUrl(QStringLiteral("http://my.ebay.com") + SignInTarget));
    }

    void continueAfterTheDocument_data() { addTableRows({"signin/data/continue.tsv"}); }

    void continueAfterTheDocument()
    {
        QFETCH(int, delayMs);
        QFETCH(int, reload);
        QFETCH(bool, leaveByContinue);
        m_main = std::make_unique<QWidget>();
        m_main->show();
        m_starts = 0;
        TempProgramFolder folder; // its options name the site's port
        auto site = std::make_unique<DemoSiteProcess>(
            QStringList{QStringLiteral("--delay-ms"), QString::number(qMax(delayMs, 0))});
        OptionsStore::discard();
        QVERIFY(site->isRunning() && site->pointOptionsAt(folder));
        const QUrl page(site->baseUrl() + SignInTarget);
        const auto pageLoads = [&] { return int(site->requestedPaths().count(SignInTarget)); };
        if (delayMs < 0)
            site.reset(); // its port stays in the options, with nobody behind it
        QPointer<Form2> form = showSignIn();
        QVERIFY(form->WebBrowser1->page()->profile() == Form2::profile() &&
                Form2::profile()->isOffTheRecord()); // no disk
        if (reload) {
            QTRY_VERIFY_WITH_TIMEOUT(reload == 1 ? form->Command1->isEnabled() : pageLoads() == 1,
                                     LoadTimeout);
            QTest::mouseClick(form->Command2, Qt::LeftButton);
            QVERIFY(!form->Command1->isEnabled());
            QTRY_COMPARE_WITH_TIMEOUT(pageLoads(), 2, LoadTimeout);
        }
        QTest::qWait(qMax(delayMs, 0) / 2);
        QVERIFY(delayMs <= 0 || !form->Command1->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(form->Command1->isEnabled(), LoadTimeout);
        QCOMPARE(form->WebBrowser1->url(), page);
        form->hide(); // shown again while open: only brought forward, no new load
        QCOMPARE(showSignIn(), form.data());
        QTest::qWait(300);
        QVERIFY(form->isVisible() && form->Command1->isEnabled() &&
                (!site || pageLoads() == (reload ? 2 : 1)));
        leaveByContinue ? form->Command1->click()
                        : void(form->close()); // starts after Continue, once gone
        QVERIFY(!Form2::instance() && m_starts == 0);
        QTRY_VERIFY(!form);
        QTest::qWait(100);
        QCOMPARE(m_starts, int(leaveByContinue));
    }

    void cookiesReachJar_data() { addTableRows({"signin/data/cookies.tsv"}); }

    void cookiesReachJar()
    {
        QFETCH(QString, origin);
        QFETCH(QString, attributes);
        QFETCH(QString, sentTo);
        QFETCH(QString, notSentTo);
        const auto cookie = [&](const QByteArray& v) {
            return QNetworkCookie::parseCookies("qm=" + v + "; " + attributes.toLatin1())[0];
        };
        // The profile's cookie store works once it loaded a page.
        QWebEnginePage page(Form2::profile());
        page.setHtml(QString());
        Inet inet, later; // later: a jar connected once the browser holds the cookies
        QNetworkCookieJar* jar = inet.cookieJar();
        QVERIFY(jar->setCookiesFromUrl({cookie("old")}, QUrl(origin))); // from the site
        Form2::shareCookiesWith(jar);
        QWebEngineCookieStore* store = Form2::profile()->cookieStore();
        store->setCookie(cookie("new"), QUrl(origin)); // replaces the downloader's
        QTRY_COMPARE(sent(jar, sentTo), QList<QByteArray>{"new"});
        QVERIFY(sent(jar, notSentTo).isEmpty());
        Form2::shareCookiesWith(later.cookieJar()); // starts with what the browser holds
        QCOMPARE(sent(later.cookieJar(), sentTo), QList<QByteArray>{"new"});
        store->deleteCookie(cookie("new"), QUrl(sentTo));
        QTRY_VERIFY(sent(jar, sentTo).isEmpty());
    }
};

QTEST_MAIN(TestSignIn)
#include "tst_signin.moc"
