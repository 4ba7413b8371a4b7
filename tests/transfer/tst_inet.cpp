#include "LoopbackHttpServer.h"
#include "TestSupport.h"
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
    void fetch_data() { addTableRows({"transfer/data/fetch.tsv"}); }
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

void TestInet::fetch()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, type);
    QFETCH(QString, how);
    QFETCH(QString, url);
    QFETCH(QByteArray, text);
    QFETCH(bool, failed);
    QFETCH(int, limit);
    QFETCH(bool, cancel);
    const QByteArray port = QByteArray::number(m_secure->url(QString()).port());
    for (QByteArray* f : {&body, &text}) // C*N is N times C
        *f = f->size() > 2 && f->at(1) == '*' ? QByteArray(f->mid(2).toInt(), f->at(0))
                                              : f->replace("{port}", port);
    url.replace(QStringLiteral("{port}"), QString::fromLatin1(port));
    const int n = how.section(u' ', 1, 1).toInt();
    Answer answer{status, body, {{"Content-Type", type.isEmpty() ? "text/html" : type}}};
    if (how.startsWith(u"redirect"))
        answer = LoopbackHttpServer::redirect(body, status);
    else if (how.startsWith(u"cut"))
        answer.cut(n, how.endsWith(u"close"));
    else if (how.startsWith(u"pieces"))
        answer.inPieces(n, how.section(u' ', 2, 2).toInt());
    else if (how.startsWith(u"fill"))
        answer.fill(n, how.endsWith(u"chunked"));

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
        QVERIFY2(got.size() < text.size() && text.startsWith(got.toUtf8()), qPrintable(got));
    else
        QCOMPARE(got, QString::fromUtf8(text));
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
