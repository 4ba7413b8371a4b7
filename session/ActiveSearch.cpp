// The Active scan: one listing page, up to 20 rows cut out of it, then the
// visit counter of each timed row's item page.
#include "session/ScanSession.h"

#include "scan/ListingPhase.h"
#include "transfer/Inet.h"

#include <QTimer>

void ScanSession::ActiveSearch()
{
    setBusyPointer(true);
    setProgress(1000, 50);
    setStatus(QStringLiteral("Loading ..."));
    enableTimer(Timer3);
    clearTable();
    setStartEnabled(false);
    const int firstBlockRow = m_secondBlock ? 20 : 0;
    const QString userId = m_userId;
    m_table.figures.userId = userId;
    emit figuresChanged();
    setStatus(QStringLiteral("Loading Page"));
    const QString page = Inet1->OpenURL(markers(MarkerTable::Active).listingAddress(userId));
    // Stopped while the page loaded: "Stopped" stays the last word before the ending.
    if (m_stopRequested) {
        finishScan(firstBlockRow, Ending::Completed);
        return;
    }
    const bool listingFailed = Inet1->lastFetch().failed;
    m_table.figures.listingAddress = Inet1->URL();
    emit figuresChanged();
    setStatus(QStringLiteral("Page Loaded"));
    const ScanMarkers markersNow = markers(MarkerTable::Active);
    setHeaders(false);

    const Scan::ActiveListing listing =
        Scan::scanActiveListing(page, markersNow.activeFields(), m_sold);
    for (int i = 0; i < AuctionTable::Rows; ++i) {
        const Scan::ActiveRow& found = listing.rows[i];
        AuctionRow& row = m_table.rows[i];
        row.auction = found.auction;
        row.title = found.title;
        row.bids = found.bids;
        row.startPrice = found.startPrice;
        row.price = found.price;
        row.timeLeft = found.timeLeft;
        emit rowChanged(i);
    }
    setProgress(listing.progressMaximum, listing.progressValue);
    if (!listing.rows[0].auction.isEmpty())
        emit listingPageWorked(userId, MarkerTable::Active, page);

    setStatus(QStringLiteral("Searching Visits"));
    // A span-wrapped time left counts twice, so the count can pass the table's 20 rows.
    const int visitRows = qMin(listing.timedRows, int(AuctionTable::Rows));
    for (int k = 0; k < visitRows && readCounter(k, MarkerTable::Active); ++k) {
    }

    // A whole page without one auction number: the markers may no longer fit.
    const QString bare = markers(MarkerTable::Active).bareListingAddress();
    const bool unknownSeller = m_table.figures.listingAddress == bare;
    m_finished.noListings = !listingFailed && !unknownSeller && listing.rows[0].auction.isEmpty();
    Ending end = Ending::Completed;
    if (unknownSeller)
        end = Ending::UnknownSeller;
    else if (listingFailed)
        end = Ending::ListingFailed;
    finishScan(firstBlockRow, end);
}
