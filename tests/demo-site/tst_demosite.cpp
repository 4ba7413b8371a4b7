// The demo auction site as the program meets it: the site runs as its own
// process on 127.0.0.1, and the option values of tools/make-data/options.txt are
// applied to its pages with a literal marker search, so any drift between
// the pages and the markers shows up here.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

struct Found
{
    QString value;
    int end = 0; // 1-based position to continue from
    bool found = false;
};

// Position by position, as the program's marker rule reads: before marker at
// p (1-based, p0..limit), after marker at p + j for j0..J; the value starts
// after the before marker and is fixedLength long, or runs to the after marker.
Found fieldSearch(QStringView page, int p0, int limit, int j0, int J, const QString& before,
                  const QString& after, int fixedLength = -1, int* lastBefore = nullptr)
{
    for (int p = qMax(p0, 1); p <= limit; ++p) {
        if (page.mid(p - 1, before.size()) != before)
            continue;
        if (lastBefore)
            *lastBefore = p;
        for (int j = j0; j <= J; ++j) {
            if (page.mid(p + j - 1, after.size()) == after) {
                const int length = fixedLength >= 0 ? fixedLength : j - int(before.size());
                return {page.mid(p - 1 + before.size(), qMax(length, 0)).toString(), p, true};
            }
        }
    }
    return {QString(), limit + 1, false};
}

// The counter read from the start position: Basic marker at p, or Retro
// marker at p + |Retro| with the counter right before it. Null when missing.
QString readCounter(QStringView page, int start, const QString& basic, const QString& retro)
{
    for (int p = start; p <= page.size(); ++p) {
        if (page.mid(p - 1, basic.size()) == basic)
            return page.mid(p - 1 + basic.size(), 5).toString();
        if (page.mid(p - 1 + retro.size(), retro.size()) == retro)
            return page.mid(p - 1, 5).toString();
    }
    return QString();
}

struct Reply
{
    int status = 0;
    QByteArray body;
    QByteArray location;
    QList<QNetworkCookie> cookies;
};

} // namespace

class DemoSiteTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
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
    bool startSite(QProcess& process, const QStringList& extraArgs, QString* base);
    QString option(const QString& file) const;
    QString listingAddress(const QString& user) const;
    Reply fetch(const QString& url, const QByteArray& cookie = QByteArray(),
                QNetworkAccessManager* manager = nullptr,
                const QList<QPair<QByteArray, QByteArray>>& headers = {});
    Reply post(const QString& url, const QByteArray& form);
    Reply wait(QNetworkReply* reply);
    QByteArray signInCookie();
    QStringList logLines() const;

    QTemporaryDir m_dir;
    QProcess m_site;
    QString m_base; // "http://127.0.0.1:<port>/"
    QHash<QString, QString> m_options;
    QNetworkAccessManager m_net;
};

bool DemoSiteTest::startSite(QProcess& process, const QStringList& extraArgs, QString* base)
{
    process.setProgram(QStringLiteral(DEMO_SITE_EXE));
    process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0")} + extraArgs);
    process.start();
    if (!process.waitForStarted(10000))
        return false;
    static const QRegularExpression url(QStringLiteral("http://127\\.0\\.0\\.1:\\d+/"));
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        process.waitForReadyRead(200);
        out += process.readAllStandardOutput();
        const auto match = url.match(QString::fromUtf8(out));
        if (match.hasMatch()) {
            *base = match.captured();
            return true;
        }
    }
    return false;
}

void DemoSiteTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(startSite(m_site, {QStringLiteral("--log"), m_dir.filePath(QStringLiteral("site.log"))},
                      &m_base));

    QFile file(QStringLiteral(DEMO_SITE_OPTIONS));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString host = QUrl(m_base).authority();
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.isEmpty())
            continue;
        const int tab = line.indexOf(QLatin1Char('\t'));
        QVERIFY2(tab > 0, qPrintable(line));
        // Escaped backslashes are parked first, so "\\t" stays a backslash and a t.
        QString text = line.mid(tab + 1);
        text.replace(QLatin1String("\\\\"), QChar(1))
            .replace(QLatin1String("\\t"), QLatin1String("\t"))
            .replace(QLatin1String("\\n"), QLatin1String("\n"))
            .replace(QChar(1), QLatin1Char('\\'));
        // The installed options name port 8765; this site runs elsewhere.
        text.replace(QStringLiteral("127.0.0.1:8765"), host);
        m_options.insert(line.left(tab), text);
    }
    QCOMPARE(m_options.size(), 38);
}

void DemoSiteTest::cleanupTestCase()
{
    m_site.terminate();
    if (!m_site.waitForFinished(5000))
        m_site.kill();
}

QString DemoSiteTest::option(const QString& file) const
{
    return m_options.value(file);
}

QString DemoSiteTest::listingAddress(const QString& user) const
{
    return option(QStringLiteral("Config18.rtf")) + user + option(QStringLiteral("Config58.rtf"));
}

Reply DemoSiteTest::wait(QNetworkReply* reply)
{
    std::unique_ptr<QNetworkReply> owner(reply);
    QEventLoop loop;
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    Reply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.location = reply->rawHeader("Location");
    result.cookies = reply->header(QNetworkRequest::SetCookieHeader).value<QList<QNetworkCookie>>();
    return result;
}

static QNetworkRequest plainRequest(const QString& url)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    return request;
}

Reply DemoSiteTest::fetch(const QString& url, const QByteArray& cookie,
                          QNetworkAccessManager* manager,
                          const QList<QPair<QByteArray, QByteArray>>& headers)
{
    QNetworkRequest request = plainRequest(url);
    if (!cookie.isEmpty())
        request.setRawHeader("Cookie", cookie);
    for (const auto& h : headers)
        request.setRawHeader(h.first, h.second);
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

QStringList DemoSiteTest::logLines() const
{
    QFile file(m_dir.filePath(QStringLiteral("site.log")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void DemoSiteTest::listingPages_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("pageRows");
    QTest::newRow("demo seller") << QStringLiteral("demoseller") << 20;
    QTest::newRow("more than 20") << QStringLiteral("bigattic") << 26;
    QTest::newRow("repeated number") << QStringLiteral("doubleup") << 9;
    QTest::newRow("fewer than 20") << QStringLiteral("smallshop") << 7;
    QTest::newRow("span time left") << QStringLiteral("lastcall") << 6;
    QTest::newRow("bids image") << QStringLiteral("shopfront") << 9;
    QTest::newRow("user ID in another case") << QStringLiteral("DemoSeller") << 20;
}

// Where the rows stand: the scan starts at 2000 and steps 325 past each
// auction-number marker, so rows before 2000 or closer than 325 get lost.
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

    const auto add = [](const char* name, const char* user, int rows, int timed, int row,
                        const QStringList& expected) {
        QTest::newRow(name) << QString::fromLatin1(user) << rows << timed << row << expected;
    };
    add("demoseller first row", "demoseller", 20, 20, 0,
        {"110042318817", "Vintage Brass Pocket Compass with Hinged Lid", "7", "$12.50", "$29.00",
         "0d 01h 14m"});
    add("demoseller second row", "demoseller", 20, 20, 1,
        {"110042319254", "Set of 6 Depression Glass Dessert Plates Pink", "3", "$18.00", "$35.00",
         "0d 05h 42m"});
    add("demoseller last row", "demoseller", 20, 20, 19,
        {"110042331963", "Crewel Embroidery Kit Unopened 1970s Owls", "0", "$6.00", "$14.00",
         "5d 01h 21m"});
    add("only 20 of 26 are read", "bigattic", 20, 20, 19,
        {"110051311823", "Crate of 30 Old Beer Bottles", "3", "$12.25", "$28.00", "6d 07h 11m"});
    add("repeat is skipped", "doubleup", 8, 8, 4,
        {"110047723072", "Dinky Toys Fire Engine 955", "12", "$17.00", "$38.00", "1d 08h 09m"});
    add("nothing after the last", "smallshop", 7, 7, 7, {"", "", "", "", "", ""});
    add("span time left", "lastcall", 6, 8, 1,
        {"110046610883", "Marcasite Brooch Bow Design", "10", "$18.50", "$40.00", "47m"});
    add("bids image", "shopfront", 9, 9, 0,
        {"110048830561", "Beeswax Candle Hand Rolled Pair", "-", "$14.00", "$14.00", "0d 05h 00m"});
}

// The listing phase of an Active scan with the Active markers of
// tools/make-data/options.txt.
void DemoSiteTest::activeScan()
{
    QFETCH(QString, user);
    QFETCH(int, rowsWithNumber);
    QFETCH(int, timedRows);
    QFETCH(int, row);
    QFETCH(QStringList, expected);

    const Reply reply = fetch(listingAddress(user));
    QCOMPARE(reply.status, 200);
    const QString page = QString::fromUtf8(reply.body);
    const auto before = [this](int r) { return option(QStringLiteral("Config1%1.rtf").arg(r)); };
    const auto after = [this](int r) { return option(QStringLiteral("Config5%1.rtf").arg(r)); };

    QList<QStringList> rows;
    int p = 2000;
    int next = 0;
    int timed = 0;
    QString previous;
    for (int i = 0; i < 20; ++i) {
        Found number;
        for (;;) {
            int lastBefore = 0;
            number = fieldSearch(page, p, page.size(), 1, 5000, before(0), after(0),
                                 before(0).size() + after(0).size(), &lastBefore);
            if (lastBefore)
                next = lastBefore + 325;
            if (i == 0 || number.value.isEmpty() || number.value != previous)
                break;
            p = next;
        }
        p = number.end;
        const Found title = fieldSearch(page, p, p + 55000, 1, 5000, before(1), after(1));
        p = title.end;
        Found bids = fieldSearch(page, p, p + 5000, 1, 900, before(6), after(6));
        p = bids.end;
        if (bids.value.startsWith(QLatin1String("<img")))
            bids.value = QStringLiteral("-");
        const Found start = fieldSearch(page, p, p + 500, 1, 900, before(5), after(5));
        p = start.end;
        if (start.value.isEmpty())
            p -= 500;
        const Found buyNow = fieldSearch(page, p, p + 500, 1, 900, before(7), after(7));
        p = buyNow.end;
        Found time = fieldSearch(page, p, p + 5000, 1, 5000, before(4), after(4));
        if (time.found)
            ++timed;
        if (time.value.left(10) == QLatin1String("<span clas")) {
            time.value = time.value.right(10).left(3);
            ++timed;
        }
        previous = number.value;
        p = next;
        rows.append(QStringList{number.value, title.value, bids.value, start.value, buyNow.value,
                                time.value});
    }

    const int numbered = int(std::count_if(
        rows.cbegin(), rows.cend(), [](const QStringList& r) { return !r.first().isEmpty(); }));
    QCOMPARE(numbered, rowsWithNumber);
    QCOMPARE(timed, timedRows);
    QCOMPARE(rows.at(row), expected);
}

void DemoSiteTest::itemCounters_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QStringList>("reads"); // one per fetch; empty: no counter found
    QTest::newRow("basic") << QStringLiteral("110042318817")
                           << QStringList{"00144", "00145", "00146"};
    QTest::newRow("retro") << QStringLiteral("110042319254") << QStringList{"00089", "00090"};
    QTest::newRow("dashes first") << QStringLiteral("110049916381")
                                  << QStringList{"--</f", "--</f", "00341", "00342"};
    QTest::newRow("no counter") << QStringLiteral("110049917629") << QStringList{"", ""};
    QTest::newRow("sold item") << QStringLiteral("110039818235") << QStringList{"00062"};
    QTest::newRow("unknown number") << QStringLiteral("123456789012") << QStringList{""};
    QTest::newRow("empty number") << QString() << QStringList{""};
}

// Item pages at the Sold row 8 address, read from the counter start position
// with the Basic and Retro markers; every fetch counts.
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
        const QString active = readCounter(page, start, option(QStringLiteral("Config12.rtf")),
                                           option(QStringLiteral("Config13.rtf")));
        const QString sold = readCounter(page, start, option(QStringLiteral("Config22.rtf")),
                                         option(QStringLiteral("Config23.rtf")));
        QCOMPARE(active, expected);
        QCOMPARE(sold, expected);
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
    QTest::newRow("item view, unknown")
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
    QFETCH(int, status);
    QFETCH(QByteArray, contains);
    const Reply reply = fetch(m_base + path);
    QCOMPARE(reply.status, status);
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
        QVERIFY(reply.body.contains("incorrect"));
        QVERIFY(reply.body.contains("id=\"userid\""));
        return;
    }
    QCOMPARE(reply.status, 302);
    const QString signInPage = m_base + QStringLiteral("ws/eBayISAPI.dll?MyeBay&pageType=1883");
    QCOMPARE(QString::fromLatin1(reply.location), signInPage);
    QCOMPARE(reply.cookies.size(), 1);
    const QNetworkCookie cookie = reply.cookies.first();
    QVERIFY(cookie.isHttpOnly());
    QCOMPARE(cookie.path(), QStringLiteral("/"));

    const QByteArray header = cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
    const Reply my = fetch(signInPage, header);
    QCOMPARE(my.status, 200);
    QVERIFY(my.body.contains("My eBay: Sold"));
    QVERIFY(my.body.contains(option(QStringLiteral("Config20.rtf")).toLatin1()));
    QVERIFY(!my.body.contains("id=\"sgnBt\""));

    // A made-up session is not signed in.
    const Reply forged = fetch(signInPage, QByteArrayLiteral("demo_session=0"));
    QVERIFY(forged.body.contains("id=\"sgnBt\""));
}

// The row steps of a Sold scan with the Sold markers, on the page at Sold
// row 7, without and with the session cookie.
void DemoSiteTest::soldScan()
{
    const auto before = [this](int r) { return option(QStringLiteral("Config2%1.rtf").arg(r)); };
    const auto after = [this](int r) { return option(QStringLiteral("Config6%1.rtf").arg(r)); };
    const auto scan = [&](const QString& page, int* saleDates) {
        QList<QStringList> rows;
        int position = 100;
        QString previous;
        *saleDates = 0;
        for (int row = 0; row < 20; ++row) {
            const Found number = fieldSearch(page, position, page.size(), before(0).size(), 500,
                                             before(0), after(0), before(0).size());
            position = number.end;
            QString item = number.value;
            if (item.endsWith(QLatin1Char('_')))
                item.chop(1);
            const QString auction =
                row == 0 || item != previous || item.isEmpty() ? item : QString();
            const Found qty =
                fieldSearch(page, position, position + 5000, 1, 900, before(6), after(6));
            position = qty.end;
            const Found price =
                fieldSearch(page, position, position + 500, 1, 900, before(5), after(5));
            position = price.end;
            const Found date =
                fieldSearch(page, position, position + 5000, 1, 5000, before(4), after(4));
            position = date.end;
            if (date.found)
                ++*saleDates;
            const Found title =
                fieldSearch(page, position, position + 55000, 1, 5000, before(1), after(1));
            position = qMax(1, title.end - 250);
            previous = item;
            rows.append(QStringList{auction, qty.value, price.value, date.value, title.value});
        }
        return rows;
    };

    const QString soldAddress = option(QStringLiteral("Config27.rtf"));
    const Reply anonymous = fetch(soldAddress);
    QCOMPARE(anonymous.status, 200);
    QVERIFY(anonymous.body.contains("Please sign in"));
    QVERIFY(!anonymous.body.contains(before(0).toLatin1()));
    int saleDates = -1;
    QCOMPARE(scan(QString::fromUtf8(anonymous.body), &saleDates).first(),
             QStringList({"", "", "", "", ""}));
    QCOMPARE(saleDates, 0);

    const QByteArray cookie = signInCookie();
    QVERIFY(!cookie.isEmpty());
    const Reply signedIn = fetch(soldAddress, cookie);
    QCOMPARE(signedIn.status, 200);
    const QList<QStringList> rows = scan(QString::fromUtf8(signedIn.body), &saleDates);
    QCOMPARE(saleDates, 12);
    QCOMPARE(rows.at(0), QStringList({"110039818235", "1", "$18.50", "Mar-14-2024",
                                      "Tala Icing Set in Original Box"}));
    QCOMPARE(rows.at(5), QStringList({"110039815233", "2", "$9.00", "Mar-09-2024",
                                      "Wade Whimsies Hedgehog Figure"}));
    // The second sale of the same item keeps an empty Auction cell.
    QCOMPARE(rows.at(6),
             QStringList({"", "1", "$4.50", "Mar-09-2024", "Wade Whimsies Hedgehog Figure"}));
    QCOMPARE(rows.at(11), QStringList({"110039812245", "1", "$19.99", "Mar-02-2024",
                                       "Victorian Silver Plated Napkin Rings Set of 4"}));
    QCOMPARE(rows.at(12), QStringList({"", "", "", "", ""}));
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
    QFETCH(int, newConnections);
    const auto countConnections = [this] {
        const QStringList lines = logLines();
        return int(std::count_if(lines.cbegin(), lines.cend(), [](const QString& line) {
            return line.startsWith(QLatin1String("connection "));
        }));
    };
    const int before = countConnections();
    QNetworkAccessManager fresh;
    QList<QPair<QByteArray, QByteArray>> headers;
    if (close)
        headers.append(qMakePair(QByteArray("Connection"), QByteArray("close")));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(fetch(m_base, QByteArray(), &fresh, headers).status, 200);
    QCOMPARE(countConnections() - before, newConnections);
}

void DemoSiteTest::requestLog()
{
    const QByteArray cookie = signInCookie();
    fetch(m_base + QStringLiteral("sold"), cookie);
    fetch(listingAddress(QStringLiteral("demoseller")));
    const QStringList lines = logLines();
    static const QRegularExpression shape(QStringLiteral(
        "^(connection \\d+|request [A-Z]+ /\\S* cookie=(yes|no) status=\\d{3} connection=\\d+)$"));
    for (const QString& line : lines)
        QVERIFY2(shape.match(line).hasMatch(), qPrintable(line));
    QVERIFY(lines.contains(QStringLiteral("connection 1")));
    QVERIFY(lines.filter(QStringLiteral("request POST /signin cookie=no status=302")).size() > 0);
    QVERIFY(lines.filter(QStringLiteral("request GET /sold cookie=yes status=200")).size() > 0);
    QVERIFY(lines.filter(QStringLiteral("request GET /sold cookie=no status=200")).size() > 0);
    QVERIFY(lines.last().startsWith(
        QLatin1String("request GET /seller?user=demoseller cookie=no status=200")));
}

void DemoSiteTest::delayedAnswers()
{
    QProcess slow;
    QString base;
    QVERIFY(startSite(slow, {QStringLiteral("--delay-ms"), QStringLiteral("400")}, &base));

    QElapsedTimer clock;
    clock.start();
    const Reply first = fetch(base + QStringLiteral("item?id=110042329083"));
    QCOMPARE(first.status, 200);
    QVERIFY(clock.elapsed() >= 400);

    // A client that gives up while its answer is held back must not take the
    // site down, and its fetch still counted.
    QNetworkReply* abandoned =
        m_net.get(plainRequest(base + QStringLiteral("item?id=110042329083")));
    QTest::qWait(100);
    abandoned->abort();
    delete abandoned;
    QTest::qWait(600);
    QCOMPARE(slow.state(), QProcess::Running);
    const Reply after = fetch(base + QStringLiteral("item?id=110042329083"));
    QCOMPARE(after.status, 200);
    QCOMPARE(readCounter(QString::fromUtf8(after.body), 800, option(QStringLiteral("Config12.rtf")),
                         option(QStringLiteral("Config13.rtf"))),
             QStringLiteral("00207"));

    slow.terminate();
    if (!slow.waitForFinished(5000))
        slow.kill();
}

QTEST_GUILESS_MAIN(DemoSiteTest)
#include "tst_demosite.moc"
