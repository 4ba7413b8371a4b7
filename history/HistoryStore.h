#pragma once

#include "base/Outcome.h"
#include "history/DailyVisits.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <optional>

// One table row of a finished scan, as the table showed it.
struct ScanRow
{
    QString auction;
    QString title;
    QString visitsText;
    std::optional<qint64> visits; // none for "N/F", "Retry" or an empty cell
    QString timeOrDate;           // Time Left / Sale Date
    QString startOrSalePrice;     // Start Price / Sale Price
    QString bidsOrQty;            // Bids / QTY
    QString price;                // Price (Active only)
    // Every fetch of its item page, oldest first; a count in visits came
    // from the last.
    QList<QDateTime> fetches = {};
};

// How a scan's run ended. Only a completed scan's counts are compared and
// totalled: a stopped or failed one read some of the listings, not all.
enum class ScanEnding
{
    Completed,
    Stopped, // Stop, Clear or a new User ID during the scan
    Closed,  // the window closed during the scan
    Failed,  // the listing page failed, the seller is unknown, no sold items
};

struct ScanRecord
{
    QString seller;
    bool sold = false;
    QDateTime started; // UTC
    QDateTime ended;   // UTC
    QString status;    // the status the scan ended on
    QList<ScanRow> rows;
    ScanEnding ending = ScanEnding::Completed;
    bool scheduled = false; // run by a timer, not by the user
};

// A scheduled scan as the schedule window shows it.
struct ScheduledScan
{
    QDateTime ended; // UTC
    QString ending;  // Completed, Failed, ...
    QString status;
};

// A problem a scheduled scan found, open until a later scan no longer finds it.
struct Notice
{
    QString seller;
    QString problem; // a key: one open notice per seller and problem
    QString text;
    QDateTime raised;  // UTC
    QDateTime cleared; // UTC; null while open
};

struct VisitSample
{
    QDateTime time;
    qint64 visits = 0;
};

// A change in a listing's counter between two readings, and how many of the
// visits it counted were this program's own fetches of the item page.
struct VisitsChange
{
    qint64 counted = 0;
    qint64 own = 0;
    qint64 byOthers() const { return counted - own; }
};

struct ListingSummary
{
    QString auction;
    QString title;
    QDateTime firstSeen;
    QDateTime lastSeen;
    qint64 lastVisits = 0;
    // Over the last 1, 7 and 30 days before the last reading, from the
    // earliest reading in that time; none without two readings in it.
    std::array<std::optional<VisitsChange>, 3> changes;
};

// The visit count a Visits cell shows, if it shows one.
std::optional<qint64> visitsNumber(const QString& text);

// The change line of a Visits cell's tooltip: the visits by others since
// the previous reading, with what the counter counted and how much of it
// was this program's own fetches.
QString visitsChangeLine(std::optional<qint64> now, const std::optional<VisitSample>& previous,
                         qint64 ownFetches);

// Every finished scan, kept in an SQLite file in the user's data folder.
// Nothing here may disturb a scan: a failure is returned to the caller and
// the scan goes on without history.
class HistoryStore
{
public:
    static constexpr int SchemaVersion = 6;

    // The folder: QUILLMERE_DATA_DIR, else the application data location.
    static QString defaultPath();
    explicit HistoryStore(const QString& path = defaultPath());
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    QString path() const { return m_path; }
    // Opens the file on first use and returns how that went, every time: ok;
    // a note when a damaged file was set aside and a new one begun; or why
    // there is no history, in which case every other call does nothing.
    Outcome open();
    bool isOpen();

    // One transaction per scan.
    Outcome record(const ScanRecord& scan);
    // The last visits recorded for a listing before the given time.
    std::optional<VisitSample> previous(const QString& seller, const QString& auction,
                                        const QDateTime& before);
    // This program's fetches of a listing's item page after one time, up to
    // and including another: the visits of its own the counter counted
    // between two readings, as a page's count includes the fetch showing it.
    qint64 ownFetches(const QString& seller, const QString& auction, const QDateTime& after,
                      const QDateTime& upTo);
    // A fetch of an item page outside a scan (Marker Check).
    Outcome recordFetch(const QString& seller, const QString& auction, const QDateTime& time);

    QStringList sellers();
    QList<ListingSummary> listings(const QString& seller);
    QList<VisitSample> listingVisits(const QString& seller, const QString& auction);
    // A listing's completed scans' readings and this program's fetches of
    // its page, oldest first, for visits per day.
    struct Trail
    {
        QList<Reading> readings;
        QList<qint64> ownFetches;
    };
    Trail trail(const QString& seller, const QString& auction);
    QList<VisitSample> sellerTotals(const QString& seller);
    // The rows of the seller's newest scan of that kind that read listings,
    // in table order: the values a marker that stopped fitting last cut.
    QList<ScanRow> lastRows(const QString& seller, bool sold);
    // Every recorded row of a seller, oldest first, as export lines with a header.
    QList<QStringList> sellerRows(const QString& seller);

    std::optional<ScheduledScan> lastScheduledScan(const QString& seller);
    // Whether the seller's last completed Active scan before a time found listings.
    bool hadListings(const QString& seller, const QDateTime& before);
    // Opens a notice for each problem found that has none open, and clears
    // the seller's open notices of problems no longer found. Returns the new
    // ones: what the user has not heard of yet.
    Result<QList<Notice>> updateNotices(const QString& seller, const QList<Notice>& found,
                                        const QDateTime& time);
    // Every notice, newest first; one seller's when seller is not null.
    QList<Notice> notices(const QString& seller = QString());

    // Brings an open database up to the given schema version (tests make old files with it).
    static bool migrate(QSqlDatabase& db, int toVersion, QSqlError* error = nullptr);

private:
    Outcome openFirstTime();
    // A prepared, executed read; an empty result when the file is not open.
    QSqlQuery query(const QString& sql, const QVariantList& values = {});
    static QList<VisitSample> samples(QSqlQuery query);
    // A listing's change from its first reading at or after from, before
    // last, to its reading at last.
    std::optional<VisitsChange> changeSince(const QVariant& listing, qint64 from, qint64 last,
                                            qint64 lastVisits);
    Outcome openFile();
    Outcome failure(const QString& what, const QString& detail) const;

    QString m_path;
    QString m_connection;
    std::optional<Outcome> m_opened;
};
