// The Sold scan: the signed-in seller's sold-items page, fetched again while
// it shows no item number, then the visit counter of each dated row.
#include "session/ScanSession.h"

#include "scan/ListingPhase.h"
#include "transfer/Inet.h"

namespace {
// A page that shows no item number this many times in a row is not going to:
// the user is not signed in, or the item-number markers no longer fit.
constexpr int EmptyPassLimit = 3;
} // namespace

QString ScanSession::soldPageError()
{
    return QStringLiteral("There was an error loading your 'Sold' Page or \r\n"
                          "Can not find Item Number using current search string.\r\n"
                          "Please change Item# search string in the ooptions dialog box");
}

void ScanSession::SoldSearch()
{
    setBusyPointer(true);
    setStatus(QStringLiteral("Loading ..."));
    clearTable();
    setProgress(1000, 10);
    setStartEnabled(false);
    m_table.figures.userId = m_userId;
    emit figuresChanged();

    int saleDates = 0; // kept across passes
    int emptyPasses = 0;
    for (;;) {
        setStatus(QStringLiteral("Loading Page"));
        const QString page = Inet1->OpenURL(markers(MarkerTable::Sold).soldAddress);
        const bool pageFailed = Inet1->lastFetch().failed;
        bool stopped = m_stopRequested;
        if (!stopped) {
            m_table.figures.listingAddress = Inet1->URL();
            emit figuresChanged();
            setStatus(QStringLiteral("Page Loaded"));
            const ScanMarkers markersNow = markers(MarkerTable::Sold);
            setHeaders(true);
            std::array<QString, AuctionTable::Rows> auctionCells;
            for (int i = 0; i < AuctionTable::Rows; ++i)
                auctionCells[i] = m_table.rows[i].auction;
            const Scan::SoldPass pass =
                Scan::scanSoldPass(page, markersNow.soldFields(), auctionCells, saleDates);
            for (int i = 0; i < AuctionTable::Rows; ++i) {
                const Scan::SoldRow& found = pass.rows[i];
                AuctionRow& row = m_table.rows[i];
                row.auction = found.auction;
                row.bids = found.quantity;
                row.startPrice = found.salePrice;
                row.timeLeft = found.saleDate;
                row.title = found.title;
                emit rowChanged(i);
            }
            saleDates = pass.saleDates;
            if (!pass.firstAuctionEmpty())
                emit listingPageWorked(m_userId, MarkerTable::Sold, page);
            setProgress(pass.progressMaximum, pass.progressValue);

            setStatus(QStringLiteral("Searching Visits"));
            // A span-wrapped sale date counts twice, so the count can pass the table's 20 rows.
            const int visitRows = qMin(saleDates, int(AuctionTable::Rows));
            for (int k = 0; k < visitRows && !stopped; ++k)
                stopped = !readCounter(k, MarkerTable::Sold);
        }

        const bool noItemNumber = m_table.rows[0].auction.isEmpty();
        if (!stopped && noItemNumber && ++emptyPasses >= EmptyPassLimit) {
            // Not signed in, or the item-number markers no longer fit: say so
            // instead of fetching the page forever.
            finishScan(0, pageFailed ? Ending::ListingFailed : Ending::SoldPageError);
            emit notice(soldPageError());
            return;
        }
        finishScan(0, pageFailed && !stopped ? Ending::ListingFailed : Ending::Completed);
        if (stopped || !noItemNumber)
            return;
        // No item number yet: fetch the page again.
        setStartEnabled(false);
        setStatusColor(StatusColor::Plain);
        setStatus(QStringLiteral("Loading ..."));
    }
}
