// The Sold scan: the signed-in seller's sold-items page, fetched again while
// it shows no item number, then the visit counter of each dated row.
#include "main_window/Form1.h"

#include "base/Messages.h"
#include "options/OptionsStore.h"
#include "scan/ListingPhase.h"
#include "transfer/Inet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {
// A page that shows no item number this many times in a row is not going to:
// the user is not signed in, or the item-number markers no longer fit.
constexpr int EmptyPassLimit = 3;

Scan::MarkerPair soldRow(int row)
{
    return {OptionsStore::before(MarkerTable::Sold, row),
            OptionsStore::after(MarkerTable::Sold, row)};
}
} // namespace

QString Form1::soldPageError()
{
    return QStringLiteral("There was an error loading your 'Sold' Page or \r\n"
                          "Can not find Item Number using current search string.\r\n"
                          "Please change Item# search string in the ooptions dialog box");
}

void Form1::SoldSearch()
{
    setBusyPointer(true);
    setStatus(QStringLiteral("Loading ..."));
    Command2_Click();
    setProgress(1000, 10);
    Command1->setEnabled(false);
    Text5->setText(Combo1->currentText());

    int saleDates = 0; // kept across passes
    int emptyPasses = 0;
    for (;;) {
        setStatus(QStringLiteral("Loading Page"));
        const QString page = Inet1->OpenURL(OptionsStore::before(MarkerTable::Sold, 7));
        const bool pageFailed = lastTransferState() == Inet::icError;
        bool stopped = stopRequested();
        if (!stopped) {
            Text20->setText(Inet1->URL());
            setStatus(QStringLiteral("Page Loaded"));
            const Scan::SoldMarkers markers{soldRow(0), soldRow(1), soldRow(4), soldRow(5),
                                            soldRow(6)};
            setModeHeaders(true);
            std::array<QString, Rows> auctionCells;
            for (int i = 0; i < Rows; ++i)
                auctionCells[i] = Text1[i]->text();
            const Scan::SoldPass pass = Scan::scanSoldPass(page, markers, auctionCells, saleDates);
            for (int i = 0; i < Rows; ++i) {
                const Scan::SoldRow& row = pass.rows[i];
                Text1[i]->setText(row.auction);
                Text18[i]->setText(row.quantity);
                Text17[i]->setText(row.salePrice);
                Text16[i]->setText(row.saleDate);
                Text7[i]->setText(row.title);
            }
            saleDates = pass.saleDates;
            setProgress(pass.progressMaximum, pass.progressValue);

            setStatus(QStringLiteral("Searching Visits"));
            // A span-wrapped sale date counts twice, so the count can pass the table's 20 rows.
            const int visitRows = qMin(saleDates, int(Rows));
            for (int k = 0; k < visitRows && !stopped; ++k)
                stopped = !readCounter(k, MarkerTable::Sold);
        }

        const bool noItemNumber = Text1[0]->text().isEmpty();
        if (!stopped && noItemNumber && ++emptyPasses >= EmptyPassLimit) {
            // Not signed in, or the item-number markers no longer fit: say so
            // instead of fetching the page forever.
            finishScan(0, pageFailed ? ScanEnd::ListingFailed : ScanEnd::SoldPageError);
            Messages::show(this, soldPageError());
            return;
        }
        finishScan(0, pageFailed && !stopped ? ScanEnd::ListingFailed : ScanEnd::Completed);
        if (stopped || !noItemNumber)
            return;
        // No item number yet: fetch the page again.
        Command1->setEnabled(false);
        setStatusColor(windowBackground());
        setStatus(QStringLiteral("Loading ..."));
    }
}
