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
        Text20->setText(Inet1->URL());
        setStatus(QStringLiteral("Page Loaded"));
        const Scan::SoldMarkers markers{soldRow(0), soldRow(1), soldRow(4), soldRow(5), soldRow(6)};
        Label7->setText(QStringLiteral("Sale Date"));
        Label6->setText(QStringLiteral("Sale Price"));
        Label9->setText(QStringLiteral("QTY"));

        bool stopped = stopRequested();
        if (!stopped) {
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

        Inet1->Cancel();
        writeVisitTotals(0);
        setBusyPointer(false);
        Timer3->stop();

        const bool noItemNumber = Text1[0]->text().isEmpty();
        if (!stopped && noItemNumber && ++emptyPasses >= EmptyPassLimit) {
            for (int i = 0; i < 3; ++i)
                Inet1->Cancel();
            setProgressValue(0);
            setStatusColor(windowBackground());
            Command1->setEnabled(true);
            makeDefaultButton(Command1);
            Messages::show(this, soldPageError());
            return;
        }

        setStatus(QStringLiteral("Task Complete"));
        setProgressValue(0);
        setStatusColor(QColor(0, 255, 0));
        if (stopped || !noItemNumber) {
            makeDefaultButton(Command1);
            Command1->setEnabled(true);
            setBusyPointer(false);
            return;
        }
        setStatusColor(windowBackground());
        setStatus(QStringLiteral("Loading ..."));
    }
}
