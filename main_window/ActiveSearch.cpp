// The Active scan: one listing page, up to 20 rows cut out of it, then the
// visit counter of each timed row's item page.
#include "main_window/Form1.h"

#include "options/OptionsStore.h"
#include "scan/ListingPhase.h"
#include "transfer/Inet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {
Scan::MarkerPair activeRow(int row)
{
    return {OptionsStore::before(MarkerTable::Active, row),
            OptionsStore::after(MarkerTable::Active, row)};
}
} // namespace

void Form1::ActiveSearch()
{
    setBusyPointer(true);
    setProgress(1000, 50);
    setStatus(QStringLiteral("Loading ..."));
    enableTimer(Timer3);
    Command2_Click();
    Command1->setEnabled(false);
    const int firstBlockRow = Check2->isChecked() ? 0 : 20;
    Text5->setText(Combo1->currentText());
    setStatus(QStringLiteral("Loading Page"));
    const QString page = Inet1->OpenURL(OptionsStore::listingAddress(Combo1->currentText()));
    // Stopped while the page loaded: "Stopped" stays the last word before the ending.
    if (stopRequested()) {
        finishScan(firstBlockRow, ScanEnd::Completed);
        return;
    }
    const bool listingFailed = lastTransferState() == Inet::icError;
    Text20->setText(Inet1->URL());
    setStatus(QStringLiteral("Page Loaded"));
    const Scan::ActiveMarkers markers{activeRow(0), activeRow(1), activeRow(4),
                                      activeRow(5), activeRow(6), activeRow(7)};
    setModeHeaders(false);

    const Scan::ActiveListing listing = Scan::scanActiveListing(page, markers, Option2->isChecked());
    for (int i = 0; i < Rows; ++i) {
        const Scan::ActiveRow& row = listing.rows[i];
        Text1[i]->setText(row.auction);
        Text7[i]->setText(row.title);
        Text18[i]->setText(row.bids);
        Text17[i]->setText(row.startPrice);
        Text19[i]->setText(row.price);
        Text16[i]->setText(row.timeLeft);
    }
    setProgress(listing.progressMaximum, listing.progressValue);

    setStatus(QStringLiteral("Searching Visits"));
    // A span-wrapped time left counts twice, so the count can pass the table's 20 rows.
    const int visitRows = qMin(listing.timedRows, int(Rows));
    for (int k = 0; k < visitRows && readCounter(k, MarkerTable::Active); ++k) {
    }

    // A whole page without one auction number: the markers may no longer fit.
    m_noListings = !listingFailed && Text20->text() != bareListingAddress() &&
                   listing.rows[0].auction.isEmpty();
    ScanEnd end = ScanEnd::Completed;
    if (Text20->text() == bareListingAddress())
        end = ScanEnd::UnknownSeller;
    else if (listingFailed)
        end = ScanEnd::ListingFailed;
    finishScan(firstBlockRow, end);
}
