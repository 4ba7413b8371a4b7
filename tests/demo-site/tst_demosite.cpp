// The demo auction site as the program meets it: the site runs as its own
// process on 127.0.0.1 and the installed marker options (data/) are applied
// to its pages with the program's scans, so any drift between the pages and
// the markers shows up here.

#include "DemoSiteProcess.h"
#include "TestSupport.h"
#include "options/RtfCodec.h"
#include "scan/ListingPhase.h"
#include "scan/MarkerSearch.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

struct Reply
{
    int status = 0;
    QByteArray body;
    QByteArray location;
    QList<QNetworkCookie> cookies;
};

QNetworkRequest plainRequest(const QString& url)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    return request;
}

Reply wait(QNetworkReply* reply)
{
    std::unique_ptr<QNetworkReply> owner(reply);
    QEventLoop loop;
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
            reply->rawHeader("Location"),
            reply->header(QNetworkRequest::SetCookieHeader).value<QList<QNetworkCookie>>()};
}

} // namespace

class DemoSiteTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listingPages_data();
    void listingPages();
    void activeScan_data();
    void activeScan();
    void itemCounters_data();
    void itemCounters();
    void unknownSeller_data();
    void unknownSeller();
    void otherPages_data();
    void otherPages();
    void signIn_data();
    void signIn();
    void soldScan();
    void connections_data();
    void connections();
    void requestLog();
    void delayedAnswers();

private:
    QString option(const QString& file) const;
    Scan::MarkerPair markers(int beforeTable, int row) const;
    QString listingAddress(const QString& user) const
    {
        return option(QStringLiteral("Config18.rtf")) + user +
               option(QStringLiteral("Config58.rtf"));
    }
    Reply fetch(const QString& url, const QByteArray& cookie = {},
                QNetworkAccessManager* manager = nullptr, bool close = false);
    Reply post(const QString& url, const QByteArray& form);
    QByteArray signInCookie();

    DemoSiteProcess m_site;
    QString m_base; // "http://127.0.0.1:<port>/"
    QNetworkAccessManager m_net;
};

void DemoSiteTest::initTestCase()
{
    QVERIFY(m_site.isRunning());
    m_base = m_site.baseUrl() + QLatin1Char('/');
}

QString DemoSiteTest::option(const QString& file) const
{
    QFile f(sourceDir() + QStringLiteral("/data/") + file);
    std::optional<QString> text;
    if (f.open(QIODevice::ReadOnly))
        text = RtfCodec::read(f.readAll());
    // The installed options name port 8765; this site runs elsewhere.
    return text.value_or(QString()).replace(QStringLiteral("http://127.0.0.1:8765"),
                                            m_site.baseUrl());
}

// beforeTable 1: Active, 2: Sold; the after markers are in table + 4.
Scan::MarkerPair DemoSiteTest::markers(int beforeTable, int row) const
{
    return {option(QStringLiteral("Config%1%2.rtf").arg(beforeTable).arg(row)),
            option(QStringLiteral("Config%1%2.rtf").arg(beforeTable + 4).arg(row))};
}

Reply DemoSiteTest::fetch(const QString& url, const QByteArray& cookie,
                          QNetworkAccessManager* manager, bool close)
{
    QNetworkRequest request = plainRequest(url);
    if (!cookie.isEmpty())
        request.setRawHeader("Cookie", cookie);
    if (close)
        request.setRawHeader("Connection", "close");
    return wait((manager ? manager : &m_net)->get(request));
}

Reply DemoSiteTest::post(const QString& url, const QByteArray& form)
{
    QNetworkRequest request = plainRequest(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    return wait(m_net.post(request, form));
}

QByteArray DemoSiteTest::signInCookie()
{
    const Reply reply = post(m_base + QStringLiteral("signin"), "userid=demo&pass=demo");
    return reply.cookies.isEmpty()
               ? QByteArray()
               : reply.cookies.first().toRawForm(QNetworkCookie::NameAndValueOnly);
}

void DemoSiteTest::listingPages_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("pageRows");
    QTest::newRow("demo seller") << QStringLiteral("demoseller") << 20;
    QTest::newRow("more than 20") << QStringLiteral("bigattic") << 26;
    QTest::newRow("repeated number") << QStringLiteral("doubleup") << 9;
    QTest::newRow("fewer than 20") << QStringLiteral("smallshop") << 7;
    QTest::newRow("user ID in another case") << QStringLiteral("DemoSeller") << 20;
}

// The scan starts at 2000 and steps 325 past each auction-number marker, so
// rows before 2000 or closer than 325 would be lost.
void DemoSiteTest::listingPages()
{
    QFETCH(QString, user);
    QFETCH(int, pageRows);
    const Reply reply = fetch(listingAddress(user));
    QCOMPARE(reply.status, 200);
    const QString page = QString::fromUtf8(reply.body);
    QCOMPARE(page.toLatin1(), reply.body); // plain ASCII: characters are bytes

    const QString marker = option(QStringLiteral("Config10.rtf"));
    QList<int> at;
    for (int i = page.indexOf(marker); i >= 0; i = page.indexOf(marker, i + 1))
        at.append(i + 1);
    QCOMPARE(at.size(), pageRows);
    QVERIFY2(at.first() > 2000, qPrintable(QString::number(at.first())));
    for (int i = 1; i < at.size(); ++i)
        QVERIFY2(at.at(i) - at.at(i - 1) > 325, qPrintable(QString::number(i)));
}

void DemoSiteTest::activeScan_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("rowsWithNumber");
    QTest::addColumn<int>("timedRows");
    QTest::addColumn<int>("row");
    // auction number, title, bids, start price, buy-now price, time left
    QTest::addColumn<QStringList>("expected");
    const auto add = [](const char* user, int rows, int timed, int row, const QStringList& cells) {
        QTest::addRow("%s row %d", user, row)
            << QString::fromLatin1(user) << rows << timed << row << cells;
    };
    add("demoseller", 20, 20, 0,
        {"110042318817", "Vintage Brass Pocket Compass with Hinged Lid", "7", "$12.50", "$29.00",
         "0d 01h 14m"});
    add("demoseller", 20, 20, 19,
        {"110042331963", "Crewel Embroidery Kit Unopened 1970s Owls", "0", "$6.00", "$14.00",
         "5d 01h 21m"});
    add("bigattic", 20, 20, 19, // only 20 of 26 are read
        {"110051311823", "Crate of 30 Old Beer Bottles", "3", "$12.25", "$28.00", "6d 07h 11m"});
    add("doubleup", 8, 8, 4, // the repeat is skipped
        {"110047723072", "Dinky Toys Fire Engine 955", "12", "$17.00", "$38.00", "1d 08h 09m"});
    add("smallshop", 7, 7, 7, {"", "", "", "", "", ""});
    add("lastcall", 6, 8, 1, // time left in a span
        {"110046610883", "Marcasite Brooch Bow Design", "10", "$18.50", "$40.00", "47m"});
    add("shopfront", 9, 9, 0, // bids shown as a picture
        {"110048830561", "Beeswax Candle Hand Rolled Pair", "-", "$14.00", "$14.00", "0d 05h 00m"});
}

void DemoSiteTest::activeScan()
{
    QFETCH(QString, user);
    QFETCH(int, row);
    const Reply reply = fetch(listingAddress(user));
    QCOMPARE(reply.status, 200);
    const Scan::ActiveMarkers m = {markers(1, 0), markers(1, 1), markers(1, 4),
                                   markers(1, 5), markers(1, 6), markers(1, 7)};
    const Scan::ActiveListing result =
        Scan::scanActiveListing(QString::fromUtf8(reply.body), m, false);
    const int numbered = int(std::count_if(result.rows.cbegin(), result.rows.cend(),
                                           [](const auto& r) { return !r.auction.isEmpty(); }));
    QTEST(numbered, "rowsWithNumber");
    QTEST(result.timedRows, "timedRows");
    const Scan::ActiveRow& r = result.rows[row];
    QTEST(QStringList({r.auction, r.title, r.bids, r.startPrice, r.price, r.timeLeft}), "expected");
}

void DemoSiteTest::itemCounters_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QStringList>("reads"); // one per fetch; empty: no counter found
    QTest::newRow("basic") << QStringLiteral("110042318817") << QStringList{"00144", "00145"};
    QTest::newRow("retro") << QStringLiteral("110042319254") << QStringList{"00089", "00090"};
    QTest::newRow("dashes first") << QStringLiteral("110049916381")
                                  << QStringList{"--</f", "--</f", "00341", "00342"};
    QTest::newRow("no counter") << QStringLiteral("110049917629") << QStringList{"", ""};
    QTest::newRow("sold item") << QStringLiteral("110039818235") << QStringList{"00062"};
    QTest::newRow("unknown number") << QStringLiteral("123456789012") << QStringList{""};
    QTest::newRow("empty number") << QString() << QStringList{""};
}

// Item pages read from the counter start position with the Active and the
// Sold counter markers; every fetch counts.
void DemoSiteTest::itemCounters()
{
    QFETCH(QString, number);
    QFETCH(QStringList, reads);
    const int start = option(QStringLiteral("Options1.rtf")).toInt();
    QVERIFY(start > 0);
    for (const QString& expected : reads) {
        const Reply reply = fetch(option(QStringLiteral("Config28.rtf")) + number +
                                  option(QStringLiteral("Config68.rtf")));
        QCOMPARE(reply.status, 200);
        const QString page = QString::fromUtf8(reply.body);
        for (int table : {1, 2}) {
            const Scan::MarkerPair basicRetro = {
                option(QStringLiteral("Config%1.rtf").arg(table * 10 + 2)),
                option(QStringLiteral("Config%1.rtf").arg(table * 10 + 3))};
            QCOMPARE(Scan::findCounter(page, start, basicRetro.before, basicRetro.after).value,
                     expected);
        }
    }
}

void DemoSiteTest::unknownSeller_data()
{
    QTest::addColumn<QString>("user");
    QTest::newRow("unknown") << QStringLiteral("nosuchseller");
    QTest::newRow("empty") << QString();
    QTest::newRow("with a space") << QStringLiteral("demo%20seller");
    QTest::newRow("prefix of a seller") << QStringLiteral("demo");
}

void DemoSiteTest::unknownSeller()
{
    QFETCH(QString, user);
    const Reply reply = fetch(listingAddress(user));
    QCOMPARE(reply.status, 302);
    // The program recognises exactly this address as "seller not found".
    const QString bare = m_base + QStringLiteral("_W0QQsocmdZListingCategoryList");
    QCOMPARE(QString::fromLatin1(reply.location), bare);
    const Reply landing = fetch(bare);
    QCOMPARE(landing.status, 200);
    QVERIFY(landing.body.contains("Seller not found"));
    QVERIFY(!landing.body.contains(option(QStringLiteral("Config10.rtf")).toLatin1()));
}

void DemoSiteTest::otherPages_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("contains");
    QTest::newRow("home") << QString() << 200 << QByteArray("seller?user=demoseller");
    QTest::newRow("item view") << QStringLiteral("ws/eBayISAPI.dll?ViewItem&rd=1&item=110042322815")
                               << 200 << QByteArray("Kodak Brownie Hawkeye Flash Camera Working");
    QTest::newRow("item view, escaped")
        << QStringLiteral("ws/eBayISAPI.dll?ViewItem&rd=1&item=%3Cb%3E") << 200
        << QByteArray("The item number &lt;b&gt; is not");
    QTest::newRow("sign-in page") << QStringLiteral("ws/eBayISAPI.dll?MyeBay&pageType=1883") << 200
                                  << QByteArray("id=\"sgnBt\"");
    QTest::newRow("picture") << QStringLiteral("img/thumb.gif") << 200 << QByteArray("GIF89a");
    QTest::newRow("no such page") << QStringLiteral("nothing/here") << 404
                                  << QByteArray("Page not found");
}

void DemoSiteTest::otherPages()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, contains);
    const Reply reply = fetch(m_base + path);
    QTEST(reply.status, "status");
    QVERIFY2(reply.body.contains(contains), reply.body.constData());
}

void DemoSiteTest::signIn_data()
{
    QTest::addColumn<QByteArray>("form");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("demo account") << QByteArray("userid=demo&pass=demo") << true;
    QTest::newRow("user ID in capitals") << QByteArray("userid=DEMO&pass=demo") << true;
    QTest::newRow("wrong password") << QByteArray("userid=demo&pass=Demo") << false;
    QTest::newRow("empty form") << QByteArray() << false;
}

void DemoSiteTest::signIn()
{
    QFETCH(QByteArray, form);
    QFETCH(bool, accepted);
    const Reply reply = post(m_base + QStringLiteral("signin"), form);
    if (!accepted) {
        QCOMPARE(reply.status, 200);
        QVERIFY(reply.cookies.isEmpty());
        QVERIFY(reply.body.contains("incorrect") && reply.body.contains("id=\"userid\""));
        return;
    }
    QCOMPARE(reply.status, 302);
    const QString signInPage = m_base + QStringLiteral("ws/eBayISAPI.dll?MyeBay&pageType=1883");
    QCOMPARE(QString::fromLatin1(reply.location), signInPage);
    QCOMPARE(reply.cookies.size(), 1);
    const QNetworkCookie cookie = reply.cookies.first();
    QVERIFY(cookie.isHttpOnly());
    QCOMPARE(cookie.path(), QStringLiteral("/"));

    const Reply my = fetch(signInPage, cookie.toRawForm(QNetworkCookie::NameAndValueOnly));
    QCOMPARE(my.status, 200);
    QVERIFY(my.body.contains("My eBay: Sold"));
    QVERIFY(my.body.contains(option(QStringLiteral("Config20.rtf")).toLatin1()));
    QVERIFY(!my.body.contains("id=\"sgnBt\""));
    // A made-up session is not signed in.
    QVERIFY(fetch(signInPage, "demo_session=0").body.contains("id=\"sgnBt\""));
}

// A Sold pass with the Sold markers over the sold-items page, without and
// with the session cookie.
void DemoSiteTest::soldScan()
{
    const Scan::SoldMarkers m = {markers(2, 0), markers(2, 1), markers(2, 4), markers(2, 5),
                                 markers(2, 6)};
    const std::array<QString, Scan::ListingRows> cells{};
    const auto cellsOf = [](const Scan::SoldRow& r) {
        return QStringList{r.auction, r.quantity, r.salePrice, r.saleDate, r.title};
    };
    const QString address = option(QStringLiteral("Config27.rtf"));

    const Reply anonymous = fetch(address);
    QCOMPARE(anonymous.status, 200);
    QVERIFY(anonymous.body.contains("Please sign in"));
    const Scan::SoldPass none = Scan::scanSoldPass(QString::fromUtf8(anonymous.body), m, cells, 0);
    QVERIFY(none.firstAuctionEmpty());
    QCOMPARE(none.saleDates, 0);

    const QByteArray cookie = signInCookie();
    QVERIFY(!cookie.isEmpty());
    const Reply signedIn = fetch(address, cookie);
    QCOMPARE(signedIn.status, 200);
    const Scan::SoldPass pass = Scan::scanSoldPass(QString::fromUtf8(signedIn.body), m, cells, 0);
    QCOMPARE(pass.saleDates, 12);
    QCOMPARE(cellsOf(pass.rows[0]), QStringList({"110039818235", "1", "$18.50", "Mar-14-2024",
                                                 "Tala Icing Set in Original Box"}));
    QCOMPARE(cellsOf(pass.rows[5]), QStringList({"110039815233", "2", "$9.00", "Mar-09-2024",
                                                 "Wade Whimsies Hedgehog Figure"}));
    // The second sale of the same item keeps the Auction cell as it was.
    QCOMPARE(cellsOf(pass.rows[6]),
             QStringList({"", "1", "$4.50", "Mar-09-2024", "Wade Whimsies Hedgehog Figure"}));
    QCOMPARE(cellsOf(pass.rows[11]),
             QStringList({"110039812245", "1", "$19.99", "Mar-02-2024",
                          "Victorian Silver Plated Napkin Rings Set of 4"}));
    QCOMPARE(cellsOf(pass.rows[12]), QStringList({"", "", "", "", ""}));
}

void DemoSiteTest::connections_data()
{
    QTest::addColumn<bool>("close");
    QTest::addColumn<int>("newConnections");
    QTest::newRow("keep-alive reuses one") << false << 1;
    QTest::newRow("Connection: close each time") << true << 3;
}

void DemoSiteTest::connections()
{
    QFETCH(bool, close);
    const int before = m_site.connectionCount();
    QNetworkAccessManager fresh;
    for (int i = 0; i < 3; ++i)
        QCOMPARE(fetch(m_base, QByteArray(), &fresh, close).status, 200);
    QTEST(m_site.connectionCount() - before, "newConnections");
}

void DemoSiteTest::requestLog()
{
    fetch(m_base + QStringLiteral("sold"), signInCookie());
    fetch(listingAddress(QStringLiteral("demoseller")));
    const QStringList lines = m_site.logLines();
    static const QRegularExpression shape(QStringLiteral(
        "^(connection \\d+|request [A-Z]+ /\\S* cookie=(yes|no) status=\\d{3} connection=\\d+)$"));
    for (const QString& line : lines)
        QVERIFY2(shape.match(line).hasMatch(), qPrintable(line));
    QVERIFY(lines.contains(QStringLiteral("connection 1")));
    for (const char* seen :
         {"request POST /signin cookie=no status=302", "request GET /sold cookie=yes status=200",
          "request GET /sold cookie=no status=200"})
        QVERIFY2(!lines.filter(QLatin1String(seen)).isEmpty(), seen);
    QVERIFY(lines.last().startsWith(
        QLatin1String("request GET /seller?user=demoseller cookie=no status=200")));
}

void DemoSiteTest::delayedAnswers()
{
    DemoSiteProcess slow({QStringLiteral("--delay-ms"), QStringLiteral("400")});
    QVERIFY(slow.isRunning());
    const QString item = slow.baseUrl() + QStringLiteral("/item?id=110042329083");
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(fetch(item).status, 200);
    QVERIFY(clock.elapsed() >= 400);

    // A client that gives up while its answer is held back must not take the
    // site down, and its fetch still counts.
    QNetworkReply* abandoned = m_net.get(plainRequest(item));
    QTest::qWait(100);
    abandoned->abort();
    delete abandoned;
    QTest::qWait(600);
    const Reply after = fetch(item);
    QCOMPARE(after.status, 200);
    QCOMPARE(Scan::findCounter(QString::fromUtf8(after.body), 800,
                               option(QStringLiteral("Config12.rtf")),
                               option(QStringLiteral("Config13.rtf")))
                 .value,
             QStringLiteral("00207"));
}

QTEST_GUILESS_MAIN(DemoSiteTest)
#include "tst_demosite.moc"
