// Times the Active listing phase and the counter search on 1 MiB pages
// against one plain indexOf pass over the same page (the floor) and against
// the position-by-position loops (the baseline). Prints figures only.

#include "LiteralLoops.h"
#include "scan/ListingPhase.h"
#include "scan/MarkerSearch.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr qsizetype PageSize = 1 << 20;
volatile qsizetype sink = 0;

// Markup-like filler that holds none of the markers.
QString filler(qsizetype length, quint32 seed)
{
    static const char* const words[] = {"lorem", "ipsum", "dolor", "sit",      "amet", "vintage",
                                        "lamp",  "brass", "free",  "shipping", "<br>", "&amp;"};
    QRandomGenerator gen(seed);
    QString s;
    s.reserve(length + 64);
    while (s.size() < length) {
        s += QStringLiteral("<div class=\"f\">");
        for (int w = gen.bounded(4, 16); w > 0; --w) {
            s += QLatin1String(words[gen.bounded(int(std::size(words)))]);
            s += QLatin1Char(' ');
        }
        s += QStringLiteral("</div>\n");
    }
    s.truncate(length);
    return s;
}

const Scan::ActiveMarkers markers = {
    {QStringLiteral("<a href=\"/itm/"), QStringLiteral("\">")},
    {QStringLiteral("<h3 class=\"title\">"), QStringLiteral("</h3>")},
    {QStringLiteral("<span class=\"time\">"), QStringLiteral("</span>")},
    {QStringLiteral("<span class=\"start\">"), QStringLiteral("</span>")},
    {QStringLiteral("<span class=\"bids\">"), QStringLiteral("</span>")},
    {QStringLiteral("<span class=\"bin\">"), QStringLiteral("</span>")}};

// `rows` listings spread over `spread` characters after a 4 KiB header,
// filled up to 1 MiB.
QString listingPage(int rows, qsizetype spread)
{
    const qsizetype header = 4096;
    const qsizetype stride = spread / rows;
    QString page = filler(header, 1);
    for (int i = 0; i < rows; ++i) {
        const QString row =
            QStringLiteral("<a href=\"/itm/%1\">x</a><h3 class=\"title\">Brass lamp no. %2</h3>"
                           "<span class=\"bids\">%3</span><span class=\"start\">%4.00</span>"
                           "<span class=\"bin\">%5.99</span><span class=\"time\">%6d 3h</span>")
                .arg(120000000000LL + i * 7919)
                .arg(i)
                .arg(i % 4)
                .arg(5 + i)
                .arg(20 + i)
                .arg(1 + i % 6);
        page += row + filler(stride - row.size(), 100 + i);
    }
    page += filler(PageSize - page.size(), 2);
    return page;
}

const QString basic = QStringLiteral("<td class=\"counter\">");
const QString retro = QStringLiteral("</td><!--visits-->");

QString itemPage()
{
    QString page = filler(PageSize - 3000, 3);
    page += basic + QStringLiteral("00042</td>");
    page += filler(PageSize - page.size(), 4);
    return page;
}

// Median of `runs` timings of f, in milliseconds.
double medianMs(int runs, const std::function<void()>& f)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// The marker with its first character swapped for one the page lacks: the
// search does the same work as for the marker but never stops early.
QString absent(const QString& marker)
{
    return QChar(0x2603) + marker.mid(1);
}

void report(const char* what, double ms, double floor)
{
    std::printf("  %-44s %9.3f ms  %8.2fx floor\n", what, ms, ms / floor);
}

} // namespace

int main()
{
    const int runs = 21;
    const int literalRuns = 5;

    struct Listing
    {
        const char* name;
        int rows;
        qsizetype spread;
    };
    for (const Listing& l : {Listing{"20 rows spread over the page", 20, PageSize - 8192},
                             Listing{"3 rows at the top, 17 searches to the end", 3, 3000}}) {
        const QString page = listingPage(l.rows, l.spread);
        const QString needle = absent(markers.auction.before);
        const double floor = medianMs(runs, [&] { sink = sink + page.indexOf(needle); });
        Scan::ActiveListing fast;
        const double fastMs =
            medianMs(runs, [&] { fast = Scan::scanActiveListing(page, markers, false); });
        Scan::ActiveListing slow;
        const double slowMs =
            medianMs(literalRuns, [&] { slow = Literal::activeListing(page, markers, false); });
        std::printf("Active listing phase, %lld-character page, %s: %d timed rows\n",
                    qlonglong(page.size()), l.name, fast.timedRows);
        report("floor: one indexOf pass (marker made absent)", floor, floor);
        report("scanActiveListing", fastMs, floor);
        report("literal position-by-position loop", slowMs, floor);
        std::printf("  literal / fast: %.1fx; results %s\n", slowMs / fastMs,
                    fast.rows[l.rows - 1].timeLeft == slow.rows[l.rows - 1].timeLeft &&
                            fast.timedRows == slow.timedRows
                        ? "agree"
                        : "DIFFER");
    }
    {
        const QString page = itemPage();
        const QString needle = absent(basic);
        const double floor = medianMs(runs, [&] { sink = sink + page.indexOf(needle); });
        Scan::CounterMatch fast;
        const double fastMs =
            medianMs(runs, [&] { fast = Scan::findCounter(page, 1, basic, retro); });
        Scan::CounterMatch slow;
        const double slowMs =
            medianMs(literalRuns, [&] { slow = Literal::findCounter(page, 1, basic, retro); });
        std::printf("Counter search, %lld-character item page, counter at %lld (%s)\n",
                    qlonglong(page.size()), qlonglong(fast.position), qPrintable(fast.value));
        report("floor: one indexOf pass (marker made absent)", floor, floor);
        report("findCounter", fastMs, floor);
        report("literal position-by-position loop", slowMs, floor);
        std::printf("  literal / fast: %.1fx; results %s\n", slowMs / fastMs,
                    fast.position == slow.position && fast.value == slow.value ? "agree"
                                                                               : "DIFFER");
    }
    return 0;
}
