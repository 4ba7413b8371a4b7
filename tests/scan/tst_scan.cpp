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

Run field(const QString& page, const QString& before, const QString& after, qsizetype start,
          qsizetype limit, qsizetype j0, qsizetype j1)
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

Run counter(const QString& page, qsizetype start, const QString& basic, const QString& retro)
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
Run read(const QStringList& pages, qsizetype start, int tryLimit, const QString& basic,
         const QString& retro)
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

Run active(const QString& page, bool soldSelected, const Scan::ActiveMarkers& m)
{
    return [=](bool literal) {
        return lines(literal ? Literal::activeListing(page, m, soldSelected)
                             : Scan::scanActiveListing(page, m, soldSelected));
    };
}

using Cells = std::array<QString, Scan::ListingRows>;

Run sold(const QString& page, int saleDates, const Cells& cells, const Scan::SoldMarkers& m)
{
    return [=](bool literal) {
        return lines(literal ? Literal::soldPass(page, m, cells, saleDates)
                             : Scan::scanSoldPass(page, m, cells, saleDates));
    };
}

const auto dots = [](int length) { return QString(length, u'.'); };

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
    // A case the random pages below miss: empty auction markers match at once with an
    // empty number, so row 0 stays empty and row 1, on the page's last character, restarts.
    const Scan::ActiveMarkers bare = {{}, tag(u"t"), tag(u"tl"), tag(u"s"), tag(u"bd"), tag(u"p")};
    QTest::newRow("active: restarts keep the time count")
        << active(QString(dots(2000) +
                          QStringLiteral("<t>Lamp</t><bd>3</bd><s>5.00</s><p>9.99</p><tl>2d</tl>"))
                      .leftJustified(2325, u'.'),
                  false, bare)
        << QStringList{QStringLiteral("timed 4 restarts 3, 50/411"),
                       QStringLiteral("|Lamp|3|5.00|9.99|2d")};

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
        return sold(page, r.number(0, 5), cells, m);
    });
}

QTEST_GUILESS_MAIN(tst_Scan)
#include "tst_scan.moc"
