#pragma once

#include <QString>
#include <QStringView>
#include <array>

// The listing phases of the Active and Sold scans: the twenty rows cut out of
// one fetched listing page. Nothing between the listing fetch and the first
// item-page fetch can see the stop flag change (no event is handled there),
// so the whole phase is a function of the page and the markers; the scans
// write its rows into the table.
namespace Scan {

inline constexpr int ListingRows = 20;

struct MarkerPair
{
    QString before;
    QString after;
};

// Rows of the Active marker table the listing phase uses.
struct ActiveMarkers
{
    MarkerPair auction;    // row 0
    MarkerPair title;      // row 1
    MarkerPair timeLeft;   // row 4
    MarkerPair startPrice; // row 5
    MarkerPair bids;       // row 6
    MarkerPair price;      // row 7
};

struct ActiveRow
{
    QString auction;
    QString title;
    QString bids;
    QString startPrice;
    QString price;
    QString timeLeft;
};

struct ActiveListing
{
    // Every row is written; a restart rewrites them from row 0.
    std::array<ActiveRow, ListingRows> rows;
    int timedRows = 0; // the visit phase reads this many rows
    int restarts = 0;
    // Progress bar after the last row.
    int progressMaximum = 0;
    int progressValue = 0;
};

// `soldSelected`: the Sold option was chosen while the listing page loaded;
// the buy-now search is then skipped and the Price cells are written empty.
ActiveListing scanActiveListing(QStringView page, const ActiveMarkers& markers, bool soldSelected);

// Rows of the Sold marker table a pass uses.
struct SoldMarkers
{
    MarkerPair item;      // row 0
    MarkerPair title;     // row 1
    MarkerPair saleDate;  // row 4
    MarkerPair salePrice; // row 5
    MarkerPair quantity;  // row 6
};

struct SoldRow
{
    QString auction;   // Auction column
    QString quantity;  // Bids column
    QString salePrice; // Start Price column
    QString saleDate;  // Time Left column
    QString title;
};

struct SoldPass
{
    std::array<SoldRow, ListingRows> rows;
    int saleDates = 0; // carried into the next pass; the visit phase reads this many rows
    int progressMaximum = 0;
    int progressValue = 0;

    // No item number in row 0: the scan starts over with a new pass.
    bool firstAuctionEmpty() const { return rows[0].auction.isEmpty(); }
};

// One pass over the sold-items page. `auctionCells` are the Auction cells as
// they stand (a repeated item number leaves its cell unchanged); `saleDates`
// is the count carried from earlier passes of the same scan.
SoldPass scanSoldPass(QStringView page, const SoldMarkers& markers,
                      const std::array<QString, ListingRows>& auctionCells, int saleDates);

} // namespace Scan
