#pragma once

#include "base/Outcome.h"
#include "session/ScanSession.h"

#include <QObject>
#include <array>
#include <memory>

class HistoryStore;

// Keeps every scan of a session that reached its visit phase in the visit
// history, and works out each listing's change since its last scan. A
// history that cannot be kept never disturbs a scan: the problem is told
// once per run and the scans go on.
class HistoryRecorder : public QObject
{
    Q_OBJECT
public:
    explicit HistoryRecorder(ScanSession* session, QObject* parent = nullptr);
    ~HistoryRecorder() override;

    // The store, opened on first use so that a run without scans never
    // touches the file.
    std::shared_ptr<HistoryStore> store();

signals:
    // Each row's change line for its Visits cell; empty where there is none.
    void changesRecorded(const std::array<QString, AuctionTable::Rows>& lines);
    // Something the user should hear about the history; once per run.
    void problem(const QString& message);

private:
    void record(const ScanSession::Ended& ended);
    void tell(const Outcome& outcome);

    std::shared_ptr<HistoryStore> m_store;
    bool m_told = false;
};
