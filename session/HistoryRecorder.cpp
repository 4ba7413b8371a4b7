#include "session/HistoryRecorder.h"

#include "history/HistoryStore.h"
#include "history/ListingPages.h"

#include <QCoreApplication>

namespace {

// The history's thread's end of the file: made, used and closed there, as
// an SQLite connection must be.
class Writer : public QObject
{
public:
    HistoryStore& history()
    {
        if (!m_store)
            m_store = std::make_unique<HistoryStore>();
        return *m_store;
    }
    void close() { m_store.reset(); }

private:
    std::unique_ptr<HistoryStore> m_store;
};

Writer* writer(QObject* object)
{
    return static_cast<Writer*>(object);
}

} // namespace

HistoryRecorder::HistoryRecorder(ScanSession* session, QObject* parent)
    : QObject(parent), m_writer(new Writer)
{
    m_thread.setObjectName(QStringLiteral("history"));
    m_writer->moveToThread(&m_thread);
    m_thread.start();
    connect(session, &ScanSession::scanEnded, this, &HistoryRecorder::record);
    connect(session, &ScanSession::listingPageWorked, this,
            [this](const QString& seller, MarkerTable table, const QString& page) {
                QMetaObject::invokeMethod(
                    m_writer, [seller, table, page] { ListingPages::keep(seller, table, page); });
            });
}

HistoryRecorder::~HistoryRecorder()
{
    QMetaObject::invokeMethod(
        m_writer, [w = writer(m_writer)] { w->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_writer;
}

void HistoryRecorder::openForReading(QObject* context,
                                     std::function<void(std::shared_ptr<HistoryStore>)> ready)
{
    QMetaObject::invokeMethod(m_writer, [this, w = writer(m_writer), context, ready] {
        const Outcome opened = w->history().open();
        QMetaObject::invokeMethod(context, [this, opened, ready] {
            tell(opened);
            // Upgraded already: this opening only reads the version.
            ready(std::make_shared<HistoryStore>());
        });
    });
}

void HistoryRecorder::flush()
{
    QMetaObject::invokeMethod(
        m_writer, [] {}, Qt::BlockingQueuedConnection);
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void HistoryRecorder::recordFetch(const QString& seller, const QString& auction,
                                  const QDateTime& time)
{
    QMetaObject::invokeMethod(m_writer, [this, w = writer(m_writer), seller, auction, time] {
        const Outcome recorded = w->history().recordFetch(seller, auction, time);
        QMetaObject::invokeMethod(this, [this, recorded] { tell(recorded); });
    });
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
    QMetaObject::invokeMethod(m_writer, [this, w = writer(m_writer), scan = ended.record] {
        HistoryStore& history = w->history();
        const Outcome opened = history.open();
        const Outcome recorded = opened ? history.record(scan) : opened;
        // Against the last reading before this scan began, with every fetch
        // of the page since (this scan's own included).
        VisitsChanges changes;
        for (int i = 0; i < AuctionTable::Rows && i < scan.rows.size() && recorded; ++i) {
            const ScanRow& row = scan.rows[i];
            changes.auctions[i] = row.auction;
            if (row.auction.trimmed().isEmpty() || !row.visits)
                continue;
            const std::optional<VisitSample> previous =
                history.previous(scan.seller, row.auction, scan.started);
            changes.lines[i] = visitsChangeLine(
                row.visits, previous,
                previous ? history.ownFetches(scan.seller, row.auction, previous->time, scan.ended)
                         : 0);
        }
        // The destructor waits for this thread, so the recorder is still there.
        QMetaObject::invokeMethod(this, [this, opened, recorded, changes] {
            tell(opened);
            if (!recorded)
                tell(recorded); // without a history the change lines would mislead
            else
                emit changesRecorded(changes);
        });
    });
}
