// The steps both scans share: the counter read of a row, the visit totals
// and the ending.
#include "session/ScanSession.h"

#include "scan/CounterRead.h"
#include "transfer/Inet.h"

#include <QTimer>

namespace {
// A table row as the counter read writes it.
class TableRow : public Scan::CounterRow
{
public:
    using Write = std::function<void(const QString& visits, VisitsMark mark)>;
    TableRow(Write write, std::function<void()> counted)
        : m_write(std::move(write)), m_counted(std::move(counted))
    {
    }

    void notFound() override { m_write(QStringLiteral("N/F"), VisitsMark::NotFound); }
    void found(const QString& value) override
    {
        m_write(value, VisitsMark::Counted);
        m_counted();
    }
    void retrying() override { m_write(QStringLiteral("Retry"), VisitsMark::Retry); }

private:
    Write m_write;
    std::function<void()> m_counted;
};
} // namespace

bool ScanSession::readCounter(int row, MarkerTable table)
{
    m_visitPhase = true;
    // No number, no item page: the site would count a visit to nothing.
    if (m_table.rows[row].auction.trimmed().isEmpty())
        return !m_stopRequested;
    TableRow sink(
        [this, row](const QString& visits, VisitsMark mark) {
            setVisits(row, visits, mark);
            if (mark == VisitsMark::Retry)
                setStatus(QStringLiteral("RETRY"));
        },
        [this, row] {
            setStatus(QStringLiteral("Loading ..."));
            m_table.rows[row].checked = true;
            emit rowChanged(row);
            m_table.figures.countedRows = row + 1;
            emit figuresChanged();
        });
    const auto fetch = [this, row, table]() -> std::optional<QString> {
        setStatus(QStringLiteral("Searching Visits...."));
        setProgressValue(100.0 * (row + 1));
        const QString page = Inet1->OpenURL(markers(table).itemAddress(m_table.rows[row].auction));
        // The site counts a page it sent, and one a Stop cut short had gone out;
        // a fetch that never reached it counts nothing.
        if (!Inet1->lastFetch().failed || m_stopRequested)
            m_fetches[size_t(row)].append(QDateTime::currentDateTimeUtc());
        if (m_stopRequested)
            return std::nullopt;
        m_table.figures.pageLength = page.size();
        emit figuresChanged();
        return page;
    };
    const auto settings = [this, table] { return markers(table).counter(); };
    const Scan::CounterResult result = Scan::readCounter(fetch, settings, sink);
    if (!result.stopped) {
        m_table.figures.counterPosition = result.position;
        emit figuresChanged();
        ++m_finished.counterReads;
        // No value at all counts as a miss too: the counter was never found.
        const QString& shown = m_table.rows[row].visits;
        m_finished.counterMisses += shown.isEmpty() || shown == QLatin1String("N/F");
    }
    return !result.stopped;
}

void ScanSession::finishScan(int firstBlockRow, Ending end)
{
    Inet1->Cancel();
    if (firstBlockRow + AuctionTable::Rows > AuctionTable::Rows) {
        // Rows 21 - 40 are not in the table: end quietly.
        endScanQuietly();
        return;
    }
    m_table.totalVisits();
    emit figuresChanged();
    setBusyPointer(false);
    Timer3->stop();
    setProgressValue(0);
    switch (end) {
    case Ending::UnknownSeller:
        // The site sent us to its bare listing page: the seller does not
        // exist, which must not end on a green "Task Complete".
        setStatus(QStringLiteral("User Search Error"));
        setStatusColor(StatusColor::Red);
        break;
    case Ending::ListingFailed:
        // Nor may a listing page that never arrived whole.
        setStatus(QStringLiteral("Internet Error"));
        setStatusColor(StatusColor::Red);
        break;
    case Ending::SoldPageError:
        setStatus(QStringLiteral("Sold Page Error"));
        setStatusColor(StatusColor::Red);
        break;
    case Ending::Completed:
        setStatus(taskComplete());
        setStatusColor(StatusColor::Green);
        break;
    }
    emit startBecomesDefault();
    endScanQuietly();
    if (m_visitPhase || m_scheduled) {
        m_visitPhase = false;
        ScanEnding how = end == Ending::Completed ? ScanEnding::Completed : ScanEnding::Failed;
        if (m_run == Run::Closing)
            how = ScanEnding::Closed;
        else if (m_stopRequested)
            how = ScanEnding::Stopped;
        ScanRecord record = m_table.scanRecord(m_scanSeller, m_scanSold, m_scanStartedAt,
                                               QDateTime::currentDateTimeUtc(), m_status);
        record.ending = how;
        record.scheduled = m_scheduled;
        for (int i = 0; i < AuctionTable::Rows; ++i)
            record.rows[i].fetches = m_fetches[size_t(i)];
        emit scanEnded({end, record});
    }
}

void ScanSession::endScanQuietly()
{
    setStartEnabled(true);
    setBusyPointer(false);
}
