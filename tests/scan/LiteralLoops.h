#pragma once

#include "scan/ListingPhase.h"
#include "scan/MarkerSearch.h"

#include <QStringList>
#include <algorithm>

// The scans written the slow way, every marker compared at every position in
// turn; the fast code must agree with these in every case. The stop checks are
// left out: the flag cannot change while these run.
namespace Literal {

// The text of `length` characters at `position`, shorter where the page ends.
inline QStringView cut(QStringView page, qsizetype position, qsizetype length)
{
    if (length <= 0 || position > page.size())
        return {};
    return page.sliced(position - 1, std::min(length, page.size() - position + 1));
}

inline bool standsAt(QStringView page, qsizetype position, QStringView marker)
{
    return cut(page, position, marker.size()) == marker;
}

// The first distance j0..j1 from p at which `after` stands; -1 when none.
inline qsizetype afterAt(QStringView page, qsizetype p, qsizetype j0, qsizetype j1,
                         QStringView after)
{
    for (qsizetype j = j0; j <= j1; ++j) {
        if (!after.isEmpty() && p + j + after.size() - 1 > page.size())
            break; // the after marker no longer fits
        if (standsAt(page, p + j, after))
            return j;
    }
    return -1;
}

inline Scan::FieldMatch findField(QStringView page, qsizetype start, qsizetype limit,
                                  qsizetype firstDistance, qsizetype lastDistance,
                                  QStringView before, QStringView after)
{
    Scan::FieldMatch m;
    m.beforeLength = before.size();
    m.end = limit + 1;
    for (qsizetype p = std::max<qsizetype>(start, 1); p <= limit; ++p) {
        // Past the page's end a non-empty marker never matches: the rest of a
        // long window is skipped, but an empty before marker matches all of it.
        if (p > page.size() && (!before.isEmpty() || !after.isEmpty())) {
            m.lastBefore = before.isEmpty() ? limit : m.lastBefore;
            break;
        }
        if (!standsAt(page, p, before))
            continue;
        m.lastBefore = p;
        m.distance = afterAt(page, p, firstDistance, lastDistance, after);
        if (m.distance >= 0) {
            m.found = true;
            m.position = m.end = p;
            return m;
        }
    }
    m.distance = 0;
    return m;
}

inline QString between(QStringView page, const Scan::FieldMatch& m)
{
    const qsizetype length = m.found ? m.distance - m.beforeLength : 0;
    return cut(page, m.position + m.beforeLength, length).toString();
}

// `stopAtMiss`: the scan ends at the first position below 35 without a counter.
inline Scan::CounterMatch findCounter(QStringView page, qsizetype start, QStringView basic,
                                      QStringView retro, bool stopAtMiss = false)
{
    Scan::CounterMatch m;
    qsizetype p = std::max<qsizetype>(start, 1);
    for (; p <= page.size(); ++p) {
        if (standsAt(page, p, basic)) {
            m.marker = Scan::CounterMarker::Basic;
            m.value = cut(page, p + basic.size(), 5).toString();
            break;
        }
        if (standsAt(page, p + retro.size(), retro)) {
            m.marker = Scan::CounterMarker::Retro;
            m.value = cut(page, p, 5).toString();
            break;
        }
        if (p < 35) {
            m.missBelow35 = true;
            if (stopAtMiss)
                break;
        }
    }
    m.position = p;
    return m;
}

// What one counter read shows: "fetch", "N/F", the value, "Retry", and "@" with
// where the last try ended. Fetches return `pages`, the last one again and again.
inline QString counterRead(const QStringList& pages, qsizetype start, QStringView basic,
                           QStringView retro, int tryLimit)
{
    QStringList log;
    for (int tries = 1;; ++tries) {
        const QString& page = pages.at(std::min<qsizetype>(tries - 1, pages.size() - 1));
        // While tries are left, N/F ends the try on the spot.
        const bool triesLeft = tries < tryLimit;
        const Scan::CounterMatch m = findCounter(page, start, basic, retro, triesLeft);
        log << QStringLiteral("fetch");
        if (m.missBelow35)
            log << QStringLiteral("N/F");
        if (m.found())
            log << m.value;
        if ((m.missBelow35 && triesLeft) || (m.value == QLatin1String("--</f") && tries < 5)) {
            log << QStringLiteral("Retry");
            continue;
        }
        return (log << QLatin1Char('@') + QString::number(m.position)).join(QLatin1Char(' '));
    }
}

// The value of a marker pair in the window after p; p moves on to where the
// search stopped. Both listing loops read their cells this way.
inline QString field(QStringView page, qsizetype& p, qsizetype window, qsizetype reach,
                     const Scan::MarkerPair& pair, int* found = nullptr)
{
    const Scan::FieldMatch m = findField(page, p, p + window, 1, reach, pair.before, pair.after);
    p = m.end;
    if (found)
        *found += m.found;
    return between(page, m);
}

inline QString withoutImage(const QString& value)
{
    return value.left(4) == QLatin1String("<img") ? QStringLiteral("-") : value;
}

// A time left or sale date counts when found, and once more in a span.
inline QString timed(QStringView page, qsizetype& p, const Scan::MarkerPair& pair, int& count)
{
    QString value = field(page, p, 5000, 5000, pair, &count);
    if (value.left(10) != QStringLiteral("<span class=").left(10))
        return value;
    ++count;
    return value.right(10).left(3);
}

inline Scan::ActiveListing activeListing(QStringView page, const Scan::ActiveMarkers& markers,
                                         bool soldSelected)
{
    Scan::ActiveListing out;
    const qsizetype n = page.size();
    const Scan::MarkerPair& auction = markers.auction;
    qsizetype nextRow = 0;
    QString previous, buyNow;
restart:
    qsizetype p = 2000;
    for (int i = 0; i <= 19; ++i) {
        QString number;
        for (;; p = nextRow) {
            qsizetype q = p < 1 ? n + 1 : p; // next-row position 0: nothing to search
            for (; q <= n; ++q) {
                if (q == n && out.rows[0].auction.isEmpty() && out.restarts < 3) {
                    ++out.restarts;
                    goto restart;
                }
                if (!standsAt(page, q, auction.before))
                    continue;
                nextRow = q + 325;
                if (afterAt(page, q, 1, 5000, auction.after) >= 0)
                    break;
            }
            const qsizetype length = q > n ? 0 : auction.before.size() + auction.after.size();
            number = cut(page, q + auction.before.size(), length).toString();
            p = std::min(q, n + 1);
            if (i == 0 || number.isEmpty() || number != previous)
                break;
        }
        Scan::ActiveRow& row = out.rows[i];
        row.auction = number;
        row.title = field(page, p, 55000, 5000, markers.title);
        row.bids = withoutImage(field(page, p, 5000, 900, markers.bids));
        row.startPrice = field(page, p, 500, 900, markers.startPrice);
        if (!soldSelected) {
            if (row.startPrice.isEmpty())
                p = std::max<qsizetype>(p - 500, 1);
            buyNow = field(page, p, 500, 900, markers.price);
        }
        row.price = buyNow;
        row.timeLeft = timed(page, p, markers.timeLeft, out.timedRows);
        previous = number;
        p = nextRow;
        out.progressMaximum = i == 0 ? 1000 : 100 * out.timedRows + 11;
        out.progressValue = i == 0 ? 10 : 10 * (out.timedRows + 1);
    }
    return out;
}

inline Scan::SoldPass soldPass(QStringView page, const Scan::SoldMarkers& markers,
                               const std::array<QString, Scan::ListingRows>& auctionCells,
                               int saleDates)
{
    Scan::SoldPass out;
    out.saleDates = saleDates;
    const qsizetype length = markers.item.before.size();
    qsizetype p = 100;
    QString previous;
    for (int i = 0; i <= 19; ++i) {
        Scan::SoldRow& row = out.rows[i];
        const Scan::FieldMatch m =
            findField(page, p, page.size(), length, 500, markers.item.before, markers.item.after);
        QString item = m.found ? cut(page, m.position + length, length).toString() : QString();
        if (item.right(1) == QLatin1String("_"))
            item.chop(1);
        p = m.end;
        row.auction = i == 0 || item != previous || item.isEmpty() ? item : auctionCells[i];
        row.quantity = withoutImage(field(page, p, 5000, 900, markers.quantity));
        row.salePrice = field(page, p, 500, 900, markers.salePrice);
        row.saleDate = timed(page, p, markers.saleDate, out.saleDates);
        row.title = field(page, p, 55000, 5000, markers.title);
        previous = item;
        p = std::max<qsizetype>(p - 250, 1);
        out.progressMaximum = i == 0 ? 1000 : out.saleDates * 100 + 10 + 1;
        out.progressValue = i == 0 ? 100 : (out.saleDates + 1) * 10;
    }
    return out;
}

} // namespace Literal
