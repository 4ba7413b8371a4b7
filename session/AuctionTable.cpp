#include "session/AuctionTable.h"

#include "history/HistoryStore.h"
#include "options/NumberText.h"

AuctionTable::AuctionTable()
{
    for (AuctionRow& row : rows) {
        row.auction = QStringLiteral(" ");
        row.visits = QStringLiteral(" ");
    }
}

QString& AuctionRow::cell(Column column)
{
    return const_cast<QString&>(static_cast<const AuctionRow*>(this)->cell(column));
}

const QString& AuctionRow::cell(Column column) const
{
    switch (column) {
    case Column::Auction:
        return auction;
    case Column::Title:
        return title;
    case Column::Visits:
        return visits;
    case Column::TimeLeft:
        return timeLeft;
    case Column::StartPrice:
        return startPrice;
    case Column::Bids:
        return bids;
    case Column::Price:
        break;
    }
    return price;
}

QStringList AuctionTable::captions(bool sold)
{
    return {QStringLiteral("Auction"),
            QStringLiteral("Title"),
            QStringLiteral("Visits"),
            sold ? QStringLiteral("Sale Date") : QStringLiteral("Time Left"),
            sold ? QStringLiteral("Sale Price") : QStringLiteral("Start Price"),
            sold ? QStringLiteral("QTY") : QStringLiteral("Bids"),
            QStringLiteral("Price")};
}

Selection::Titles AuctionTable::titles() const
{
    Selection::Titles titles;
    for (int i = 0; i < Rows; ++i)
        titles[i] = rows[i].title;
    return titles;
}

Selection::Checks AuctionTable::checks() const
{
    Selection::Checks checks{};
    for (int i = 0; i < Rows; ++i)
        checks[i] = rows[i].checked;
    return checks;
}

SelectionTotals AuctionTable::selectionTotals() const
{
    std::array<QString, Rows> visits;
    for (int i = 0; i < Rows; ++i)
        visits[i] = rows[i].visits;
    return computeTotals(checks(), visits);
}

void AuctionTable::totalVisits()
{
    std::vector<double> values;
    for (const AuctionRow& row : rows)
        values.push_back(double(roundHalfEven(leadingNumberValue(row.visits))));
    const double visits = sumVisits(values);
    figures.visitTotal = qint64(visits);
    if (figures.countedRows > 0)
        figures.average = visits / figures.countedRows;
}

QList<QStringList> AuctionTable::exportLines(bool sold, bool checkedOnly) const
{
    QStringList header = captions(soldHeaders);
    if (sold)
        header.removeLast();
    QList<QStringList> lines{header};
    for (const AuctionRow& row : rows) {
        if (checkedOnly && !row.checked)
            continue;
        QStringList line{row.auction,  row.title,      row.visits,
                         row.timeLeft, row.startPrice, row.bids};
        if (!sold)
            line << row.price;
        lines << line;
    }
    return lines;
}

ScanRecord AuctionTable::scanRecord(const QString& seller, bool sold, const QDateTime& started,
                                    const QDateTime& ended, const QString& status) const
{
    ScanRecord scan;
    scan.seller = seller;
    scan.sold = sold;
    scan.started = started;
    scan.ended = ended;
    scan.status = status;
    for (const AuctionRow& row : rows) {
        scan.rows.append({row.auction,
                          row.title,
                          row.visits,
                          visitsNumber(row.visits),
                          row.timeLeft,
                          row.startPrice,
                          row.bids,
                          sold ? QString() : row.price,
                          {}});
    }
    return scan;
}
