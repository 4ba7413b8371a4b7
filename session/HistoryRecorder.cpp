#include "session/HistoryRecorder.h"

#include "history/HistoryStore.h"

HistoryRecorder::HistoryRecorder(ScanSession* session, QObject* parent) : QObject(parent)
{
    connect(session, &ScanSession::scanEnded, this, &HistoryRecorder::record);
}

HistoryRecorder::~HistoryRecorder() = default;

std::shared_ptr<HistoryStore> HistoryRecorder::store()
{
    if (!m_store)
        m_store = std::make_shared<HistoryStore>();
    tell(m_store->open());
    return m_store;
}

void HistoryRecorder::tell(const Outcome& outcome)
{
    if (m_told || outcome.message().isEmpty())
        return;
    m_told = true;
    emit problem(outcome.message());
}

void HistoryRecorder::record(const ScanSession::Ended& ended)
{
    const ScanRecord& scan = ended.record;
    const std::shared_ptr<HistoryStore> history = store();
    // The previous counts are read before this scan is written, so a change
    // never compares a scan with itself.
    std::array<QString, AuctionTable::Rows> changes;
    for (int i = 0; i < AuctionTable::Rows; ++i) {
        const ScanRow& row = scan.rows[i];
        if (!row.auction.trimmed().isEmpty() && row.visits)
            changes[i] = visitsChangeLine(
                row.visits, history->previous(scan.seller, row.auction, scan.started));
    }
    const Outcome recorded = history->record(scan);
    if (!recorded) {
        tell(recorded);
        return; // without a history the change lines would mislead
    }
    emit changesRecorded(changes);
}
