#pragma once

#include "options/OptionTexts.h"
#include "scan/ListingPhase.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>

// What each marker row of a table finds in a listing page and an item page,
// worked out by the scans' own functions, so a row that shows values here is
// a row the scans read the same way.
namespace MarkerCheck {

using Markers = std::array<Scan::MarkerPair, 9>;

struct Row
{
    QString purpose; // the row's label in the Options window
    QString before;
    QString after;
    qsizetype beforeCount = 0; // occurrences in the page the row reads
    qsizetype afterCount = 0;
    QStringList values;  // the first three values the scan cuts out; the counter's 5 characters
    QString note;        // counter rows: which marker matched, where; address rows: what they build
    bool broken = false; // the row finds nothing the scan could use
};

// The marker rows of a table, and the counter start, as the options hold them.
Markers markersOf(MarkerTable table, const OptionTexts& options);
qsizetype counterStart(const OptionTexts& options);

// Which field of a listing a marker row cuts (0: the auction number); -1
// for the counter and address rows.
int fieldOf(MarkerTable table, int row);
// The 20 rows the listing phase cuts, each with its fields in fieldOf's order.
QList<QStringList> listingRows(MarkerTable table, const Markers& markers, QStringView page);

// The item number of the first listing the scan would read, or empty.
QString firstListing(MarkerTable table, const Markers& markers, QStringView listingPage);

// One line per marker row: field rows read the listing page, counter rows
// the item page (empty when there is none); address rows are only counted.
QList<Row> check(MarkerTable table, const Markers& markers, qsizetype counterStart,
                 QStringView listingPage, QStringView itemPage);

// What the listing page the check got is, before any marker is blamed for
// it: only a listing page can show that a marker no longer fits.
enum class PageKind
{
    Listing,
    FetchFailed,
    NotAPage,      // empty, binary, no markup
    SignIn,        // the site's sign-in page (Sold without signing in)
    UnknownSeller, // the site sent the User ID to its bare listing page
    ItemPageOnly,  // a saved item page: only the counter rows are checked
    NoListings,    // a page none of the field markers occurs on
};
// A listing page on which no field row's before marker occurs has no
// listing rows: a seller with nothing for sale, not a marker that changed.
bool withoutListings(MarkerTable table, const QList<Row>& rows);
PageKind pageKind(QStringView page, bool fetchFailed, bool unknownSeller);
// A saved page with no listing the markers find, and a counter they find,
// is an item page; anything else is taken for a listing page.
bool looksLikeItemPage(MarkerTable table, const Markers& markers, qsizetype counterStart,
                       QStringView page);
// What the window says about a page that is not a listing page; empty for one.
QString pageKindText(PageKind kind, const QString& failure);
// The rows as check() gives them, none blamed when the page is no listing page.
void blameNoMarker(QList<Row>& rows, PageKind kind);

// The once-per-scan notice when the markers stop fitting, and its switch.
QString noListingsNotice();
QString noCountersNotice();
bool noticeEnabled();
void setNoticeEnabled(bool enabled);

} // namespace MarkerCheck
