#include "LoopbackHttpServer.h"
#include "transfer/Inet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

using States = QList<int>;
using Headers = LoopbackHttpServer::Headers;
using Answer = LoopbackHttpServer::Answer;
using Request = LoopbackHttpServer::Request;

class TestInet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void stateSequence();
    void endings_data();
    void endings();
    void redirects_data();
    void redirects();
    void cancel_data();
    void cancel();
    void cancelWhenIdle();
    void charset_data();
    void charset();
    void https_data();
    void https();
    void keepAliveReusesConnection();
    void cookiesKeptForTheRun();
    void secondFetchWhileBlockedIsRefused();
    void destroyedWhileBlocked();

private:
    QString address(const QString& path) const { return m_server->url(path).toString(); }
    QString fetch(const QString& path) { return m_inet->OpenURL(address(path)); }
    QStringList requestPaths() const
    {
        QStringList paths;
        for (const Request& r : m_server->requests())
            paths << r.path;
        return paths;
    }

    std::unique_ptr<LoopbackHttpServer> m_server;
    Inet* m_inet = nullptr;
    States m_states;
    quint16 m_refusedPort = 0;
};

void TestInet::initTestCase()
{
    m_server = std::make_unique<LoopbackHttpServer>();
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        m_refusedPort = closed.serverPort();
    }

    auto& s = *m_server;
    const auto answer = [&s](const char* path, const Answer& a) {
        s.route(QLatin1String(path), [a](const Request&) { return a; });
    };
    s.route("/page", LoopbackHttpServer::page("<html>page</html>"));
    answer("/never", Answer().never());
    answer("/late", Answer{200, "late"}.after(10000));
    answer("/stall-mid-body", Answer{200, "partial" + QByteArray(93, '.')}.cut(7, false));
    answer("/closed-mid-body", Answer{200, "cut" + QByteArray(97, '.')}.cut(3, true));
    answer("/trickle", Answer{200, QByteArray(10, 'a')}.inPieces(1, 80));
    answer("/slow-body", Answer{200, QByteArray(1000, 'b')}.inPieces(10, 50));
    answer("/big-declared", Answer().fill(10000, false));
    answer("/big-streamed", Answer().fill(-1, true));
    answer("/big-chunked", Answer().fill(1000000, true));
    s.route("/gone", LoopbackHttpServer::page("gone", 404));
    answer("/chunked", Answer{200, "one two"}.fill(0, true));
    for (int hop = 1; hop <= 11; ++hop) {
        const QByteArray next =
            hop == 1 ? QByteArray("/page") : QByteArray("/hop" + QByteArray::number(hop - 1));
        answer(qPrintable(QStringLiteral("/hop%1").arg(hop)), LoopbackHttpServer::redirect(next, 301));
    }
    answer("/loop-a", LoopbackHttpServer::redirect("/loop-b"));
    answer("/loop-b", LoopbackHttpServer::redirect("/loop-a"));
    answer("/absolute", LoopbackHttpServer::redirect(m_server->url(QStringLiteral("/page")).toEncoded()));
    answer("/to-ftp", LoopbackHttpServer::redirect("ftp://127.0.0.1/page"));
    answer("/see-other", LoopbackHttpServer::redirect("/page?x=1", 303));
    s.route("/set-cookie",
            LoopbackHttpServer::page("set", 200, {{"Set-Cookie", "session=abc; Path=/"}}));
}

void TestInet::init()
{
    m_inet = new Inet;
    m_inet->setStallTimeout(2000);
    m_states.clear();
    connect(m_inet, &Inet::StateChanged, this, [this](qint16 state) { m_states.append(state); });
    m_server->clearLog();
}

void TestInet::cleanup()
{
    delete m_inet;
    m_inet = nullptr;
}

void TestInet::stateSequence()
{
    QCOMPARE(fetch("/page"), QStringLiteral("<html>page</html>"));
    QCOMPARE(m_states, (States{1, 2, 3, 4, 5, 6, 7, 8, 12, 9, 10}));
    QCOMPARE(m_inet->URL(), address("/page"));

    // The kept-alive connection is reused: no connecting this time.
    m_states.clear();
    QCOMPARE(fetch("/page"), QStringLiteral("<html>page</html>"));
    QCOMPARE(m_states, (States{1, 2, 5, 6, 7, 8, 12, 9, 10}));
}

void TestInet::endings_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("maxBodyBytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("failed");

    const QString base = m_server->url(QString()).toString();
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(m_refusedPort);
    QTest::newRow("connection refused") << refused << -1 << "" << true;
    QTest::newRow("never answers") << base + "/never" << -1 << "" << true;
    QTest::newRow("stalls mid-body") << base + "/stall-mid-body" << -1 << "partial" << true;
    QTest::newRow("closed mid-body") << base + "/closed-mid-body" << -1 << "cut" << true;
    // Longer in total than the stall time-out, but never silent for that long.
    QTest::newRow("slow but steady") << base + "/trickle" << -1 << "aaaaaaaaaa" << false;
    QTest::newRow("chunked") << base + "/chunked" << -1 << "one two" << false;
    QTest::newRow("HTTP 404 page") << base + "/gone" << -1 << "gone" << true;
    QTest::newRow("too large by length") << base + "/big-declared" << 4096 << "" << true;
    QTest::newRow("too large streamed")
        << base + "/big-streamed" << 300000 << QString(300000, u'x') << true;
    QTest::newRow("too large, no Content-Length")
        << base + "/big-chunked" << 300000 << QString(300000, u'x') << true;
    QTest::newRow("ftp scheme") << "ftp://127.0.0.1:" + QString::number(m_server->url({}).port()) + "/page"
                                << -1 << "" << true;
    QTest::newRow("file scheme") << "file:///etc/hostname" << -1 << "" << true;
    QTest::newRow("no scheme") << "127.0.0.1/page" << -1 << "" << true;
}

void TestInet::endings()
{
    QFETCH(QString, url);
    QFETCH(int, maxBodyBytes);
    QFETCH(QString, text);
    QFETCH(bool, failed);

    m_inet->setStallTimeout(400);
    if (maxBodyBytes > 0)
        m_inet->setMaxBodyBytes(maxBodyBytes);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(m_inet->OpenURL(url), text);
    QVERIFY2(clock.elapsed() < 5000, "a failing fetch must not hang");
    QVERIFY(!m_states.isEmpty());
    // An error stays the last state so that it stays on screen.
    QCOMPARE(m_states.last(), failed ? 11 : 10);
    QCOMPARE(m_states.count(11), failed ? 1 : 0);
    QVERIFY(!m_inet->StillExecuting());
    if (!url.startsWith(QLatin1String("http:")))
        QCOMPARE(m_states, States{11});
}

void TestInet::redirects_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("finalPath");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expectedRequests");

    const QString page = QStringLiteral("<html>page</html>");
    QTest::newRow("one hop") << "/hop1"
                             << "/page" << page << 2;
    QTest::newRow("ten hops") << "/hop10"
                              << "/page" << page << 11;
    QTest::newRow("303 with query") << "/see-other"
                                    << "/page?x=1" << page << 2;
    QTest::newRow("absolute location") << "/absolute"
                                       << "/page" << page << 2;
    QTest::newRow("eleven hops") << "/hop11"
                                 << ""
                                 << "" << 11;
    QTest::newRow("loop") << "/loop-a"
                          << ""
                          << "" << 11;
    QTest::newRow("to ftp") << "/to-ftp"
                            << ""
                            << "" << 1;
}

void TestInet::redirects()
{
    QFETCH(QString, path);
    QFETCH(QString, finalPath);
    QFETCH(QString, text);
    QFETCH(int, expectedRequests);

    QCOMPARE(fetch(path), text);
    QCOMPARE(m_server->requests().size(), expectedRequests);
    if (finalPath.isEmpty()) {
        QCOMPARE(m_states.last(), 11);
    } else {
        QCOMPARE(m_states.last(), 10);
        QCOMPARE(m_inet->URL(), address(finalPath));
    }
}

void TestInet::cancel_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("atState"); // 0: from a timer while the fetch blocks

    QTest::newRow("waiting for the answer") << "/late" << 0;
    QTest::newRow("while the body trickles") << "/slow-body" << 0;
    QTest::newRow("at resolving host") << "/late" << 1;
    QTest::newRow("at host resolved") << "/late" << 2;
    QTest::newRow("at request sent") << "/late" << 6;
    QTest::newRow("at receiving response") << "/slow-body" << 7;
}

void TestInet::cancel()
{
    QFETCH(QString, path);
    QFETCH(int, atState);

    // Stop cancels twenty-one times in a row.
    const auto stop = [this] {
        for (int i = 0; i < 21; ++i)
            m_inet->Cancel();
    };
    QMetaObject::Connection trigger;
    if (atState == 0) {
        QTimer::singleShot(300, this, stop);
    } else {
        trigger = connect(m_inet, &Inet::StateChanged, this, [&stop, atState](qint16 state) {
            if (state == atState)
                stop();
        });
    }
    QElapsedTimer clock;
    clock.start();
    const QString text = fetch(path);
    QVERIFY2(clock.elapsed() < 2000, "Cancel must end the fetch well before the server would");
    disconnect(trigger);
    QVERIFY(!m_inet->StillExecuting());
    QVERIFY(text.count(u'b') == text.size() && text.size() < 1000); // what had arrived
    // Cancelling is not an error, and nothing is reported after it.
    QVERIFY(!m_states.contains(11));
    QCOMPARE(m_states.mid(m_states.size() - 2), (States{9, 10}));
    QCOMPARE(m_states.count(10), 1);

    // The object stays usable.
    m_states.clear();
    QCOMPARE(fetch("/page"), QStringLiteral("<html>page</html>"));
    QCOMPARE(m_states.last(), 10);
}

void TestInet::cancelWhenIdle()
{
    for (int i = 0; i < 21; ++i)
        m_inet->Cancel();
    QVERIFY(m_states.isEmpty());
    QCOMPARE(fetch("/page"), QStringLiteral("<html>page</html>"));
    m_inet->Cancel();
    QCOMPARE(m_states.last(), 10);
}

void TestInet::charset_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");

    const QString cafeEuro = QStringLiteral("caf\u00e9 \u20ac");
    QTest::newRow("UTF-8 by default")
        << QByteArray("text/html") << QByteArray("caf\xc3\xa9 \xe2\x82\xac") << cafeEuro;
    QTest::newRow("invalid UTF-8 read as windows-1252")
        << QByteArray("text/html") << QByteArray("caf\xe9 \x80") << cafeEuro;
    QTest::newRow("header charset")
        << QByteArray("text/html; charset=windows-1252") << QByteArray("caf\xe9 \x80") << cafeEuro;
    QTest::newRow("header charset quoted, Latin-1 read as windows-1252")
        << QByteArray("text/html; Charset=\"ISO-8859-1\"") << QByteArray("caf\xe9 \x80")
        << cafeEuro;
    QTest::newRow("header charset beats meta")
        << QByteArray("text/html; charset=utf-8")
        << QByteArray("<meta charset=\"windows-1252\">\xc3\xa9")
        << QStringLiteral("<meta charset=\"windows-1252\">\u00e9");
    QTest::newRow("declared UTF-8 is not second-guessed")
        << QByteArray("text/html; charset=utf-8") << QByteArray("caf\xe9!")
        << QStringLiteral("caf\ufffd!");
    QTest::newRow("meta charset") << QByteArray("text/html")
                                  << QByteArray("<meta charset=windows-1252>\xe9")
                                  << QStringLiteral("<meta charset=windows-1252>\u00e9");
    QTest::newRow("meta http-equiv")
        << QByteArray("text/html")
        << QByteArray(
               "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=koi8-r\">\xc1")
        << QStringLiteral(
               "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=koi8-r\">\u0430");
    QTest::newRow("meta beyond the first 1024 bytes is ignored")
        << QByteArray("text/html") << QByteArray(1100, ' ') + "<meta charset=koi8-r>\xc3\xa9"
        << QString(1100, u' ') + QStringLiteral("<meta charset=koi8-r>\u00e9");
    QTest::newRow("unknown header charset falls through to meta")
        << QByteArray("text/html; charset=no-such-thing") << QByteArray("<meta charset=koi8-r>\xc1")
        << QStringLiteral("<meta charset=koi8-r>\u0430");
    QTest::newRow("Shift_JIS through ICU") << QByteArray("text/html; charset=Shift_JIS")
                                           << QByteArray("\x82\xa0") << QStringLiteral("\u3042");
    QTest::newRow("byte order mark beats header")
        << QByteArray("text/html; charset=windows-1252") << QByteArray("\xef\xbb\xbf\xc3\xa9")
        << QStringLiteral("\u00e9");
}

void TestInet::charset()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(QString, text);

    m_server->route("/charset",
                    LoopbackHttpServer::page(body, 200, {{"Content-Type", contentType}}));
    QCOMPARE(fetch("/charset"), text);
}

namespace {
QByteArray resource(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

void TestInet::https_data()
{
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<QString>("start"); // "tls" or "plain" server
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");

    QTest::newRow("untrusted certificate") << false << "tls"
                                           << "/page"
                                           << "";
    QTest::newRow("trusted certificate") << true << "tls"
                                         << "/page"
                                         << "secure";
    QTest::newRow("https to http refused") << true << "tls"
                                           << "/to-http"
                                           << "";
    QTest::newRow("http to https followed") << true << "plain"
                                            << "/to-https"
                                            << "secure";
}

void TestInet::https()
{
    QFETCH(bool, trusted);
    QFETCH(QString, start);
    QFETCH(QString, path);
    QFETCH(QString, text);

    const QSslCertificate certificate(resource(QStringLiteral(":/tls/loopback.crt")));
    QVERIFY(!certificate.isNull());
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificate);
    tls.setPrivateKey(QSslKey(resource(QStringLiteral(":/tls/loopback.key")), QSsl::Rsa));
    LoopbackHttpServer secure(&tls);
    secure.route("/page", LoopbackHttpServer::page("secure"));
    const QByteArray plainPage = m_server->url(QStringLiteral("/page")).toEncoded();
    secure.route("/to-http",
                 [plainPage](const Request&) { return LoopbackHttpServer::redirect(plainPage); });
    const QByteArray securePage = secure.url(QStringLiteral("/page")).toEncoded();
    m_server->route("/to-https",
                    [securePage](const Request&) { return LoopbackHttpServer::redirect(securePage); });

    const QSslConfiguration saved = QSslConfiguration::defaultConfiguration();
    if (trusted) {
        QSslConfiguration withOurs = saved;
        withOurs.addCaCertificate(certificate);
        QSslConfiguration::setDefaultConfiguration(withOurs);
    }
    const QUrl url = (start == QLatin1String("tls") ? secure : *m_server).url(path);
    const QString got = m_inet->OpenURL(url.toString());
    QSslConfiguration::setDefaultConfiguration(saved);

    QCOMPARE(got, text);
    QCOMPARE(m_states.last(), text.isEmpty() ? 11 : 10);
    if (path == QLatin1String("/to-http"))
        QVERIFY(!requestPaths().contains(QStringLiteral("/page")));
    if (trusted && start == QLatin1String("tls") && !text.isEmpty())
        QCOMPARE(m_states, (States{1, 2, 3, 4, 5, 6, 7, 8, 12, 9, 10}));
}

void TestInet::keepAliveReusesConnection()
{
    // Redirections too: Qt's own redirect handling would open new ones.
    for (const char* path : {"/page", "/chunked", "/page", "/hop10"})
        QVERIFY(!fetch(QLatin1String(path)).isEmpty());
    QCOMPARE(m_server->requests().size(), 14);
    QCOMPARE(m_server->connectionCount(), 1);
}

void TestInet::cookiesKeptForTheRun()
{
    m_server->route("/echo", [](const Request& request) {
        return Answer{200, "cookie:" + request.header("Cookie")};
    });
    QCOMPARE(fetch("/echo"), QStringLiteral("cookie:"));
    QCOMPARE(fetch("/set-cookie"), QStringLiteral("set"));
    QCOMPARE(fetch("/echo"), QStringLiteral("cookie:session=abc"));

    // Cookies put in the jar by others (the sign-in browser) go out too.
    QNetworkCookie signIn("token", "xyz");
    signIn.setDomain(QStringLiteral("127.0.0.1"));
    signIn.setPath(QStringLiteral("/"));
    QVERIFY(m_inet->cookieJar()->insertCookie(signIn));
    const QString sent = fetch("/echo");
    QVERIFY2(sent.contains(QLatin1String("token=xyz")) &&
                 sent.contains(QLatin1String("session=abc")),
             qPrintable(sent));
}

void TestInet::secondFetchWhileBlockedIsRefused()
{
    m_server->route("/soon", [](const Request&) { return Answer{200, "first"}.after(300); });
    QString second = QStringLiteral("unset");
    QTimer::singleShot(50, this, [&] {
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("already in progress")));
        second = fetch("/page");
    });
    QCOMPARE(fetch("/soon"), QStringLiteral("first"));
    QCOMPARE(second, QString());
    QCOMPARE(requestPaths(), QStringList{QStringLiteral("/soon")});
    QCOMPARE(m_states.last(), 10);
}

void TestInet::destroyedWhileBlocked()
{
    QPointer<Inet> inet = m_inet;
    QTimer::singleShot(100, this, [this] {
        delete m_inet;
        m_inet = nullptr;
    });
    QElapsedTimer clock;
    clock.start();
    const QString text = inet->OpenURL(address("/slow-body"));
    QVERIFY(text.count(u'b') == text.size());
    QVERIFY(clock.elapsed() < 2000);
    QVERIFY(inet.isNull());
}

QTEST_GUILESS_MAIN(TestInet)
#include "tst_inet.moc"
