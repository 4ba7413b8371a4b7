#include "scan/ListingPhase.h"

#include "scan/MarkerSearch.h"

#include <algorithm>

namespace Scan {

namespace {

// Listing pages begin with the site's header; rows start further on.
constexpr qsizetype ActiveFirstPosition = 2000;
// The next auction number is sought this far past the last one's marker.
constexpr qsizetype ActiveRowStep = 325;
constexpr int ActiveMaxRestarts = 3;
constexpr qsizetype SoldFirstPosition = 100;
constexpr qsizetype SoldStepBack = 250;
constexpr qsizetype SoldItemReach = 500;

// Field search over a window after `start`, value between the markers.
FieldMatch searchWindow(QStringView page, qsizetype start, qsizetype window, qsizetype reach,
                        const MarkerPair& markers)
{
    return findField(page, start, start + window, 1, reach, markers.before, markers.after);
}

// A bids or quantity cell that holds a picture shows "-" instead.
QString withoutImage(QString value)
{
    return value.startsWith(QLatin1String("<img")) ? QStringLiteral("-") : value;
}

// Some listings wrap the time in a span; three characters taken ten from its
// end stand in for it. Returns whether the value was wrapped.
bool unwrapSpan(QString& value)
{
    if (!value.startsWith(QLatin1String("<span clas")))
        return false;
    value = value.right(10).left(3);
    return true;
}

class ActivePhase
{
public:
    ActivePhase(QStringView page, const ActiveMarkers& markers, bool soldSelected)
        : m_page(page), m_markers(markers), m_soldSelected(soldSelected)
    {
    }

    ActiveListing run()
    {
        while (!runPass())
            ++m_out.restarts;
        return m_out;
    }

private:
    // False when row 0 has no auction number yet and a search ran into the
    // page's last character: the rows are redone from the top.
    bool runPass()
    {
        qsizetype p = ActiveFirstPosition;
        for (int i = 0; i < ListingRows; ++i) {
            ActiveRow& row = m_out.rows[i];
            QString number;
            for (;;) {
                FieldMatch m;
                if (!searchAuction(p, m))
                    return false;
                number = m.fixedLength(m_page, m_markers.auction.before.size() +
                                                   m_markers.auction.after.size());
                p = m.end;
                // The same number again: look past it for the next one.
                if (i >= 1 && !number.isEmpty() && number == m_previous) {
                    p = m_nextRow;
                    continue;
                }
                break;
            }
            row.auction = number;

            FieldMatch m = searchWindow(m_page, p, 55000, 5000, m_markers.title);
            row.title = m.between(m_page);
            p = m.end;

            m = searchWindow(m_page, p, 5000, 900, m_markers.bids);
            row.bids = withoutImage(m.between(m_page));
            p = m.end;

            m = searchWindow(m_page, p, 500, 900, m_markers.startPrice);
            row.startPrice = m.between(m_page);
            p = m.end;

            if (!m_soldSelected) {
                // Without a start price the buy-now price may stand before
                // where that search stopped. Never before the page's start.
                if (row.startPrice.isEmpty())
                    p = std::max<qsizetype>(p - 500, 1);
                m = searchWindow(m_page, p, 500, 900, m_markers.price);
                m_buyNow = m.between(m_page);
                p = m.end;
            }
            row.price = m_buyNow;

            m = searchWindow(m_page, p, 5000, 5000, m_markers.timeLeft);
            QString time = m.between(m_page);
            if (m.found)
                ++m_out.timedRows;
            if (unwrapSpan(time))
                ++m_out.timedRows;
            row.timeLeft = time;

            m_previous = number;
            p = m_nextRow;
            if (i == 0) {
                m_out.progressMaximum = 1000;
                m_out.progressValue = 10;
            } else {
                m_out.progressMaximum = 100 * m_out.timedRows + 11;
                m_out.progressValue = 10 * (m_out.timedRows + 1);
            }
        }
        return true;
    }

    // The auction-number search over the rest of the page. False asks for a
    // restart: row 0 is still empty and the search reached the page's last
    // character, which it then does not compare.
    bool searchAuction(qsizetype p, FieldMatch& m)
    {
        const qsizetype n = m_page.size();
        if (p < 1) {
            // Next-row position 0: no auction marker was ever seen, so there
            // is none to find either.
            m.end = n + 1;
            return true;
        }
        const bool mayRestart =
            p <= n && m_out.rows[0].auction.isEmpty() && m_out.restarts < ActiveMaxRestarts;
        const qsizetype limit = mayRestart ? n - 1 : n;
        // Every row past the last listing repeats the same search to the end
        // of the page; the answer cannot change, so it is kept.
        if (p != m_auctionStart || limit != m_auctionLimit) {
            const MarkerPair& markers = m_markers.auction;
            m_auctionMatch = findField(m_page, p, limit, 1, 5000, markers.before, markers.after);
            m_auctionStart = p;
            m_auctionLimit = limit;
        }
        m = m_auctionMatch;
        if (m.lastBefore != 0)
            m_nextRow = m.lastBefore + ActiveRowStep;
        return m.found || !mayRestart;
    }

    QStringView m_page;
    const ActiveMarkers& m_markers;
    const bool m_soldSelected;
    ActiveListing m_out;
    // These survive a restart.
    qsizetype m_nextRow = 0;
    QString m_previous;
    QString m_buyNow;
    qsizetype m_auctionStart = -1;
    qsizetype m_auctionLimit = -1;
    FieldMatch m_auctionMatch;
};

} // namespace

ActiveListing scanActiveListing(QStringView page, const ActiveMarkers& markers, bool soldSelected)
{
    return ActivePhase(page, markers, soldSelected).run();
}

SoldPass scanSoldPass(QStringView page, const SoldMarkers& markers,
                      const std::array<QString, ListingRows>& auctionCells, int saleDates)
{
    SoldPass out;
    out.saleDates = saleDates;
    const qsizetype itemLength = markers.item.before.size();
    qsizetype position = SoldFirstPosition;
    QString previous;
    for (int i = 0; i < ListingRows; ++i) {
        SoldRow& row = out.rows[i];
        row.auction = auctionCells[i];

        // The item number is as long as its before marker; the after marker
        // only confirms the place.
        FieldMatch m = findField(page, position, page.size(), itemLength, SoldItemReach,
                                 markers.item.before, markers.item.after);
        QString item = m.fixedLength(page, itemLength);
        if (item.endsWith(QLatin1Char('_')))
            item.chop(1);
        position = m.end;
        // A number repeated from the row before leaves the cell as it was.
        if (i == 0 || item != previous || item.isEmpty())
            row.auction = item;

        m = searchWindow(page, position, 5000, 900, markers.quantity);
        row.quantity = withoutImage(m.between(page));
        position = m.end;

        m = searchWindow(page, position, 500, 900, markers.salePrice);
        row.salePrice = m.between(page);
        position = m.end;

        m = searchWindow(page, position, 5000, 5000, markers.saleDate);
        QString date = m.between(page);
        if (m.found)
            ++out.saleDates;
        if (unwrapSpan(date))
            ++out.saleDates;
        row.saleDate = date;
        position = m.end;

        m = searchWindow(page, position, 55000, 5000, markers.title);
        row.title = m.between(page);
        position = m.end;

        previous = item;
        position = std::max<qsizetype>(position - SoldStepBack, 1);
        if (i == 0) {
            out.progressMaximum = 1000;
            out.progressValue = 100;
        } else {
            out.progressMaximum = out.saleDates * 100 + 10 + 1;
            out.progressValue = (out.saleDates + 1) * 10;
        }
    }
    return out;
}

} // namespace Scan
