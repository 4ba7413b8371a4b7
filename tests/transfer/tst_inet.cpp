#include "LoopbackHttpServer.h"
#include "transfer/Inet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QTest>
#include <QTimer>

using States = QList<int>;
using Answer = LoopbackHttpServer::Answer;
using Request = LoopbackHttpServer::Request;

const QString Page = QStringLiteral("<html>page</html>");

class TestInet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { delete m_inet; }
    void fetch_data();
    void fetch();
    void keptForTheRun();
    void reentered();

private:
    QString get(const QString& path) { return m_inet->OpenURL(m_server.url(path).toString()); }

    LoopbackHttpServer m_server;
    std::unique_ptr<LoopbackHttpServer> m_secure;
    Inet* m_inet = nullptr;
    States m_states;
};

void TestInet::initTestCase()
{
    QFile crt(QStringLiteral(":/tls/loopback.crt")), key(QStringLiteral(":/tls/loopback.key"));
    QVERIFY(crt.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
    // Trusted for 127.0.0.1 only: as https://localhost it is a certificate error.
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(crt.readAll()));
    tls.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa));
    tls.addCaCertificate(tls.localCertificate());
    QSslConfiguration::setDefaultConfiguration(tls);
    m_secure = std::make_unique<LoopbackHttpServer>(&tls);
    m_secure->route(QStringLiteral("/page"), Answer{200, "secure"});
    m_secure->route(QStringLiteral("/to-http"),
                    LoopbackHttpServer::redirect(m_server.url(QStringLiteral("/x")).toEncoded()));

    m_server.route(QStringLiteral("/page"), Answer{200, Page.toLatin1()});
    // /hop?N redirects N times before the page.
    m_server.route(QStringLiteral("/hop"), [](const Request& r) {
        const int n = r.query.toInt();
        return n > 0 ? LoopbackHttpServer::redirect("/hop?" + QByteArray::number(n - 1), 301)
                     : Answer{200, Page.toLatin1()};
    });
    m_server.route(QStringLiteral("/echo"), [](const Request& r) { return Answer{200, r.head}; });
    m_server.route(QStringLiteral("/set-cookie"),
                   Answer{200, "set", {{"Set-Cookie", "session=abc; Path=/"}}});
}

void TestInet::init()
{
    m_inet = new Inet;
    m_states.clear();
    connect(m_inet, &Inet::StateChanged, this, [this](qint16 state) { m_states.append(state); });
    m_server.clearLog();
}

void TestInet::fetch_data()
{
    QTest::addColumn<Answer>("answer"); // served at /x
    QTest::addColumn<QString>("url");   // a path on the server, or a whole address
    QTest::addColumn<QString>("text");  // after Cancel, what arrived is the start of it
    QTest::addColumn<bool>("failed");
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("cancel"); // a timer calls Cancel

    const QString x = QStringLiteral("/x");
    const QString secure = m_secure->url(QStringLiteral("/page")).toString();
    const auto row = [](const char* name, const Answer& a, const QString& url, const QString& text,
                        bool failed, int limit = 0, bool cancel = false) {
        QTest::newRow(name) << a << url << text << failed << limit << cancel;
    };
    const auto moved = &LoopbackHttpServer::redirect;
    row("stalls mid-body", Answer{200, "partial..."}.cut(7, false), x, QStringLiteral("partial"),
        true);
    row("closed mid-body", Answer{200, "cut..."}.cut(3, true), x, QStringLiteral("cut"), true);
    // Longer in total than the stall time-out, but never silent for that long.
    row("slow but steady", Answer{200, "aaaaaaaaaa"}.inPieces(1, 80), x,
        QStringLiteral("aaaaaaaaaa"), false);
    row("HTTP 404 page", Answer{404, "gone"}, x, QStringLiteral("gone"), true);
    row("too large by length", Answer().fill(4097, false), x, QString(), true, 4096);
    row("the limit, by length", Answer().fill(4096, false), x, QString(4096, u'x'), false, 4096);
    row("the limit, chunked", Answer().fill(4096, true), x, QString(4096, u'x'), false, 4096);
    const QString first = QString(300000, u'x');
    row("too large, no Content-Length", Answer().fill(1000000, true), x, first, true, 300000);
    // Streamed as fast as read, five times: unbounded, Qt's read-ahead passes now and then.
    for (const char* name :
         {"endless body", "endless body 2", "endless body 3", "endless body 4", "endless body 5"})
        row(name, Answer().fill(-1, true), x, first, true, 300000);
    row("ftp scheme", Answer(), QStringLiteral("ftp://127.0.0.1:1/page"), QString(), true);
    row("303 with query", moved("/page?x=1", 303), x, Page, false);
    row("ten hops", Answer(), QStringLiteral("/hop?10"), Page, false);
    row("eleven hops", Answer(), QStringLiteral("/hop?11"), QString(), true);
    row("certificate error", Answer(),
        QString(secure).replace(QLatin1String("127.0.0.1"), QLatin1String("localhost")), QString(),
        true);
    row("https to http refused", Answer{200, "plain"},
        m_secure->url(QStringLiteral("/to-http")).toString(), QString(), true);
    row("http to https followed", moved(secure.toLatin1(), 302), x, QStringLiteral("secure"),
        false);
    row("Cancel while the body trickles", Answer{200, QByteArray(1000, 'b')}.inPieces(10, 50), x,
        QString(1000, u'b'), false, 0, true);
    const QString cafeEuro = QStringLiteral("caf\u00e9 \u20ac");
    const auto charset = [&](const char* name, const QByteArray& type, const QByteArray& body,
                             const QString& text) {
        row(name, Answer{200, body, {{"Content-Type", type}}}, x, text, false);
    };
    charset("UTF-8 by default", "text/html", "caf\xc3\xa9 \xe2\x82\xac", cafeEuro);
    charset("invalid UTF-8 read as windows-1252", "text/html", "caf\xe9 \x80", cafeEuro);
    charset("quoted Latin-1 read as windows-1252", "text/html; Charset=\"ISO-8859-1\"",
            "caf\xe9 \x80", cafeEuro);
    charset("declared UTF-8 not second-guessed", "text/html; charset=utf-8", "caf\xe9!",
            QStringLiteral("caf\ufffd!"));
    charset("header charset beats meta", "text/html; charset=utf-8",
            "<meta charset=\"windows-1252\">\xc3\xa9",
            QStringLiteral("<meta charset=\"windows-1252\">\u00e9"));
    charset("unknown header charset falls through to meta", "text/html; charset=no-such-thing",
            "<meta content=\"text/html; charset=koi8-r\">\xc1",
            QStringLiteral("<meta content=\"text/html; charset=koi8-r\">\u0430"));
    charset("byte order mark beats header", "text/html; charset=windows-1252",
            "\xef\xbb\xbf\xc3\xa9", QStringLiteral("\u00e9"));
}

void TestInet::fetch()
{
    QFETCH(Answer, answer);
    QFETCH(QString, url);
    QFETCH(QString, text);
    QFETCH(bool, failed);
    QFETCH(int, limit);
    QFETCH(bool, cancel);

    m_server.route(QStringLiteral("/x"), answer);
    m_inet->setStallTimeout(cancel ? 5000 : 400); // far off when Cancel ends it
    if (limit > 0)
        m_inet->setMaxBodyBytes(limit);
    const auto stop = [this] { m_inet->Cancel(), m_inet->Cancel(); }; // Stop pressed twice
    stop();                                                           // harmless when idle
    if (cancel)
        QTimer::singleShot(300, this, stop);
    QTimer busy; // a main thread with work of its own, as the program's has
    connect(&busy, &QTimer::timeout, this, [] { QThread::usleep(2000); });
    busy.start(1);
    QElapsedTimer clock;
    clock.start();
    const QString got = m_inet->OpenURL(url.startsWith(u'/') ? m_server.url(url).toString() : url);
    QVERIFY2(clock.elapsed() < 2000 && !m_inet->StillExecuting(), "hung, or outlived Cancel");
    if (cancel)
        QVERIFY2(got.size() < text.size() && text.startsWith(got), qPrintable(got));
    else
        QCOMPARE(got, text);
    // An error stays the last state so that it stays on screen; nothing follows Cancel.
    QCOMPARE(m_states.last(), failed ? 11 : 10);
    QCOMPARE(m_states.count(11), int(failed));
    QCOMPARE(m_states.count(10), int(!failed));
    if (url.startsWith(QLatin1String("ftp")))
        QCOMPARE(m_states, States{11});
    if (cancel)
        QCOMPARE(get(QStringLiteral("/page")), Page); // still usable
}

// One connection and one cookie jar serve the whole run.
void TestInet::keptForTheRun()
{
    QCOMPARE(get(QStringLiteral("/set-cookie")), QStringLiteral("set"));
    QCOMPARE(m_states, (States{1, 2, 3, 4, 5, 6, 7, 8, 12, 9, 10}));
    // Kept alive, across redirections too (Qt's own would open new ones): no connecting.
    m_states.clear();
    QCOMPARE(get(QStringLiteral("/hop?3")), Page);
    QCOMPARE(m_states, (States{1, 2, 5, 6, 7, 5, 6, 7, 5, 6, 7, 5, 6, 7, 8, 12, 9, 10}));
    QCOMPARE(m_inet->URL(), m_server.url(QStringLiteral("/hop?0")).toString());
    // Cookies put in the jar by others (the sign-in browser) go out too.
    m_inet->cookieJar()->setCookiesFromUrl(QNetworkCookie::parseCookies("token=xyz"),
                                           m_server.url(QStringLiteral("/")));
    const QString sent = get(QStringLiteral("/echo"));
    QVERIFY2(sent.contains(QLatin1String("token=xyz")) &&
                 sent.contains(QLatin1String("session=abc")),
             qPrintable(sent));
}

void TestInet::reentered()
{
    // A second fetch asked for while one blocks is refused; the first runs on.
    m_server.route(QStringLiteral("/x"), Answer{200, "first"}.after(300));
    QString second = QStringLiteral("unset");
    QTimer::singleShot(50, this, [&] {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("in progress")));
        second = get(QStringLiteral("/page"));
    });
    QCOMPARE(get(QStringLiteral("/x")), QStringLiteral("first"));
    QCOMPARE(second, QString());
    QCOMPARE(m_server.requests().size(), 1);
    QCOMPARE(m_states.last(), 10);

    // Deleted while it blocks (a window closed), it returns what had arrived.
    m_server.route(QStringLiteral("/x"), Answer{200, QByteArray(1000, 'b')}.inPieces(10, 50));
    QPointer<Inet> inet = m_inet;
    QTimer::singleShot(100, this, [this] {
        delete m_inet;
        m_inet = nullptr;
    });
    const QString text = inet->OpenURL(m_server.url(QStringLiteral("/x")).toString());
    QVERIFY(text.count(u'b') == text.size() && text.size() < 1000);
    QVERIFY(inet.isNull());
}

QTEST_GUILESS_MAIN(TestInet)
#include "tst_inet.moc"
