#pragma once

#include "selection/SelectionCommands.h"
#include "selection/Totals.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

struct ScanRecord;
class QDateTime;

// How a Visits cell is marked; the window gives each mark its colour.
enum class VisitsMark
{
    Plain,    // window background
    Counted,  // a counter was read: button face
    NotFound, // "N/F": red
    Retry,    // "Retry": yellow
};

// The table's columns, left to right.
enum class Column
{
    Auction,
    Title,
    Visits,
    TimeLeft,   // Time Left / Sale Date
    StartPrice, // Start Price / Sale Price
    Bids,       // Bids / QTY
    Price,      // Active only
};

struct AuctionRow
{
    QString auction;
    QString title;
    QString visits; // the counter's 5 characters, "N/F", "Retry" or what the user typed
    VisitsMark mark = VisitsMark::Plain;
    QString timeLeft;
    QString startPrice;
    QString bids;
    QString price;
    bool checked = false;

    QString& cell(Column column);
    const QString& cell(Column column) const;
};

// The row the user last chose with a row gesture; Matching and Non-Match
// set the title and the auction number too.
struct ChosenRow
{
    QString title = QStringLiteral("Start Price"); // the reference title
    QString auction;
    std::optional<int> index;
};

// What a scan keeps beside the rows.
struct ScanFigures
{
    QString userId;                   // the User ID the last scan was for
    int countedRows = 0;              // row number (k + 1) of the last counter read; 0: none
    std::optional<qint64> visitTotal; // the scan's visits over its block of rows
    std::optional<double> average;    // visitTotal / countedRows
    std::optional<qsizetype> counterPosition; // where the last counter search ended
    std::optional<qsizetype> pageLength;      // of the last item page
    std::optional<QString> listingAddress;    // of the listing page, after redirections
};

// The auction table: twenty rows of text cells with their checks, the
// header mode, the chosen row and the scan's figures. Everything that needs
// the rows (totals, selection commands, history, export, View Auction, the
// next Sold pass, the command line) reads them here.
class AuctionTable
{
public:
    static constexpr int Rows = Selection::Rows;

    std::array<AuctionRow, Rows> rows;
    bool soldHeaders = false; // the three switching headers show the Sold texts
    ChosenRow chosen;
    ScanFigures figures;

    // As the window starts: one blank in every Auction and Visits cell.
    AuctionTable();

    // The header texts of every column, for Active or Sold mode.
    static QStringList captions(bool sold);

    Selection::Titles titles() const;
    Selection::Checks checks() const;
    // The Totals frame over the checked rows.
    SelectionTotals selectionTotals() const;
    // The scan's own totals: visitTotal over every row, and average over
    // countedRows when a counter was read.
    void totalVisits();

    // The header (the captions shown now) and all or only the checked rows;
    // without the Price column when the Sold option is chosen.
    QList<QStringList> exportLines(bool sold, bool checkedOnly) const;
    // The rows as a finished scan leaves them.
    ScanRecord scanRecord(const QString& seller, bool sold, const QDateTime& started,
                          const QDateTime& ended, const QString& status) const;
};
