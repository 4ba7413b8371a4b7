// The steps both scans share: the item address, the counter read of a row,
// the visit totals and the ending.
#include "main_window/Form1.h"

#include "options/NumberText.h"
#include "options/OptionsStore.h"
#include "scan/CounterRead.h"
#include "selection/Totals.h"
#include "transfer/Inet.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

QString Form1::bareListingAddress() const
{
    // The listings host is the host of the seller listing address, so one
    // installation's option files name one site.
    const QUrl listing(OptionsStore::before(MarkerTable::Active, 8).trimmed());
    QUrl bare;
    bare.setScheme(QStringLiteral("http"));
    bare.setHost(listing.host().isEmpty() ? QStringLiteral("listings.ebay.com") : listing.host());
    bare.setPort(listing.port());
    bare.setPath(QStringLiteral("/_W0QQsocmdZListingCategoryList"));
    return bare.toString(QUrl::FullyEncoded);
}

QString Form1::itemAddress(int row) const
{
    return OptionsStore::itemAddress(Text1[row]->text());
}

namespace {
// A table row as the counter read writes it.
class TableRow : public Scan::CounterRow
{
public:
    TableRow(Form1& form, int row) : m_form(form), m_row(row) {}

    void notFound() override
    {
        m_form.Text2[m_row]->setText(QStringLiteral("N/F"));
        m_form.setCellColor(m_form.Text2[m_row], QColor(255, 0, 0));
    }
    void found(const QString& value) override
    {
        m_form.Text2[m_row]->setText(value);
        m_form.setCellColor(m_form.Text2[m_row], m_form.buttonFace());
        m_form.setStatus(QStringLiteral("Loading ..."));
        m_form.Check1[m_row]->setChecked(true);
        m_form.Text3->setText(QString::number(m_row + 1));
    }
    void retrying() override
    {
        m_form.Text2[m_row]->setText(QStringLiteral("Retry"));
        m_form.setCellColor(m_form.Text2[m_row], QColor(255, 255, 0));
        m_form.setStatus(QStringLiteral("RETRY"));
    }

private:
    Form1& m_form;
    int m_row;
};
} // namespace

bool Form1::readCounter(int row, MarkerTable table)
{
    m_visitPhase = true;
    TableRow sink(*this, row);
    const auto fetch = [this, row]() -> std::optional<QString> {
        setStatus(QStringLiteral("Searching Visits...."));
        setProgressValue(100.0 * (row + 1));
        const QString page = Inet1->OpenURL(itemAddress(row));
        if (stopRequested())
            return std::nullopt;
        Text10->setText(QString::number(page.size()));
        return page;
    };
    const auto settings = [table] {
        return Scan::CounterSettings{
            roundHalfEven(leadingNumberValue(OptionsStore::counterStartText())),
            OptionsStore::counterTryLimit(), OptionsStore::before(table, 2),
            OptionsStore::before(table, 3)};
    };
    const Scan::CounterResult result = Scan::readCounter(fetch, settings, sink);
    if (!result.stopped) {
        Text9->setText(QString::number(result.position));
        ++m_counterReads;
        // No value at all counts as a miss too: the counter was never found.
        const QString shown = Text2[row]->text();
        m_counterMisses += shown.isEmpty() || shown == QLatin1String("N/F");
    }
    return !result.stopped;
}

void Form1::writeVisitTotals(int firstRow)
{
    double visits = 0;
    for (int r = firstRow; r < firstRow + Rows; ++r)
        visits = addVisits(visits, double(roundHalfEven(leadingNumberValue(Text2[r]->text()))));
    Text4->setText(QString::number(qint64(visits)));
    const double counted = leadingNumberValue(Text3->text());
    if (counted > 0)
        Text8->setText(formatGroupedPattern(visits / counted));
}

void Form1::finishScan(int firstBlockRow, ScanEnd end)
{
    Inet1->Cancel();
    if (firstBlockRow + Rows > Rows) {
        // Rows 21 - 40 are not in the table: end quietly.
        endScanQuietly();
        return;
    }
    writeVisitTotals(firstBlockRow);
    setBusyPointer(false);
    Timer3->stop();
    setProgressValue(0);
    switch (end) {
    case ScanEnd::UnknownSeller:
        // The site sent us to its bare listing page: the seller does not
        // exist, which must not end on a green "Task Complete".
        setStatus(QStringLiteral("User Search Error"));
        setStatusColor(QColor(255, 0, 0));
        break;
    case ScanEnd::ListingFailed:
        // Nor may a listing page that never arrived whole.
        setStatus(QStringLiteral("Internet Error"));
        setStatusColor(QColor(255, 0, 0));
        break;
    case ScanEnd::SoldPageError:
        setStatus(QStringLiteral("Sold Page Error"));
        setStatusColor(QColor(255, 0, 0));
        break;
    case ScanEnd::Completed:
        setStatus(taskComplete());
        setStatusColor(QColor(0, 255, 0));
        break;
    }
    makeDefaultButton(Command1);
    endScanQuietly();
    recordScan();
}

void Form1::endScanQuietly()
{
    Command1->setEnabled(true);
    setBusyPointer(false);
}
