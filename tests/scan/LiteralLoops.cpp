#include "LiteralLoops.h"

#include <algorithm>

namespace Literal {

QStringView cut(QStringView page, qsizetype position, qsizetype length)
{
    Q_ASSERT(position >= 1);
    if (length <= 0 || position > page.size())
        return {};
    return page.sliced(position - 1, std::min(length, page.size() - position + 1));
}

bool standsAt(QStringView page, qsizetype position, QStringView marker)
{
    return cut(page, position, marker.size()) == marker;
}

Scan::FieldMatch findField(QStringView page, qsizetype start, qsizetype limit,
                           qsizetype firstDistance, qsizetype lastDistance, QStringView before,
                           QStringView after)
{
    Scan::FieldMatch m;
    m.beforeLength = before.size();
    const qsizetype n = page.size();
    for (qsizetype p = std::max<qsizetype>(start, 1); p <= limit; ++p) {
        // Past the page's end a non-empty marker never matches, so the rest
        // of a long window is skipped; an empty before marker would still
        // match at each of its positions.
        if (p > n && (!before.isEmpty() || !after.isEmpty())) {
            if (before.isEmpty())
                m.lastBefore = limit;
            break;
        }
        if (!standsAt(page, p, before))
            continue;
        m.lastBefore = p;
        for (qsizetype j = firstDistance; j <= lastDistance; ++j) {
            if (!after.isEmpty() && p + j + after.size() - 1 > n)
                break; // the after marker no longer fits
            if (standsAt(page, p + j, after)) {
                m.found = true;
                m.position = p;
                m.distance = j;
                m.end = p;
                return m;
            }
        }
    }
    m.end = limit + 1;
    return m;
}

QString between(QStringView page, const Scan::FieldMatch& m)
{
    if (!m.found)
        return {};
    return cut(page, m.position + m.beforeLength, m.distance - m.beforeLength).toString();
}

Scan::CounterMatch findCounter(QStringView page, qsizetype start, QStringView basic,
                               QStringView retro)
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
        if (p < 35)
            m.missBelow35 = true;
    }
    m.position = p;
    return m;
}

QStringList counterRead(const QStringList& pages, qsizetype start, QStringView basic,
                        QStringView retro, int tryLimit, int row)
{
    QStringList log;
    auto show = [&log](const QString& entry) {
        if (log.isEmpty() || log.last() != entry)
            log << entry;
    };
    QString cell;
    auto setCell = [&](const QString& text, const char* colour) {
        cell = text;
        show(QStringLiteral("cell ") + text + QLatin1Char(' ') + QLatin1String(colour));
    };
    int tries = 0;
    for (;;) {
        ++tries;
        const QString& page = pages.at(std::min<qsizetype>(tries - 1, pages.size() - 1));
        show(QStringLiteral("fetch"));
        bool retry = false;
        qsizetype p = std::max<qsizetype>(start, 1);
        for (; p <= page.size(); ++p) {
            QString value;
            if (standsAt(page, p, basic))
                value = cut(page, p + basic.size(), 5).toString();
            else if (standsAt(page, p + retro.size(), retro))
                value = cut(page, p, 5).toString();
            else if (p < 35) {
                setCell(QStringLiteral("N/F"), "red");
                if (tries < tryLimit) {
                    retry = true;
                    break;
                }
                continue;
            } else
                continue;
            setCell(value, "face");
            show(QStringLiteral("status Loading ..."));
            show(QStringLiteral("check"));
            show(QStringLiteral("Text3 ") + QString::number(row + 1));
            break;
        }
        if (!retry && cell == QLatin1String("--</f") && tries < 5)
            retry = true;
        if (retry) {
            setCell(QStringLiteral("Retry"), "yellow");
            show(QStringLiteral("status RETRY"));
            continue;
        }
        show(QStringLiteral("Text9 ") + QString::number(p));
        return log;
    }
}

namespace {

QString withoutImage(const QString& value)
{
    return value.left(4) == QLatin1String("<img") ? QStringLiteral("-") : value;
}

bool unwrapSpan(QString& value)
{
    if (value.left(10) != QStringLiteral("<span class=").left(10))
        return false;
    value = value.right(10).left(3);
    return true;
}

} // namespace

Scan::ActiveListing activeListing(QStringView page, const Scan::ActiveMarkers& markers,
                                  bool soldSelected)
{
    Scan::ActiveListing out;
    const qsizetype n = page.size();
    qsizetype nextRow = 0;
    QString previous;
    QString buyNow;
    const QString& auctionBefore = markers.auction.before;
    const QString& auctionAfter = markers.auction.after;
    auto window = [&](qsizetype p, qsizetype w, qsizetype reach, const Scan::MarkerPair& pair) {
        return findField(page, p, p + w, 1, reach, pair.before, pair.after);
    };

restart:
    qsizetype p = 2000;
    for (int i = 0; i <= 19; ++i) {
        QString value;
        for (;;) {
            value.clear();
            bool found = false;
            qsizetype q = p;
            if (q < 1)
                q = n + 1; // next-row position 0: nothing to search
            for (; q <= n; ++q) {
                if (q == n && out.rows[0].auction.isEmpty() && out.restarts < 3) {
                    ++out.restarts;
                    goto restart;
                }
                if (!standsAt(page, q, auctionBefore))
                    continue;
                nextRow = q + 325;
                for (qsizetype j = 1; j <= 5000; ++j) {
                    if (!auctionAfter.isEmpty() && q + j + auctionAfter.size() - 1 > n)
                        break;
                    if (standsAt(page, q + j, auctionAfter)) {
                        found = true;
                        break;
                    }
                }
                if (found)
                    break;
            }
            if (found) {
                value =
                    cut(page, q + auctionBefore.size(), auctionBefore.size() + auctionAfter.size())
                        .toString();
                p = q;
            } else {
                p = n + 1;
            }
            if (i >= 1 && !value.isEmpty() && value == previous) {
                p = nextRow;
                continue;
            }
            break;
        }
        Scan::ActiveRow& row = out.rows[i];
        row.auction = value;

        Scan::FieldMatch m = window(p, 55000, 5000, markers.title);
        row.title = between(page, m);
        p = m.end;

        m = window(p, 5000, 900, markers.bids);
        row.bids = withoutImage(between(page, m));
        p = m.end;

        m = window(p, 500, 900, markers.startPrice);
        row.startPrice = between(page, m);
        p = m.end;

        if (!soldSelected) {
            if (row.startPrice.isEmpty()) {
                p = p - 500;
                if (p < 1)
                    p = 1;
            }
            m = window(p, 500, 900, markers.price);
            buyNow = between(page, m);
            p = m.end;
        }
        row.price = buyNow;

        m = window(p, 5000, 5000, markers.timeLeft);
        QString time = between(page, m);
        if (m.found)
            ++out.timedRows;
        if (unwrapSpan(time))
            ++out.timedRows;
        row.timeLeft = time;
        p = m.end;

        previous = value;
        p = nextRow;
        if (i == 0) {
            out.progressMaximum = 1000;
            out.progressValue = 10;
        } else {
            out.progressMaximum = 100 * out.timedRows + 11;
            out.progressValue = 10 * (out.timedRows + 1);
        }
    }
    return out;
}

Scan::SoldPass soldPass(QStringView page, const Scan::SoldMarkers& markers,
                        const std::array<QString, Scan::ListingRows>& auctionCells, int saleDates)
{
    Scan::SoldPass out;
    out.saleDates = saleDates;
    auto window = [&](qsizetype p, qsizetype w, qsizetype reach, const Scan::MarkerPair& pair) {
        return findField(page, p, p + w, 1, reach, pair.before, pair.after);
    };
    qsizetype position = 100;
    QString previous;
    for (int row = 0; row <= 19; ++row) {
        Scan::SoldRow& cells = out.rows[row];
        cells.auction = auctionCells[row];
        const qsizetype length = markers.item.before.size();
        Scan::FieldMatch m = findField(page, position, page.size(), length, 500,
                                       markers.item.before, markers.item.after);
        QString item;
        if (m.found)
            item = cut(page, m.position + length, length).toString();
        if (item.right(1) == QLatin1String("_"))
            item = item.left(item.size() - 1);
        position = m.end;
        if (row == 0 || item != previous || item.isEmpty())
            cells.auction = item;

        m = window(position, 5000, 900, markers.quantity);
        cells.quantity = withoutImage(between(page, m));
        position = m.end;

        m = window(position, 500, 900, markers.salePrice);
        cells.salePrice = between(page, m);
        position = m.end;

        m = window(position, 5000, 5000, markers.saleDate);
        QString date = between(page, m);
        if (m.found)
            ++out.saleDates;
        if (unwrapSpan(date))
            ++out.saleDates;
        cells.saleDate = date;
        position = m.end;

        m = window(position, 55000, 5000, markers.title);
        cells.title = between(page, m);
        position = m.end;

        previous = item;
        position = position - 250;
        if (position < 1)
            position = 1;
        if (row == 0) {
            out.progressMaximum = 1000;
            out.progressValue = 100;
        } else {
            out.progressMaximum = out.saleDates * 100 + 10;
            out.progressMaximum = out.progressMaximum + 1;
            out.progressValue = (out.saleDates + 1) * 10;
        }
    }
    return out;
}

} // namespace Literal
