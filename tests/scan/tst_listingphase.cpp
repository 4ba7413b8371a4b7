#include "LiteralLoops.h"
#include "RandomText.h"
#include "scan/ListingPhase.h"

#include <QtTest>

namespace {

QString bar(const QStringList& fields)
{
    return fields.join(QLatin1Char('|'));
}

QStringList lines(const Scan::ActiveListing& l)
{
    QStringList out;
    for (const Scan::ActiveRow& r : l.rows)
        out << bar({r.auction, r.title, r.bids, r.startPrice, r.price, r.timeLeft});
    out << QStringLiteral("timed %1 restarts %2 progress %3/%4")
               .arg(l.timedRows)
               .arg(l.restarts)
               .arg(l.progressValue)
               .arg(l.progressMaximum);
    return out;
}

QStringList lines(const Scan::SoldPass& s)
{
    QStringList out;
    for (const Scan::SoldRow& r : s.rows)
        out << bar({r.auction, r.quantity, r.salePrice, r.saleDate, r.title});
    out << QStringLiteral("dates %1 progress %2/%3")
               .arg(s.saleDates)
               .arg(s.progressValue)
               .arg(s.progressMaximum);
    return out;
}

// First differing line, for a readable failure.
QByteArray difference(quint32 seed, const QStringList& fast, const QStringList& slow)
{
    qsizetype i = 0;
    while (i < fast.size() && fast[i] == slow.value(i))
        ++i;
    return QStringLiteral("seed %1 line %2\n fast: %3\n slow: %4")
        .arg(seed)
        .arg(i)
        .arg(fast.value(i), slow.value(i))
        .toUtf8();
}

const Scan::ActiveMarkers activeMarkers = {{QStringLiteral("<a>"), QStringLiteral("</a>")},
                                           {QStringLiteral("<t>"), QStringLiteral("</t>")},
                                           {QStringLiteral("<tl>"), QStringLiteral("</tl>")},
                                           {QStringLiteral("<s>"), QStringLiteral("</s>")},
                                           {QStringLiteral("<bd>"), QStringLiteral("</bd>")},
                                           {QStringLiteral("<p>"), QStringLiteral("</p>")}};

// One listing as the demo pages write it; `fields` are the auction number (7
// characters), title, bids, start price, buy-now price and time left, in
// page order; a field given as "-" is left out.
QString listing(const QStringList& fields, int fill = 400)
{
    static const char* const names[] = {"a", "t", "bd", "s", "p", "tl"};
    QString s;
    for (int i = 0; i < 6; ++i)
        if (fields[i] != QLatin1String("-"))
            s += QStringLiteral("<%1>%2</%1>").arg(QLatin1String(names[i]), fields[i]);
    return s + QString(fill, QLatin1Char('.'));
}

QString header(int length = 2000)
{
    return QString(length, QLatin1Char('.'));
}

const Scan::SoldMarkers soldMarkers = {{QStringLiteral("#item="), QStringLiteral("\">")},
                                       {QStringLiteral("<t>"), QStringLiteral("</t>")},
                                       {QStringLiteral("<d>"), QStringLiteral("</d>")},
                                       {QStringLiteral("<sp>"), QStringLiteral("</sp>")},
                                       {QStringLiteral("<q>"), QStringLiteral("</q>")}};

// One sold item: item number, quantity, sale price, sale date, title. The
// gap keeps the title more than 250 characters after the item number, so the
// next row's search starts past this item.
QString sold(const QStringList& f, int gap = 300)
{
    return QStringLiteral("#item=%1\">").arg(f[0]) + QString(gap, QLatin1Char('.')) +
           QStringLiteral("<q>%1</q><sp>%2</sp><d>%3</d><t>%4</t>").arg(f[1], f[2], f[3], f[4]) +
           QString(300, QLatin1Char('.'));
}

QStringList split(const char* row)
{
    return QString::fromUtf8(row).split(QLatin1Char('|'));
}

} // namespace

class tst_ListingPhase : public QObject
{
    Q_OBJECT

private slots:
    void activeListing_data();
    void activeListing();
    void restartKeepsTimedRows();
    void activeMatchesLiteralLoop();

    void soldPass_data();
    void soldPass();
    void soldMatchesLiteralLoop();
};

void tst_ListingPhase::activeListing_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("soldSelected");
    QTest::addColumn<QStringList>("rows"); // the first rows; the literal loop checks the rest
    QTest::addColumn<int>("timedRows");
    QTest::addColumn<int>("restarts");

    const QStringList one = split("1000001|Lamp|3|5.00|9.99|2d 4h");
    const QStringList two = split("2000002|Vase|0|7.50|12.00|1d");
    const QString oneRow = bar(one);
    const QString twoRow = bar(two);

    QTest::newRow("number before position 2000 not seen")
        << listing(two) + header(2000 - listing(two).size()) + listing(one) << false
        << QStringList{oneRow, bar(QStringList(6))} << 1 << 0;
    QTest::newRow("repeated number: the next one past it")
        << header() + listing(one) + listing(one) + listing(two) << false
        << QStringList{oneRow, twoRow, bar(QStringList(6))} << 2 << 0;
    QTest::newRow("bids picture shows a dash")
        << header() + listing(split("1000001|Lamp|<img src=x>|5.00|9.99|2d")) << false
        << QStringList{QStringLiteral("1000001|Lamp|-|5.00|9.99|2d")} << 1 << 0;
    QTest::newRow("time in a span: three letters, counted twice")
        << header() + listing(split("1000001|Lamp|3|5.00|9.99|<span class=\"x\">abcdefghij"))
        << false << QStringList{QStringLiteral("1000001|Lamp|3|5.00|9.99|abc")} << 2 << 0;
    QTest::newRow("empty start price: buy-now sought 500 back")
        << header() + listing(split("1000001|Lamp|3|-|9.99|2d"), 1000)
                          .replace(QStringLiteral("</p>"), QStringLiteral("</p><s></s>"))
        << false << QStringList{QStringLiteral("1000001|Lamp|3||9.99|2d")} << 1 << 0;
    QTest::newRow("start price given: a buy-now before it is missed")
        << header() + listing(split("1000001|Lamp|3|-|9.99|2d"), 1000)
                          .replace(QStringLiteral("</p>"), QStringLiteral("</p><s>5.00</s>"))
        << false << QStringList{QStringLiteral("1000001|Lamp|3|5.00||")} << 0 << 0;
    QTest::newRow("row without a time not counted")
        << header() + listing(one) + listing(split("2000002|Vase|0|7.50|12.00|-")) << false
        << QStringList{oneRow, QStringLiteral("2000002|Vase|0|7.50|12.00|")} << 1 << 0;
    QTest::newRow("sold option: price cells empty")
        << header() + listing(one) + listing(two) << true
        << QStringList{QStringLiteral("1000001|Lamp|3|5.00||2d 4h"),
                       QStringLiteral("2000002|Vase|0|7.50||1d")}
        << 2 << 0;
    QTest::newRow("no auction numbers: three restarts, empty rows")
        << header(3000) + QStringLiteral("<t>x</t><tl>1d</tl>") << false
        << QStringList{bar(QStringList(6)), bar(QStringList(6))} << 0 << 3;
    QTest::newRow("page shorter than 2000: no restart")
        << listing(one) << false << QStringList{bar(QStringList(6))} << 0 << 0;
}

void tst_ListingPhase::activeListing()
{
    QFETCH(QString, page);
    QFETCH(bool, soldSelected);
    QFETCH(QStringList, rows);

    const Scan::ActiveListing result = Scan::scanActiveListing(page, activeMarkers, soldSelected);
    const QStringList got = lines(result);
    QCOMPARE(got.mid(0, rows.size()), rows);
    QTEST(result.timedRows, "timedRows");
    QTEST(result.restarts, "restarts");
    QCOMPARE(got, lines(Literal::activeListing(page, activeMarkers, soldSelected)));
}

void tst_ListingPhase::restartKeepsTimedRows()
{
    // Empty auction markers match at once with an empty number, so row 0
    // stays empty and row 1, starting on the page's last character, restarts.
    Scan::ActiveMarkers markers = activeMarkers;
    markers.auction = {};
    QString page = header() + listing(split("-|Lamp|3|5.00|9.99|2d"), 0);
    page += header(2325 - page.size());

    const Scan::ActiveListing result = Scan::scanActiveListing(page, markers, false);
    QCOMPARE(result.restarts, 3);
    QCOMPARE(result.timedRows, 4); // row 0's time on each of the four passes
    QCOMPARE(lines(result).first(), QStringLiteral("|Lamp|3|5.00|9.99|2d"));
    QCOMPARE(lines(result), lines(Literal::activeListing(page, markers, false)));
}

void tst_ListingPhase::activeMatchesLiteralLoop()
{
    for (quint32 seed = 1; seed <= 2500; ++seed) {
        RandomText r(seed);
        // Markers that match all over the page, or only where dropped in.
        const bool rare = r.chance(50);
        Scan::ActiveMarkers m;
        for (Scan::MarkerPair* pair :
             {&m.auction, &m.title, &m.timeLeft, &m.startPrice, &m.bids, &m.price})
            *pair = {r.marker(3, rare ? u"<a/" : u"ab<"), r.marker(3, rare ? u">/b" : u"ab>")};
        QStringList pieces = {QStringLiteral("<img"), QStringLiteral("<span class=abcdefghij")};
        for (const Scan::MarkerPair* pair :
             {&m.auction, &m.title, &m.timeLeft, &m.startPrice, &m.bids, &m.price})
            pieces << pair->before << pair->after;
        const int kind = r.number(0, 9);
        const int length = kind == 0   ? r.number(0, 100)
                           : kind <= 2 ? r.number(1500, 2100)
                           : kind <= 6 ? r.number(2000, 3200)
                                       : r.number(3200, 9000);
        const QString page = r.page(length, u"ab", pieces, r.number(1, 6));
        const bool soldSelected = r.chance(20);

        const QStringList fast = lines(Scan::scanActiveListing(page, m, soldSelected));
        const QStringList slow = lines(Literal::activeListing(page, m, soldSelected));
        if (fast != slow)
            QFAIL(difference(seed, fast, slow).constData());
    }
}

void tst_ListingPhase::soldPass_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("itemAfter");
    QTest::addColumn<int>("saleDatesBefore");
    QTest::addColumn<QStringList>("rows"); // the first rows; the literal loop checks the rest
    QTest::addColumn<int>("saleDates");

    const QString start = header(100);
    const QString quote = QStringLiteral("\">");
    const QStringList lamp = split("123456|1|5.00|Jan-03|Lamp");
    const QStringList vase = split("654321|2|7.00|Feb-14|Vase");
    const QString empty = bar(QStringList(5));

    QTest::newRow("item number as long as its marker, trailing _ dropped")
        << start + sold(split("12345_|1|5.00|Jan-03|Lamp")) + sold(vase) << quote << 0
        << QStringList{QStringLiteral("12345|1|5.00|Jan-03|Lamp"), bar(vase), empty} << 2;
    QTest::newRow("after marker inside the before marker does not confirm")
        << start + QStringLiteral("#item=123456") + header(600) +
               QStringLiteral("#item=654321=<q>2</q>")
        << QStringLiteral("=") << 0 << QStringList{QStringLiteral("654321|2|||"), empty} << 0;
    QTest::newRow("after marker past 500 does not confirm")
        << start + QStringLiteral("#item=123456") + header(600) +
               QStringLiteral("\">#item=654321\"><q>2</q>")
        << quote << 0 << QStringList{QStringLiteral("654321|2|||"), empty} << 0;
    QTest::newRow("repeated item number: Auction cell as it was")
        << start + sold(lamp) + sold(lamp) << quote << 0
        << QStringList{bar(lamp), QStringLiteral("keep|1|5.00|Jan-03|Lamp"), empty} << 2;
    QTest::newRow("quantity picture shows a dash")
        << start + sold(split("123456|<img src=q>|5.00|Jan-03|Lamp")) << quote << 0
        << QStringList{QStringLiteral("123456|-|5.00|Jan-03|Lamp")} << 1;
    QTest::newRow("sale date in a span: three letters, counted twice")
        << start + sold(split("123456|1|5.00|<span class=\"d\">abcdefghij|Lamp")) << quote << 4
        << QStringList{QStringLiteral("123456|1|5.00|abc|Lamp")} << 6;
    QTest::newRow("next item 200 before the title is read")
        << start +
               sold(lamp).replace(QStringLiteral("<t>"), QStringLiteral("#item=777777\">") +
                                                             header(186) + QStringLiteral("<t>"))
        << quote << 0 << QStringList{bar(lamp), QStringLiteral("777777||||"), empty} << 1;
    QTest::newRow("next item 300 before the title is missed")
        << start +
               sold(lamp).replace(QStringLiteral("<t>"), QStringLiteral("#item=777777\">") +
                                                             header(286) + QStringLiteral("<t>"))
        << quote << 0 << QStringList{bar(lamp), empty} << 1;
    QTest::newRow("step back before the page's start counts as 1")
        << QStringLiteral("#item=999999\">") + header(86) + sold(lamp, 0) << quote << 0
        << QStringList{bar(lamp), QStringLiteral("999999|1|5.00|Jan-03|Lamp"),
                       QStringLiteral("keep|1|5.00|Jan-03|Lamp")}
        << 20;
    QTest::newRow("no item numbers: row 0 empty, count kept")
        << start + QStringLiteral("<q>1</q><d>Jan-03</d>") << quote << 7
        << QStringList{empty, empty} << 7;
}

void tst_ListingPhase::soldPass()
{
    QFETCH(QString, page);
    QFETCH(QString, itemAfter);
    QFETCH(int, saleDatesBefore);
    QFETCH(QStringList, rows);

    Scan::SoldMarkers markers = soldMarkers;
    markers.item.after = itemAfter;
    std::array<QString, Scan::ListingRows> cells;
    cells.fill(QStringLiteral("keep"));
    const Scan::SoldPass result = Scan::scanSoldPass(page, markers, cells, saleDatesBefore);
    const QStringList got = lines(result);
    QCOMPARE(got.mid(0, rows.size()), rows);
    QTEST(result.saleDates, "saleDates");
    QCOMPARE(result.firstAuctionEmpty(), rows.first().startsWith(QLatin1Char('|')));
    QCOMPARE(got, lines(Literal::soldPass(page, markers, cells, saleDatesBefore)));
}

void tst_ListingPhase::soldMatchesLiteralLoop()
{
    for (quint32 seed = 1; seed <= 1500; ++seed) {
        RandomText r(seed);
        const bool rare = r.chance(50);
        Scan::SoldMarkers m;
        for (Scan::MarkerPair* pair : {&m.item, &m.title, &m.saleDate, &m.salePrice, &m.quantity})
            *pair = {r.marker(3, rare ? u"<a/" : u"ab<"), r.marker(3, rare ? u">/b" : u"ab>")};
        QStringList pieces = {QStringLiteral("<img"), QStringLiteral("<span class=abcdefghij"),
                              QStringLiteral("_")};
        for (const Scan::MarkerPair* pair :
             {&m.item, &m.title, &m.saleDate, &m.salePrice, &m.quantity})
            pieces << pair->before << pair->after;
        const QString page =
            r.page(r.number(0, r.chance(70) ? 1200 : 6000), u"ab", pieces, r.number(1, 6));
        std::array<QString, Scan::ListingRows> cells;
        for (QString& cell : cells)
            cell = r.chance(50) ? QString() : r.text(2, u"ab");
        const int saleDates = r.number(0, 5);

        const QStringList fast = lines(Scan::scanSoldPass(page, m, cells, saleDates));
        const QStringList slow = lines(Literal::soldPass(page, m, cells, saleDates));
        if (fast != slow)
            QFAIL(difference(seed, fast, slow).constData());
    }
}

QTEST_GUILESS_MAIN(tst_ListingPhase)
#include "tst_listingphase.moc"
