#pragma once

#include "history/HistoryStore.h"
#include "history/ListingPages.h"
#include "marker_check/MarkerCheck.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// A new marker pair for a row that stopped fitting, found from what the
// history remembers: the value the row cut last time is sought on the page
// as it is now, and the text around it becomes the markers, checked by
// running the scan's own listing phase or counter search with them.
namespace MarkerRepair {

// What the history remembers of a seller for one table.
struct Memory
{
    QList<ScanRow> rows;                    // the newest scan that read listings, in table order
    std::optional<ListingPages::Kept> page; // the last listing page that worked
};

// A value's place in a page, with the text on either side of it.
struct Place
{
    qsizetype position = 0; // 1-based, as the marker options count
    QString before;
    QString value;
    QString after;
};

struct Proposal
{
    QString value;       // the last value the history holds, sought on the page
    QList<Place> places; // where it stands now (the first few)
    std::optional<Scan::MarkerPair> markers;
    int listings = 0; // values the proposal cuts out of the page
    int known = 0;    // of them, values the history holds
    // Gone from the page: where it stood on the last page that worked, and
    // what stands at that place now (empty when the place is gone too).
    std::optional<Place> then;
    QDateTime keptAt;
    QString now;
    QString problem; // why there is no proposal
};

// The values the history holds for a marker row, newest scan's first listing
// first; for a counter row, the reading of the listing whose page was read.
QStringList lastValues(MarkerTable table, int row, const QList<ScanRow>& rows,
                       const QString& itemAuction);

Proposal propose(MarkerTable table, const MarkerCheck::Markers& markers, int row,
                 qsizetype counterStart, QStringView listingPage, QStringView itemPage,
                 const Memory& memory);

// The proposal as the window shows it: HTML, each value marked.
QString describe(const Proposal& proposal, const QString& rowLabel);

} // namespace MarkerRepair
