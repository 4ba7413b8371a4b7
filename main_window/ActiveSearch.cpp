// The Active scan: one listing page, up to 20 rows cut out of it, then the
// visit counter of each timed row's item page.
#include "main_window/Form1.h"

#include "options/NumberText.h"
#include "options/OptionsStore.h"
#include "scan/ListingPhase.h"
#include "scan/MarkerSearch.h"
#include "transfer/Inet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {
Scan::MarkerPair markerRow(MarkerTable table, int row)
{
    return {OptionsStore::before(table, row), OptionsStore::after(table, row)};
}
} // namespace

QString Form1::itemAddress(int row) const
{
    return OptionsStore::before(MarkerTable::Sold, 8) + Text1[row]->text() +
           OptionsStore::after(MarkerTable::Sold, 8);
}

bool Form1::readCounter(int row, MarkerTable table)
{
    int tries = 0;
    for (;;) {
        ++tries;
        setStatus(QStringLiteral("Searching Visits...."));
        setProgressValue(100.0 * (row + 1));
        const QString page = Inet1->OpenURL(itemAddress(row));
        if (stopRequested())
            return false;
        Text10->setText(QString::number(page.size()));

        // Read afresh for every fetch: the Options window may have been edited meanwhile.
        const qsizetype start = roundHalfEven(leadingNumberValue(OptionsStore::counterStartText()));
        const Scan::CounterMatch match = Scan::findCounter(
            page, start, OptionsStore::before(table, 2), OptionsStore::before(table, 3));
        const Scan::CounterTry verdict =
            Scan::judgeCounterTry(match, tries, OptionsStore::counterTryLimit());
        // A miss below position 35 ends the try on the spot while tries are left.
        bool retry = verdict.showNotFound && !verdict.showValue && verdict.retry;
        if (verdict.showNotFound) {
            Text2[row]->setText(QStringLiteral("N/F"));
            setCellColor(Text2[row], QColor(255, 0, 0));
        }
        if (verdict.showValue) {
            Text2[row]->setText(match.value);
            setCellColor(Text2[row], buttonFace());
            setStatus(QStringLiteral("Loading ..."));
            Check1[row]->setChecked(true);
            Text3->setText(QString::number(row + 1));
        }
        // A broken counter is read again, whether this try or an earlier one left it.
        if (!retry)
            retry = Text2[row]->text() == Scan::CounterBroken && tries < Scan::CounterBrokenTries;
        if (retry) {
            Text2[row]->setText(QStringLiteral("Retry"));
            setCellColor(Text2[row], QColor(255, 255, 0));
            setStatus(QStringLiteral("RETRY"));
            continue;
        }
        Text9->setText(QString::number(match.position));
        return true;
    }
}

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
    const QString listingAddress = OptionsStore::before(MarkerTable::Active, 8) +
                                   Combo1->currentText() +
                                   OptionsStore::after(MarkerTable::Active, 8);
    const QString page = Inet1->OpenURL(listingAddress);
    const bool listingFailed = lastTransferState() == Inet::icError;
    Text20->setText(Inet1->URL());
    setStatus(QStringLiteral("Page Loaded"));
    const Scan::ActiveMarkers markers{
        markerRow(MarkerTable::Active, 0), markerRow(MarkerTable::Active, 1),
        markerRow(MarkerTable::Active, 4), markerRow(MarkerTable::Active, 5),
        markerRow(MarkerTable::Active, 6), markerRow(MarkerTable::Active, 7)};
    Label7->setText(QStringLiteral("Time Left"));
    Label6->setText(QStringLiteral("Start Price"));
    Label9->setText(QStringLiteral("Bids"));

    const bool stoppedBeforeListing = stopRequested();
    if (!stoppedBeforeListing) {
        const Scan::ActiveListing listing =
            Scan::scanActiveListing(page, markers, Option2->isChecked());
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
        for (int k = 0; k < visitRows; ++k) {
            if (!readCounter(k, MarkerTable::Active))
                break;
        }
    }

    Inet1->Cancel();
    finishScan(firstBlockRow, listingFailed && !stoppedBeforeListing);
}

void Form1::finishScan(int firstBlockRow, bool listingFailed)
{
    if (firstBlockRow + Rows > Rows) {
        // Rows 21 - 40 are not in the table: end quietly.
        endScanQuietly();
        return;
    }
    writeVisitTotals(firstBlockRow);
    setBusyPointer(false);
    Timer3->stop();
    setProgressValue(0);
    if (Text20->text() == bareListingAddress()) {
        // The site sent us to its bare listing page: the seller does not
        // exist, which must not end on a green "Task Complete".
        setStatus(QStringLiteral("User Search Error"));
        setStatusColor(QColor(255, 0, 0));
    } else if (listingFailed) {
        // Nor may a listing page that never arrived whole.
        setStatus(QStringLiteral("Internet Error"));
        setStatusColor(QColor(255, 0, 0));
    } else {
        setStatus(QStringLiteral("Task Complete"));
        setStatusColor(QColor(0, 255, 0));
    }
    makeDefaultButton(Command1);
    endScanQuietly();
}

void Form1::writeVisitTotals(int firstRow)
{
    // Summed in 64 bits: a busy seller passes 32,767 visits.
    qint64 visits = 0;
    for (int r = firstRow; r < firstRow + Rows; ++r)
        visits += roundHalfEven(leadingNumberValue(Text2[r]->text()));
    Text4->setText(QString::number(visits));
    const double counted = leadingNumberValue(Text3->text());
    if (counted > 0)
        Text8->setText(formatGroupedPattern(double(visits) / counted));
}

void Form1::endScanQuietly()
{
    Command1->setEnabled(true);
    setBusyPointer(false);
}
