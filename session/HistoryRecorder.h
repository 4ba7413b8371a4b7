#pragma once

#include "base/Outcome.h"
#include "session/ScanSession.h"

#include <QObject>
#include <QThread>
#include <array>
#include <functional>
#include <memory>

class HistoryStore;

// Each row's change line for its Visits cell, with the listing it is for:
// a line that arrives after the table changed is shown only where the row
// still holds that listing.
struct VisitsChanges
{
    std::array<QString, AuctionTable::Rows> auctions;
    std::array<QString, AuctionTable::Rows> lines; // empty where there is none
};

// Keeps every scan of a session that reached its visit phase in the visit
// history, and works out each listing's change since its last scan. The file
// is opened, upgraded and written on a thread of its own, so a big upgrade
// or a file another copy holds locked never stalls a scan or a repaint. A
// history that cannot be kept never disturbs a scan: the problem is told
// once per run and the scans go on.
class HistoryRecorder : public QObject
{
    Q_OBJECT
public:
    explicit HistoryRecorder(ScanSession* session, QObject* parent = nullptr);
    // Waits until the scans handed over are written.
    ~HistoryRecorder() override;

    // Opens the file on the history's thread (on first use, so that a run
    // without scans never touches it), then calls ready on this thread, in
    // context, with a store for reading here.
    void openForReading(QObject* context, std::function<void(std::shared_ptr<HistoryStore>)> ready);
    // Keeps a fetch of an item page outside a scan (Marker Check's), so that
    // the next change leaves its visit out.
    void recordFetch(const QString& seller, const QString& auction, const QDateTime& time);
    // Waits until the scans handed over are written, then delivers what came
    // of them (the change lines, a problem) before returning.
    void flush();

signals:
    void changesRecorded(const VisitsChanges& changes);
    // Something the user should hear about the history; once per run.
    void problem(const QString& message);

private:
    void record(const ScanSession::Ended& ended);
    void tell(const Outcome& outcome);

    QThread m_thread;
    QObject* m_writer = nullptr; // lives on m_thread
    bool m_told = false;
};
