#include "marker_check/MarkerCheck.h"

#include "base/ProgramFolder.h"
#include "options/NumberText.h"
#include "scan/MarkerSearch.h"

#include <QDir>
#include <QSettings>

namespace MarkerCheck {
namespace {
// Which field of a listing row each marker row fills; -1: not a field row.
constexpr int ActiveField[9] = {0, 1, -1, -1, 2, 3, 4, 5, -1};
constexpr int SoldField[9] = {0, 1, -1, -1, 2, 3, 4, -1, -1};

QString field(const Scan::ActiveRow& row, int which)
{
    const QString* fields[] = {&row.auction,    &row.title, &row.timeLeft,
                               &row.startPrice, &row.bids,  &row.price};
    return *fields[which];
}

QString field(const Scan::SoldRow& row, int which)
{
    const QString* fields[] = {&row.auction, &row.title, &row.saleDate, &row.salePrice,
                               &row.quantity};
    return *fields[which];
}

// The listing rows as the scan cuts them: up to three values per field.
std::array<QStringList, 6> listingValues(MarkerTable table, const Markers& m, QStringView page)
{
    std::array<QStringList, 6> values;
    for (const QStringList& row : listingRows(table, m, page)) {
        for (int f = 0; f < row.size(); ++f) {
            if (values[f].size() < 3 && !row[f].isEmpty())
                values[f] << row[f];
        }
    }
    return values;
}

qsizetype occurrences(QStringView page, const QString& marker)
{
    return marker.isEmpty() ? 0 : page.count(marker);
}

QString settingsFile()
{
    return QDir(userDataFolder()).filePath(QStringLiteral("preferences.ini"));
}
} // namespace

Markers markersOf(MarkerTable table, const OptionTexts& options)
{
    Markers markers;
    for (int r = 0; r < 9; ++r)
        markers[r] = {options.before(table)[r], options.after(table)[r]};
    return markers;
}

qsizetype counterStart(const OptionTexts& options)
{
    return roundHalfEven(leadingNumberValue(options.counterStart));
}

int fieldOf(MarkerTable table, int row)
{
    return row < 0 || row >= 9 ? -1 : (table == MarkerTable::Active ? ActiveField : SoldField)[row];
}

QList<QStringList> listingRows(MarkerTable table, const Markers& m, QStringView page)
{
    QList<QStringList> rows;
    const auto take = [&rows](const auto& found, int fields) {
        for (const auto& row : found) {
            QStringList values;
            for (int f = 0; f < fields; ++f)
                values << field(row, f);
            rows << values;
        }
    };
    if (table == MarkerTable::Active)
        take(Scan::scanActiveListing(page, {m[0], m[1], m[4], m[5], m[6], m[7]}, false).rows, 6);
    else
        take(Scan::scanSoldPass(page, {m[0], m[1], m[4], m[5], m[6]}, {}, 0).rows, 5);
    return rows;
}

QString firstListing(MarkerTable table, const Markers& markers, QStringView listingPage)
{
    return listingValues(table, markers, listingPage)[0].value(0);
}

QList<Row> check(MarkerTable table, const Markers& markers, qsizetype counterStart,
                 QStringView listingPage, QStringView itemPage)
{
    const QStringList labels = OptionTexts::rowLabels(table);
    const auto values = listingValues(table, markers, listingPage);
    const Scan::CounterMatch counter =
        Scan::findCounter(itemPage, counterStart, markers[2].before, markers[3].before);
    QList<Row> rows;
    for (int r = 0; r < 9; ++r) {
        Row row;
        row.purpose = labels[r];
        row.before = markers[r].before;
        row.after = markers[r].after;
        const int f = fieldOf(table, r);
        const bool counterRow = r == 2 || r == 3;
        const QStringView page = counterRow ? itemPage : listingPage;
        row.beforeCount = occurrences(page, row.before);
        row.afterCount = occurrences(page, row.after);
        if (f >= 0) {
            row.values = values[f];
            const bool missing = (!row.before.isEmpty() && row.beforeCount == 0) ||
                                 (!row.after.isEmpty() && row.afterCount == 0);
            // Fields are read after each auction number: without one, only
            // the auction row itself is to blame.
            row.broken = row.values.isEmpty() && (f == 0 || !values[0].isEmpty() || missing);
            if (row.values.isEmpty() && !row.broken)
                row.note = QStringLiteral("none: read only after an auction number");
            else if (f == 0 && table == MarkerTable::Active)
                // The rule that trips people: the number is as long as both markers.
                row.note = QStringLiteral("cuts %1 characters: both markers' lengths")
                               .arg(row.before.size() + row.after.size());
            else if (f == 0)
                row.note = QStringLiteral("cuts %1 characters: the before marker's length, "
                                          "a last \"_\" dropped")
                               .arg(row.before.size());
        } else if (counterRow) {
            const auto mine = r == 2 ? Scan::CounterMarker::Basic : Scan::CounterMarker::Retro;
            if (counter.marker == mine) {
                row.values << counter.value;
                row.note =
                    QStringLiteral("matched at character ") + QString::number(counter.position);
            } else if (counter.found()) {
                row.note = QStringLiteral("not needed: the other marker matched first");
            } else if (itemPage.isEmpty()) {
                row.note = QStringLiteral("no item page to read");
            } else {
                row.note =
                    QStringLiteral("no counter after character ") + QString::number(counterStart);
                row.broken = true;
            }
        } else {
            row.note = QStringLiteral("an address, not markers");
        }
        rows << row;
    }
    return rows;
}

QString noListingsNotice()
{
    return QStringLiteral(
        "No listings were found on the page. If the seller has listings, the site may have "
        "changed: Tools > Check Markers shows what each marker finds.\r\n\r\n"
        "(A seller with nothing for sale right now also gets this notice.)");
}

QString noCountersNotice()
{
    return QStringLiteral(
        "No visit counter was found on any item page. If the listings show a counter, the site "
        "may have changed: Tools > Check Markers shows what each marker finds.");
}

bool noticeEnabled()
{
    return QSettings(settingsFile(), QSettings::IniFormat)
        .value(QStringLiteral("markerNotice"), true)
        .toBool();
}

void setNoticeEnabled(bool enabled)
{
    QSettings(settingsFile(), QSettings::IniFormat)
        .setValue(QStringLiteral("markerNotice"), enabled);
}

PageKind pageKind(QStringView page, bool fetchFailed, bool unknownSeller)
{
    if (fetchFailed)
        return PageKind::FetchFailed;
    if (page.trimmed().isEmpty() || page.contains(QChar(0)) || !page.contains(u'<'))
        return PageKind::NotAPage;
    if (page.contains(u"type=\"password\"", Qt::CaseInsensitive))
        return PageKind::SignIn;
    if (unknownSeller)
        return PageKind::UnknownSeller;
    return PageKind::Listing;
}

QString pageKindText(PageKind kind, const QString& failure)
{
    const QString blameless = QStringLiteral(" No marker is to blame.");
    switch (kind) {
    case PageKind::FetchFailed:
        return QStringLiteral("The listing page could not be fetched: ") + failure + u'.' +
               blameless;
    case PageKind::NotAPage:
        return QStringLiteral("What came back is not a web page (empty, binary or without "
                              "markup).") +
               blameless;
    case PageKind::SignIn:
        return QStringLiteral("The site answered with its sign-in page: choose Sold in the main "
                              "window, sign in, and check again.") +
               blameless;
    case PageKind::UnknownSeller:
        return QStringLiteral("The site does not know this User ID and sent it to its page for "
                              "an unknown seller: check the User ID.") +
               blameless;
    case PageKind::NoListings:
        return QStringLiteral("The page has no listing rows: none of the field markers occurs on "
                              "it. The seller may have nothing for sale (if the seller does, the "
                              "whole page changed: check the User ID and the site).") +
               blameless;
    case PageKind::Listing:
    case PageKind::ItemPageOnly:
        break;
    }
    return QString();
}

bool looksLikeItemPage(MarkerTable table, const Markers& markers, qsizetype counterStart,
                       QStringView page)
{
    return firstListing(table, markers, page).isEmpty() &&
           Scan::findCounter(page, counterStart, markers[2].before, markers[3].before).found();
}

bool withoutListings(MarkerTable table, const QList<Row>& rows)
{
    for (int r = 0; r < rows.size(); ++r) {
        if (fieldOf(table, r) >= 0 && (rows[r].before.isEmpty() || rows[r].beforeCount > 0))
            return false;
    }
    return true;
}

void blameNoMarker(QList<Row>& rows, PageKind kind)
{
    if (kind == PageKind::Listing)
        return;
    const bool itemPage = kind == PageKind::ItemPageOnly;
    for (int r = 0; r < rows.size(); ++r) {
        Row& row = rows[r];
        if (itemPage && (r == 2 || r == 3))
            continue;
        if (row.broken && (row.note.isEmpty() || itemPage))
            row.note = itemPage ? QStringLiteral("not checked: an item page")
                                : QStringLiteral("not checked: no listing page");
        row.broken = false;
    }
}

} // namespace MarkerCheck
