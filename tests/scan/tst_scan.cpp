#include "LiteralLoops.h"
#include "scan/CounterRead.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// Seeded random pages and markers over small alphabets, so that markers
// match often, overlap, and stand at the page's end.
struct RandomText
{
    QRandomGenerator gen;

    int number(int lowest, int highest) { return gen.bounded(lowest, highest + 1); }
    bool chance(int percent) { return gen.bounded(100) < percent; }
    // About `length` characters of alphabet with the given pieces dropped in.
    QString text(int length, QStringView alphabet, const QStringList& pieces = {}, int percent = 0)
    {
        QString s;
        while (s.size() < length)
            s += !pieces.isEmpty() && chance(percent)
                     ? pieces[gen.bounded(int(pieces.size()))]
                     : QString(alphabet[gen.bounded(int(alphabet.size()))]);
        return s;
    }
    // Empty now and then.
    QString marker(int maxLength, QStringView alphabet)
    {
        return chance(8) ? QString() : text(number(1, maxLength), alphabet);
    }
    // Listing markers match all over the page, or only where dropped in.
    Scan::MarkerPair pair(bool rare, QStringList& pieces)
    {
        const Scan::MarkerPair p{marker(3, rare ? u"<a/" : u"ab<"),
                                 marker(3, rare ? u">/b" : u"ab>")};
        pieces << p.before << p.after;
        return p;
    }
};

// One input, answered as lines of text by the fast code or by the literal loop.
using Run = std::function<QStringList(bool literal)>;

Run field(const QString& page, const QString& before, const QString& after, qsizetype start = 1,
          qsizetype limit = 101, qsizetype j0 = 1, qsizetype j1 = 900)
{
    return [=](bool literal) -> QStringList {
        const Scan::FieldMatch m = (literal ? Literal::findField : Scan::findField)(
            page, start, limit, j0, j1, before, after);
        const QString value = literal ? Literal::between(page, m) : m.between(page);
        if (m.found)
            return {QString::asprintf("at %lld+%lld '%ls'", m.position, m.distance,
                                      qUtf16Printable(value))};
        return {QString::asprintf("none end %lld last %lld", m.end, m.lastBefore)};
    };
}

Run counter(const QString& page, qsizetype start, const QString& basic = QStringLiteral("<c>"),
            const QString& retro = QStringLiteral("RETRO"))
{
    return [=](bool literal) -> QStringList {
        const Scan::CounterMatch m = literal ? Literal::findCounter(page, start, basic, retro)
                                             : Scan::findCounter(page, start, basic, retro);
        const char* const markers[] = {"none", "basic", "retro"};
        return {QString::asprintf("%s %lld '%ls'%s", markers[int(m.marker)], m.position,
                                  qUtf16Printable(m.value), m.missBelow35 ? " miss" : "")};
    };
}

// The program's counter read, logged as Literal::counterRead logs the literal loop.
Run read(const QStringList& pages, qsizetype start, int tryLimit,
         const QString& basic = QStringLiteral("<c>"),
         const QString& retro = QStringLiteral("RETRO"))
{
    return [=](bool literal) -> QStringList {
        if (literal)
            return {Literal::counterRead(pages, start, basic, retro, tryLimit)};
        struct Log : Scan::CounterRow
        {
            QStringList entries;
            void notFound() override { entries << QStringLiteral("N/F"); }
            void found(const QString& value) override { entries << value; }
            void retrying() override { entries << QStringLiteral("Retry"); }
        } log;
        const auto fetch = [&]() -> std::optional<QString> {
            log.entries << QStringLiteral("fetch");
            return pages.at(std::min(log.entries.count(QStringLiteral("fetch")), pages.size()) - 1);
        };
        const auto settings = [&] { return Scan::CounterSettings{start, tryLimit, basic, retro}; };
        const Scan::CounterResult r = Scan::readCounter(fetch, settings, log);
        return {(log.entries << QStringLiteral("@%1").arg(r.position)).join(u' ')};
    };
}

// The counts and the progress bar first, then the twenty rows.
QStringList lines(const Scan::ActiveListing& l)
{
    QStringList out{QString::asprintf("timed %d restarts %d, %d/%d", l.timedRows, l.restarts,
                                      l.progressValue, l.progressMaximum)};
    for (const Scan::ActiveRow& r : l.rows)
        out << QStringList{r.auction, r.title, r.bids, r.startPrice, r.price, r.timeLeft}.join(
            u'|');
    return out;
}

QStringList lines(const Scan::SoldPass& s)
{
    QStringList out{QString::asprintf("dates %d, %d/%d%s", s.saleDates, s.progressValue,
                                      s.progressMaximum, s.firstAuctionEmpty() ? ", empty" : "")};
    for (const Scan::SoldRow& r : s.rows)
        out << QStringList{r.auction, r.quantity, r.salePrice, r.saleDate, r.title}.join(u'|');
    return out;
}

const auto tag = [](QStringView name) {
    return Scan::MarkerPair{u'<' + name + u'>', QStringLiteral("</") + name + u'>'};
};
const Scan::ActiveMarkers activeMarkers = {tag(u"a"), tag(u"t"),  tag(u"tl"),
                                           tag(u"s"), tag(u"bd"), tag(u"p")};

Run active(const QString& page, bool soldSelected = false,
           const Scan::ActiveMarkers& m = activeMarkers)
{
    return [=](bool literal) {
        return lines(literal ? Literal::activeListing(page, m, soldSelected)
                             : Scan::scanActiveListing(page, m, soldSelected));
    };
}

using Cells = std::array<QString, Scan::ListingRows>;

Run sold(const QString& page, const Scan::SoldMarkers& m, const Cells& cells, int saleDates)
{
    return [=](bool literal) {
        return lines(literal ? Literal::soldPass(page, m, cells, saleDates)
                             : Scan::scanSoldPass(page, m, cells, saleDates));
    };
}

const auto dots = [](int length) { return QString(length, u'.'); };

// One listing: auction number (7 characters), title, bids, start price, buy-now
// price and time left, in page order; a field given as "-" is left out.
QString listing(const QString& row, int fill = 400)
{
    const QStringList f = row.split(u'|');
    return QStringLiteral("<a>%1</a><t>%2</t><bd>%3</bd><s>%4</s><p>%5</p><tl>%6</tl>")
               .arg(f[0], f[1], f[2], f[3], f[4], f[5])
               .remove(QRegularExpression(QStringLiteral("<(\\w+)>-</\\1>"))) +
           dots(fill);
}

// One sold item: number, quantity, sale price, sale date, title; the gap keeps
// the title over 250 characters past the number, so the next row starts past it.
QString item(const QString& row, int gap = 300)
{
    const QStringList f = row.split(u'|');
    return QStringLiteral("#item=") + f[0] + QStringLiteral("\">") + dots(gap) +
           QStringLiteral("<q>%1</q><sp>%2</sp><d>%3</d><t>%4</t>").arg(f[1], f[2], f[3], f[4]) +
           dots(300);
}

// A row of seeded random inputs, each answer line led by the seed that gives it.
void seeded(const char* name, int seeds, const std::function<Run(RandomText&)>& input)
{
    QTest::addRow("random %s", name) << Run([=](bool literal) {
        QStringList all;
        for (quint32 seed = 1; seed <= quint32(seeds); ++seed) {
            RandomText r{QRandomGenerator(seed)};
            for (const QString& line : input(r)(literal))
                all << QStringLiteral("seed %1: ").arg(seed) + line;
        }
        return all;
    }) << QStringList();
}

} // namespace

Q_DECLARE_METATYPE(Run)

class tst_Scan : public QObject
{
    Q_OBJECT

private slots:
    // The fast answer begins with the expected lines; the literal one is the same.
    void agreesWithLiteralLoops()
    {
        QFETCH(Run, run);
        QFETCH(QStringList, expected);
        const QStringList fast = run(false);
        QCOMPARE(fast.mid(0, expected.size()), expected);
        QCOMPARE(run(true), fast);
    }

    void agreesWithLiteralLoops_data();
};

void tst_Scan::agreesWithLiteralLoops_data()
{
    QTest::addColumn<Run>("run");
    QTest::addColumn<QStringList>("expected");
    const char* kind = "field";
    const auto row = [&](const char* name, const Run& run, const QStringList& expected) {
        QTest::addRow("%s: %s", kind, name) << run << expected;
    };

    // Page, before, after, start, limit, first and last distance.
    row("after at the last distance, not one past",
        field(QStringLiteral("[[[[abc]]"), QStringLiteral("[["), QStringLiteral("]]"), 1, 9, 1, 5),
        {QStringLiteral("at 3+5 'abc'")});
    row("first before without after in reach",
        field(QStringLiteral("[[xxxxx[[cd]]"), QStringLiteral("[["), QStringLiteral("]]"), 1, 9, 1,
              5),
        {QStringLiteral("at 8+4 'cd'")});
    row("empty after at the first distance",
        field(QStringLiteral("xxbcd"), QStringLiteral("b"), QStringLiteral(""), 1, 101, 3),
        {QStringLiteral("at 3+3 'cd'")});
    row("before cut by the page's end",
        field(QStringLiteral("xxa"), QStringLiteral("ab"), QStringLiteral("")),
        {QStringLiteral("none end 102 last 0")});
    row("before at the limit seen, one past it not",
        field(QStringLiteral("xxx<<]"), QStringLiteral("<"), QStringLiteral("]"), 1, 4, 1, 1),
        {QStringLiteral("none end 5 last 4")});
    row("last before seen",
        field(QStringLiteral("<b>x<b>y<b>"), QStringLiteral("<b>"), QStringLiteral("</b>"), 1, 20),
        {QStringLiteral("none end 21 last 9")});

    kind = "counter";
    const QString far = dots(40) + QStringLiteral("<c>00007");
    row("retro of 7, counter 7 before it",
        counter(QStringLiteral("0123456789RETROXX"), 1, QStringLiteral("<c>"),
                QStringLiteral("RETROXX")),
        {QStringLiteral("retro 4 '34567' miss")});
    row("retro before start + its length unseen", counter(QStringLiteral("xRETROabc"), 1),
        {QStringLiteral("none 10 '' miss")});
    row("basic wins at the same position", counter(QStringLiteral("<c>12RETRO"), 1),
        {QStringLiteral("basic 1 '12RET'")});
    row("retro found before basic", counter(QStringLiteral("12345RETRO<c>99999"), 1),
        {QStringLiteral("retro 1 '12345'")});
    row("start 35, no miss", counter(far, 35), {QStringLiteral("basic 41 '00007'")});
    row("start 34, a miss", counter(far, 34), {QStringLiteral("basic 41 '00007' miss")});
    row("start past the page", counter(QStringLiteral("<c>00042"), 50),
        {QStringLiteral("none 50 ''")});

    kind = "read";
    const QString late = QStringLiteral("..........<c>00042..");
    const QString broken = QStringLiteral("<c>--</f..");
    row("three tries, the third scans on", read({late}, 1, 3),
        {QStringLiteral("fetch N/F Retry fetch N/F Retry fetch N/F 00042 @11")});
    row("broken counter, five fetches", read({broken}, 1, 10),
        {QStringLiteral("fetch --</f Retry ").repeated(4) + QStringLiteral("fetch --</f @1")});
    row("broken counter, then a good one", read({broken, late}, 1, 1),
        {QStringLiteral("fetch --</f Retry fetch N/F 00042 @11")});
    row("start 35 without a counter, cell left alone", read({dots(50)}, 35, 3),
        {QStringLiteral("fetch @51")});

    kind = "active";
    const QString one = QStringLiteral("1000001|Lamp|3|5.00|9.99|2d 4h");
    const QString two = QStringLiteral("2000002|Vase|0|7.50|12.00|1d");
    const QString head = dots(2000);
    row("number before 2000 unseen", active(listing(two).leftJustified(2000, u'.') + listing(one)),
        {QStringLiteral("timed 1 restarts 0, 20/111"), one, QStringLiteral("|||||")});
    row("repeated number, the next one past it",
        active(head + listing(one) + listing(one) + listing(two)),
        {QStringLiteral("timed 2 restarts 0, 30/211"), one, two, QStringLiteral("|||||")});
    row("picture bids a dash, a time in a span three letters counted twice",
        active(head + listing(QStringLiteral(
                          "1000001|Lamp|<img x>|5.00|9.99|<span class=\"x\">abcdefghij"))),
        {QStringLiteral("timed 2 restarts 0, 30/211"),
         QStringLiteral("1000001|Lamp|-|5.00|9.99|abc")});
    // A buy-now price before the start price.
    const auto buyNowFirst = [&](const QString& number, const QString& startPrice) {
        return listing(number + QStringLiteral("|Lamp|3|-|9.99|2d"), 1000)
            .replace(QStringLiteral("</p>"),
                     QStringLiteral("</p><s>") + startPrice + QStringLiteral("</s>"));
    };
    row("buy-now sought 500 back when the start price is empty, else missed",
        active(head + buyNowFirst(QStringLiteral("1000001"), QStringLiteral("")) +
               buyNowFirst(QStringLiteral("2000002"), QStringLiteral("5.00"))),
        {QStringLiteral("timed 1 restarts 0, 20/111"), QStringLiteral("1000001|Lamp|3||9.99|2d"),
         QStringLiteral("2000002|Lamp|3|5.00||")});
    row("sold option leaves prices empty, a row without a time not counted",
        active(head + listing(one) + listing(QStringLiteral("2000002|Vase|0|7.50|12.00|-")), true),
        {QStringLiteral("timed 1 restarts 0, 20/111"), QStringLiteral("1000001|Lamp|3|5.00||2d 4h"),
         QStringLiteral("2000002|Vase|0|7.50||")});
    row("no auction numbers, three restarts",
        active(dots(3000) + QStringLiteral("<t>x</t><tl>1d</tl>")),
        {QStringLiteral("timed 0 restarts 3, 10/11"), QStringLiteral("|||||"),
         QStringLiteral("|||||")});
    // Empty auction markers match at once with an empty number, so row 0
    // stays empty and row 1, starting on the page's last character, restarts.
    Scan::ActiveMarkers bare = activeMarkers;
    bare.auction = {};
    row("restarts keep the time count",
        active(head + listing(QStringLiteral("-|Lamp|3|5.00|9.99|2d"), 0).leftJustified(325, u'.'),
               false, bare),
        {QStringLiteral("timed 4 restarts 3, 50/411"), QStringLiteral("|Lamp|3|5.00|9.99|2d")});

    kind = "sold";
    Cells keep;
    keep.fill(QStringLiteral("keep"));
    const auto pass = [&](const QString& page, const QString& itemAfter = QStringLiteral("\">"),
                          int dates = 0) {
        return sold(
            page,
            {{QStringLiteral("#item="), itemAfter}, tag(u"t"), tag(u"d"), tag(u"sp"), tag(u"q")},
            keep, dates);
    };
    const QString lamp = QStringLiteral("123456|1|5.00|Jan-03|Lamp");
    const QString start = dots(100);
    // Row 1's item `distance` characters before the title that ends row 0.
    const auto itemBeforeTitle = [&](int distance) {
        return pass(start + item(lamp).replace(QStringLiteral("<t>"),
                                               QStringLiteral("#item=777777\">") +
                                                   dots(distance - 14) + QStringLiteral("<t>")));
    };
    row("item number as long as its marker, trailing _ dropped",
        pass(start + item(QStringLiteral("12345_|1|5.00|Jan-03|Lamp")) +
             item(QStringLiteral("654321|2|7.00|Feb-14|Vase"))),
        {QStringLiteral("dates 2, 30/211"), QStringLiteral("12345|1|5.00|Jan-03|Lamp"),
         QStringLiteral("654321|2|7.00|Feb-14|Vase"), QStringLiteral("||||")});
    row("after marker inside the before marker does not confirm",
        pass(start + QStringLiteral("#item=123456") + dots(600) +
                 QStringLiteral("#item=654321=<q>2</q>"),
             QStringLiteral("=")),
        {QStringLiteral("dates 0, 10/11"), QStringLiteral("654321|2|||"), QStringLiteral("||||")});
    row("repeated item number, Auction cell as it was", pass(start + item(lamp) + item(lamp)),
        {QStringLiteral("dates 2, 30/211"), lamp, QStringLiteral("keep|1|5.00|Jan-03|Lamp"),
         QStringLiteral("||||")});
    row("picture quantity a dash, a date in a span three letters counted twice",
        pass(start + item(QStringLiteral("123456|<img q>|5.00|<span class=\"d\">abcdefghij|Lamp")),
             QStringLiteral("\">"), 4),
        {QStringLiteral("dates 6, 70/611"), QStringLiteral("123456|-|5.00|abc|Lamp")});
    row("next item 250 before the title is read", itemBeforeTitle(250),
        {QStringLiteral("dates 1, 20/111"), lamp, QStringLiteral("777777||||"),
         QStringLiteral("||||")});
    row("next item 251 before the title is missed", itemBeforeTitle(251),
        {QStringLiteral("dates 1, 20/111"), lamp, QStringLiteral("||||")});
    row("no item numbers, row 0 empty, count kept",
        pass(start + QStringLiteral("<q>1</q><d>Jan-03</d>"), QStringLiteral("\">"), 7),
        {QStringLiteral("dates 7, 80/711, empty"), QStringLiteral("||||"), QStringLiteral("||||")});

    seeded("field search", 20000, [](RandomText& r) {
        const QString alphabet = r.chance(50) ? QStringLiteral("ab") : QStringLiteral("abc");
        const QString page = r.text(r.number(0, 40), alphabet);
        const QString before = r.marker(3, alphabet), after = r.marker(3, alphabet);
        const qsizetype start = r.number(-2, int(page.size()) + 3);
        const qsizetype limit = start + r.number(-1, 45);
        const qsizetype j0 = r.number(0, 3);
        return field(page, before, after, start, limit, j0, j0 + r.number(-1, 10));
    });
    seeded("counter search", 20000, [](RandomText& r) {
        const QString basic = r.marker(3, u"ab<"), retro = r.marker(6, u"ab>");
        const QString page =
            r.text(r.number(0, 70), u"ab", {basic, retro, QStringLiteral("12345")}, 10);
        return counter(page, r.chance(80) ? r.number(-1, 40) : r.number(30, 80), basic, retro);
    });
    seeded("counter read", 3000, [](RandomText& r) {
        const QString basic = r.marker(2, u"a<"), retro = r.marker(5, u"a>");
        QStringList pages;
        for (int i = r.number(1, 4); i > 0; --i)
            pages << r.text(
                r.number(0, 60), u"ab",
                {basic, retro, QStringLiteral("--</f"), basic + QStringLiteral("--</f")}, 3);
        const qsizetype start = r.chance(70) ? r.number(0, 36) : r.number(30, 70);
        return read(pages, start, r.number(1, 4), basic, retro);
    });
    seeded("active listing", 2500, [](RandomText& r) {
        const bool rare = r.chance(50);
        QStringList pieces = {QStringLiteral("<img"), QStringLiteral("<span class=abcdefghij")};
        Scan::ActiveMarkers m;
        for (Scan::MarkerPair* p :
             {&m.auction, &m.title, &m.timeLeft, &m.startPrice, &m.bids, &m.price})
            *p = r.pair(rare, pieces);
        // Most pages end near where the rows start.
        const int length =
            r.chance(10) ? r.number(0, 100) : r.number(1500, r.chance(60) ? 3200 : 9000);
        const QString page = r.text(length, u"ab", pieces, r.number(1, 6));
        return active(page, r.chance(20), m);
    });
    seeded("sold pass", 1500, [](RandomText& r) {
        const bool rare = r.chance(50);
        QStringList pieces = {QStringLiteral("<img"), QStringLiteral("<span class=abcdefghij"),
                              QStringLiteral("_")};
        Scan::SoldMarkers m;
        for (Scan::MarkerPair* p : {&m.item, &m.title, &m.saleDate, &m.salePrice, &m.quantity})
            *p = r.pair(rare, pieces);
        const int length = r.number(0, r.chance(70) ? 1200 : 6000);
        const QString page = r.text(length, u"ab", pieces, r.number(1, 6));
        Cells cells;
        for (QString& cell : cells)
            cell = r.chance(50) ? QString() : r.text(2, u"ab");
        return sold(page, m, cells, r.number(0, 5));
    });
}

QTEST_GUILESS_MAIN(tst_Scan)
#include "tst_scan.moc"
