#include "history/HistoryStore.h"

#include "base/ProgramFolder.h"
#include "options/NumberText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QtNumeric>
#include <atomic>

namespace {
const QString FileName = QStringLiteral("history.sqlite");
constexpr qint64 Day = 24 * 60 * 60 * 1000;

// SQLite's result codes for a file that is not (or no longer) a database.
bool isCorrupt(const QSqlError& error)
{
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("11") || code == QLatin1String("26");
}

qint64 ms(const QDateTime& time)
{
    return time.toMSecsSinceEpoch();
}
// A null QString binds as SQL NULL; an empty cell is still a text.
QString endingName(ScanEnding ending)
{
    switch (ending) {
    case ScanEnding::Stopped:
        return QStringLiteral("Stopped");
    case ScanEnding::Closed:
        return QStringLiteral("Closed");
    case ScanEnding::Failed:
        return QStringLiteral("Failed");
    case ScanEnding::Completed:
        break;
    }
    return QStringLiteral("Completed");
}

QString text(const QString& value)
{
    return value.isNull() ? QStringLiteral("") : value;
}
QDateTime utc(const QVariant& value)
{
    return QDateTime::fromMSecsSinceEpoch(value.toLongLong(), Qt::UTC);
}

// Each step brings the schema from version N-1 to N; a new file runs them all,
// so the upgrade path is the one every installation takes.
const char* const Migrations[] = {
    // 1: scans and their rows.
    "CREATE TABLE scan(id INTEGER PRIMARY KEY, seller TEXT NOT NULL, mode TEXT NOT NULL,"
    " started INTEGER NOT NULL, ended INTEGER NOT NULL, status TEXT NOT NULL);"
    "CREATE TABLE listing_row(scan INTEGER NOT NULL REFERENCES scan(id), seller TEXT NOT NULL,"
    " time INTEGER NOT NULL, row_index INTEGER NOT NULL, auction TEXT NOT NULL, title TEXT,"
    " visits_text TEXT, time_or_date TEXT, start_or_sale_price TEXT, bids_or_qty TEXT, price TEXT)",
    // 2: the visit number beside its text, and the indexes the History window reads by.
    "ALTER TABLE listing_row ADD COLUMN visits INTEGER;"
    "UPDATE listing_row SET visits = CAST(visits_text AS INTEGER)"
    " WHERE trim(visits_text) GLOB '[0-9]*';"
    "CREATE INDEX listing_row_seller_time ON listing_row(seller, time);"
    "CREATE INDEX listing_row_auction_time ON listing_row(auction, time)",
    // 3: years of twice-daily scans stay small and quick to chart: each listing
    // and title is stored once, a listing's samples lie together in time order,
    // and each scan keeps its visit total.
    "CREATE TABLE listing(id INTEGER PRIMARY KEY, seller TEXT NOT NULL, auction TEXT NOT NULL,"
    " UNIQUE(seller, auction));"
    "CREATE TABLE title(id INTEGER PRIMARY KEY, text TEXT NOT NULL UNIQUE);"
    "CREATE TABLE sample(listing INTEGER NOT NULL, time INTEGER NOT NULL, scan INTEGER NOT NULL,"
    " row_index INTEGER NOT NULL, visits INTEGER, visits_text TEXT, title INTEGER,"
    " time_or_date TEXT, start_or_sale_price TEXT, bids_or_qty TEXT, price TEXT,"
    " PRIMARY KEY(listing, time, scan, row_index)) WITHOUT ROWID;"
    "ALTER TABLE scan ADD COLUMN total_visits INTEGER;"
    "INSERT OR IGNORE INTO listing(seller, auction) SELECT seller, auction FROM listing_row;"
    "INSERT OR IGNORE INTO title(text) SELECT title FROM listing_row WHERE title IS NOT NULL;"
    "INSERT OR IGNORE INTO sample SELECT l.id, r.time, r.scan, r.row_index, r.visits,"
    " r.visits_text, t.id, r.time_or_date, r.start_or_sale_price, r.bids_or_qty, r.price"
    " FROM listing_row r JOIN listing l ON l.seller = r.seller AND l.auction = r.auction"
    " LEFT JOIN title t ON t.text = r.title;"
    // Without this index each scan's total read every row: minutes on a big file.
    "CREATE INDEX listing_row_scan ON listing_row(scan);"
    "UPDATE scan SET total_visits = (SELECT CAST(min(total(visits), 9.2e18) AS INTEGER)"
    " FROM listing_row WHERE listing_row.scan = scan.id);"
    "DROP TABLE listing_row;"
    "CREATE INDEX scan_seller ON scan(seller, mode, ended)",
    // 4: how each scan ended; a sample counts (in change lines and totals)
    // only when its scan completed. Scans before this were taken as completed.
    "ALTER TABLE scan ADD COLUMN ending TEXT NOT NULL DEFAULT 'Completed';"
    "ALTER TABLE sample ADD COLUMN counted INTEGER;"
    "UPDATE sample SET counted = visits",
    // 5: every fetch of an item page this program made, so a change can leave
    // out the visits the counter counted for them. Older scans have none.
    // Kept together by listing and time, like the samples; try tells fetches
    // of one row apart (Marker Check's is -1).
    "CREATE TABLE own_fetch(listing INTEGER NOT NULL, time INTEGER NOT NULL,"
    " try INTEGER NOT NULL, reading INTEGER NOT NULL,"
    " PRIMARY KEY(listing, time, try)) WITHOUT ROWID",
    // 6: scans a timer ran, and what they found that the seller should hear
    // of, kept so that a problem is told once, not at every run.
    "ALTER TABLE scan ADD COLUMN scheduled INTEGER NOT NULL DEFAULT 0;"
    "CREATE TABLE notice(id INTEGER PRIMARY KEY, seller TEXT NOT NULL, problem TEXT NOT NULL,"
    " text TEXT NOT NULL, raised INTEGER NOT NULL, cleared INTEGER);"
    "CREATE INDEX notice_open ON notice(seller, problem, cleared)",
};
static_assert(sizeof(Migrations) / sizeof(*Migrations) == HistoryStore::SchemaVersion);

// One statement with its values, on a query kept for its error text.
bool runPrepared(QSqlQuery& query, const QString& sql, const QVariantList& values)
{
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    return query.exec();
}

bool exec(QSqlDatabase& db, const QString& statements, QSqlError* error = nullptr)
{
    for (const QString& sql : statements.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QSqlQuery query(db);
        if (!query.exec(sql)) {
            if (error)
                *error = query.lastError();
            return false;
        }
    }
    return true;
}

int userVersion(QSqlDatabase& db, QSqlError* error)
{
    QSqlQuery query(db);
    // Reading the schema finds a file that is not a database at all.
    if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) ||
        !query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        *error = query.lastError();
        return -1;
    }
    return query.value(0).toInt();
}
} // namespace

std::optional<qint64> visitsNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || !trimmed.front().isDigit())
        return std::nullopt;
    return roundHalfEven(leadingNumberValue(trimmed));
}

QString visitsChangeLine(std::optional<qint64> now, const std::optional<VisitSample>& previous,
                         qint64 ownFetches)
{
    if (!previous)
        return QStringLiteral("first scan of this listing");
    if (!now)
        return QString();
    const VisitsChange change{*now - previous->visits, ownFetches};
    const qint64 others = change.byOthers();
    return QStringLiteral("%1%2 by others since %3 (%4 counted, %5 %6 this program's)")
        .arg(others >= 0 ? QStringLiteral("+") : QString())
        .arg(others)
        .arg(previous->time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")))
        .arg(change.counted)
        .arg(ownFetches)
        .arg(ownFetches == 1 ? QStringLiteral("was") : QStringLiteral("were"));
}

QString HistoryStore::defaultPath()
{
    return QDir(userDataFolder()).filePath(FileName);
}

HistoryStore::HistoryStore(const QString& path) : m_path(path)
{
    static std::atomic<int> serial{0};
    m_connection = QStringLiteral("history-") + QString::number(++serial);
}

HistoryStore::~HistoryStore()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

Outcome HistoryStore::open()
{
    if (!m_opened)
        m_opened = openFirstTime();
    return *m_opened;
}

bool HistoryStore::isOpen()
{
    return open().isOk();
}

Outcome HistoryStore::failure(const QString& what, const QString& detail) const
{
    return Outcome::failure(QStringLiteral("The visit history could not be kept: ") + what +
                            QStringLiteral(" (") + detail +
                            QStringLiteral(").\r\n\r\nScans go on without it. History file: ") +
                            QDir::toNativeSeparators(m_path));
}

Outcome HistoryStore::openFile()
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    // Another copy of the program may be writing its scan: wait for it.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    if (!db.open())
        return failure(QStringLiteral("the file cannot be opened"), db.lastError().text());
    return Outcome::ok();
}

Outcome HistoryStore::openFirstTime()
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return failure(QStringLiteral("its folder cannot be made"),
                       QFileInfo(m_path).absolutePath());
    if (const Outcome opened = openFile(); !opened)
        return opened;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    Outcome outcome = Outcome::ok();
    QSqlError error;
    if (userVersion(db, &error) < 0) {
        if (!isCorrupt(error))
            return failure(QStringLiteral("the file cannot be read"), error.text());
        // A damaged file may still hold years of counts: keep it aside, never delete it.
        db.close();
        const QString aside =
            m_path + QStringLiteral(".damaged-") +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            if (QFile::exists(m_path + suffix) && !QFile::rename(m_path + suffix, aside + suffix))
                return failure(QStringLiteral("the file is damaged and cannot be moved aside"),
                               m_path);
        }
        outcome = Outcome::note(
            QStringLiteral("The visit history file was damaged. It was kept as ") +
            QDir::toNativeSeparators(aside) + QStringLiteral(" and a new history was started."));
        if (const Outcome opened = openFile(); !opened)
            return opened;
        db = QSqlDatabase::database(m_connection, false);
    }
    QSqlQuery wal(db);
    wal.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    // With WAL this cannot damage the file; at worst a power cut loses the last scan.
    wal.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    if (!migrate(db, SchemaVersion, &error))
        return failure(QStringLiteral("the file cannot be prepared"), error.text());
    return outcome;
}

bool HistoryStore::migrate(QSqlDatabase& db, int toVersion, QSqlError* error)
{
    QSqlError ignored;
    if (!error)
        error = &ignored;
    int version = userVersion(db, error);
    if (version < 0)
        return false;
    // A newer program's file keeps its version; the columns read here stay.
    for (; version < toVersion; ++version) {
        // BEGIN IMMEDIATE: two copies starting at once must not both migrate.
        if (!exec(db, QStringLiteral("BEGIN IMMEDIATE"), error))
            return false;
        if (userVersion(db, error) != version) {
            exec(db, QStringLiteral("ROLLBACK"));
            return migrate(db, toVersion, error);
        }
        if (!exec(db,
                  QString::fromLatin1(Migrations[version]) +
                      QStringLiteral(";PRAGMA user_version=") + QString::number(version + 1),
                  error) ||
            !exec(db, QStringLiteral("COMMIT"), error)) {
            exec(db, QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    return true;
}

Outcome HistoryStore::record(const ScanRecord& scan)
{
    if (const Outcome opened = open(); !opened)
        return opened;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    const auto run = [&query](const QVariantList& values) {
        for (const QVariant& value : values)
            query.addBindValue(value);
        return query.exec();
    };
    const auto failed = [&] {
        const QSqlError error = query.lastError().isValid() ? query.lastError() : db.lastError();
        db.rollback();
        return failure(QStringLiteral("a scan could not be written"), error.text());
    };
    if (!db.transaction())
        return failed();
    qint64 total = 0;
    for (const ScanRow& row : scan.rows) {
        if (row.visits && qAddOverflow(total, *row.visits, &total))
            total = std::numeric_limits<qint64>::max();
    }
    query.prepare(QStringLiteral(
        "INSERT INTO scan(seller, mode, started, ended, status, total_visits, ending, scheduled)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    const bool completed = scan.ending == ScanEnding::Completed;
    if (!run({text(scan.seller), scan.sold ? QStringLiteral("Sold") : QStringLiteral("Active"),
              ms(scan.started), ms(scan.ended), text(scan.status), total, endingName(scan.ending),
              int(scan.scheduled)}))
        return failed();
    const QVariant scanId = query.lastInsertId();
    // Looks a text up in a table of unique texts, adding it when new.
    const auto idOf = [&](const QString& insert, const QString& select, const QVariantList& key) {
        query.prepare(insert);
        if (!run(key))
            return QVariant();
        query.prepare(select);
        return run(key) && query.next() ? query.value(0) : QVariant();
    };
    for (int i = 0; i < scan.rows.size(); ++i) {
        const ScanRow& row = scan.rows[i];
        const QString auction = row.auction.trimmed();
        if (auction.isEmpty())
            continue; // an empty table row is no listing
        const QVariant listing =
            idOf(QStringLiteral("INSERT OR IGNORE INTO listing(seller, auction) VALUES (?, ?)"),
                 QStringLiteral("SELECT id FROM listing WHERE seller = ? AND auction = ?"),
                 {text(scan.seller), auction});
        const QVariant title =
            idOf(QStringLiteral("INSERT OR IGNORE INTO title(text) VALUES (?)"),
                 QStringLiteral("SELECT id FROM title WHERE text = ?"), {text(row.title)});
        if (listing.isNull() || title.isNull())
            return failed();
        query.prepare(QStringLiteral(
            "INSERT INTO sample(listing, time, scan, row_index, visits, visits_text, title,"
            " time_or_date, start_or_sale_price, bids_or_qty, price, counted)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        const QVariant visits = row.visits ? QVariant(*row.visits) : QVariant();
        if (!run({listing, ms(scan.ended), scanId, i, visits, text(row.visitsText), title,
                  text(row.timeOrDate), text(row.startOrSalePrice), text(row.bidsOrQty),
                  text(row.price), completed ? visits : QVariant()}))
            return failed();
        // Also a stopped scan's: the site counted them all the same.
        query.prepare(QStringLiteral(
            "INSERT OR IGNORE INTO own_fetch(listing, time, try, reading) VALUES (?, ?, ?, ?)"));
        for (int f = 0; f < row.fetches.size(); ++f) {
            const bool reading = f == row.fetches.size() - 1 && row.visits.has_value();
            if (!run({listing, ms(row.fetches[f]), f, int(reading)}))
                return failed();
        }
    }
    if (!db.commit())
        return failed();
    return Outcome::ok();
}

QSqlQuery HistoryStore::query(const QString& sql, const QVariantList& values)
{
    if (!isOpen())
        return QSqlQuery();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    runPrepared(query, sql, values);
    return query;
}

std::optional<VisitSample> HistoryStore::previous(const QString& seller, const QString& auction,
                                                  const QDateTime& before)
{
    QSqlQuery q =
        query(QStringLiteral(
                  "SELECT s.time, s.counted FROM sample s JOIN listing l ON l.id = s.listing"
                  " WHERE l.seller = ? AND l.auction = ? AND s.time < ? AND s.counted IS NOT NULL"
                  " ORDER BY s.time DESC LIMIT 1"),
              {seller, auction.trimmed(), ms(before)});
    if (!q.next())
        return std::nullopt;
    return VisitSample{utc(q.value(0)), q.value(1).toLongLong()};
}

qint64 HistoryStore::ownFetches(const QString& seller, const QString& auction,
                                const QDateTime& after, const QDateTime& upTo)
{
    QSqlQuery q = query(
        QStringLiteral("SELECT count(*) FROM own_fetch f JOIN listing l ON l.id = f.listing"
                       " WHERE l.seller = ? AND l.auction = ? AND f.time > ? AND f.time <= ?"),
        {seller, auction.trimmed(), ms(after), ms(upTo)});
    return q.next() ? q.value(0).toLongLong() : 0;
}

Outcome HistoryStore::recordFetch(const QString& seller, const QString& auction,
                                  const QDateTime& time)
{
    if (const Outcome opened = open(); !opened)
        return opened;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    const auto run = [&query](const QString& sql, const QVariantList& values) {
        return runPrepared(query, sql, values);
    };
    const QVariantList listing{text(seller), auction.trimmed()};
    if (db.transaction() &&
        run(QStringLiteral("INSERT OR IGNORE INTO listing(seller, auction) VALUES (?, ?)"),
            listing) &&
        run(QStringLiteral("INSERT OR IGNORE INTO own_fetch(listing, time, try, reading)"
                           " SELECT id, ?, -1, 0 FROM listing WHERE seller = ? AND auction = ?"),
            QVariantList{ms(time)} + listing) &&
        db.commit())
        return Outcome::ok();
    const QSqlError error = query.lastError().isValid() ? query.lastError() : db.lastError();
    db.rollback();
    return failure(QStringLiteral("a page fetch could not be written"), error.text());
}

QStringList HistoryStore::sellers()
{
    QStringList result;
    QSqlQuery q =
        query(QStringLiteral("SELECT DISTINCT seller FROM scan ORDER BY seller COLLATE NOCASE"));
    while (q.next())
        result << q.value(0).toString();
    return result;
}

QList<ListingSummary> HistoryStore::listings(const QString& seller)
{
    // Every figure is an index seek into one listing's samples, so the cost
    // grows with the seller's listings, not with the years recorded.
    QSqlQuery q = query(
        QStringLiteral(
            "WITH l AS (SELECT id, auction, (SELECT time FROM sample WHERE listing = listing.id"
            "   AND counted IS NOT NULL ORDER BY time DESC LIMIT 1) AS vt FROM listing"
            "   WHERE seller = ?),"
            " v AS (SELECT l.*, (SELECT counted FROM sample WHERE listing = l.id AND time = l.vt"
            "   AND counted IS NOT NULL) AS vlast FROM l)"
            " SELECT auction,"
            " (SELECT t.text FROM sample s JOIN title t ON t.id = s.title WHERE s.listing = v.id"
            "   ORDER BY s.time DESC LIMIT 1),"
            " (SELECT min(time) FROM sample WHERE listing = v.id),"
            " (SELECT max(time) FROM sample WHERE listing = v.id), vlast, vt, id"
            " FROM v WHERE EXISTS (SELECT 1 FROM sample WHERE listing = v.id)"
            " ORDER BY 4 DESC, auction"),
        {seller});
    QList<ListingSummary> result;
    while (q.next()) {
        ListingSummary listing{q.value(0).toString(), q.value(1).toString(),   utc(q.value(2)),
                               utc(q.value(3)),       q.value(4).toLongLong(), {}};
        if (!q.value(5).isNull()) {
            const qint64 last = q.value(5).toLongLong();
            const qint64 days[] = {1, 7, 30};
            for (std::size_t w = 0; w < listing.changes.size(); ++w)
                listing.changes[w] =
                    changeSince(q.value(6), last - days[w] * Day, last, listing.lastVisits);
        }
        result.append(listing);
    }
    return result;
}

std::optional<VisitsChange> HistoryStore::changeSince(const QVariant& listing, qint64 from,
                                                      qint64 last, qint64 lastVisits)
{
    QSqlQuery first = query(QStringLiteral("SELECT time, counted FROM sample WHERE listing = ?"
                                           " AND counted IS NOT NULL AND time >= ? AND time < ?"
                                           " ORDER BY time LIMIT 1"),
                            {listing, from, last});
    if (!first.next())
        return std::nullopt;
    QSqlQuery own = query(QStringLiteral("SELECT count(*) FROM own_fetch WHERE listing = ?"
                                         " AND time > ? AND time <= ?"),
                          {listing, first.value(0), last});
    return VisitsChange{lastVisits - first.value(1).toLongLong(),
                        own.next() ? own.value(0).toLongLong() : 0};
}

QList<VisitSample> HistoryStore::samples(QSqlQuery q)
{
    QList<VisitSample> result;
    while (q.next())
        result.append({utc(q.value(0)), q.value(1).toLongLong()});
    return result;
}

QList<VisitSample> HistoryStore::listingVisits(const QString& seller, const QString& auction)
{
    return samples(
        query(QStringLiteral(
                  "SELECT s.time, s.visits FROM sample s JOIN listing l ON l.id = s.listing"
                  " WHERE l.seller = ? AND l.auction = ? AND s.visits IS NOT NULL ORDER BY s.time"),
              {seller, auction}));
}

HistoryStore::Trail HistoryStore::trail(const QString& seller, const QString& auction)
{
    Trail trail;
    QSqlQuery readings = query(
        QStringLiteral("SELECT s.time, s.counted FROM sample s JOIN listing l ON l.id = s.listing"
                       " WHERE l.seller = ? AND l.auction = ? AND s.counted IS NOT NULL"
                       " ORDER BY s.time"),
        {seller, auction});
    while (readings.next())
        trail.readings.append({readings.value(0).toLongLong(), readings.value(1).toLongLong()});
    QSqlQuery own =
        query(QStringLiteral("SELECT f.time FROM own_fetch f JOIN listing l ON l.id = f.listing"
                             " WHERE l.seller = ? AND l.auction = ? ORDER BY f.time"),
              {seller, auction});
    while (own.next())
        trail.ownFetches.append(own.value(0).toLongLong());
    return trail;
}

QList<ScanRow> HistoryStore::lastRows(const QString& seller, bool sold)
{
    const QString mode = sold ? QStringLiteral("Sold") : QStringLiteral("Active");
    QSqlQuery scan = query(QStringLiteral("SELECT s.scan FROM sample s JOIN listing l ON l.id ="
                                          " s.listing JOIN scan c ON c.id = s.scan"
                                          " WHERE l.seller = ? AND c.mode = ?"
                                          " ORDER BY s.time DESC LIMIT 1"),
                           {seller, mode});
    QList<ScanRow> rows;
    if (!scan.next())
        return rows;
    QSqlQuery q = query(
        QStringLiteral("SELECT l.auction, t.text, s.visits_text, s.time_or_date,"
                       " s.start_or_sale_price, s.bids_or_qty, s.price FROM sample s"
                       " JOIN listing l ON l.id = s.listing LEFT JOIN title t ON t.id = s.title"
                       " WHERE l.seller = ? AND s.scan = ? ORDER BY s.row_index"),
        {seller, scan.value(0)});
    while (q.next()) {
        ScanRow row;
        row.auction = q.value(0).toString();
        row.title = q.value(1).toString();
        row.visitsText = q.value(2).toString();
        row.timeOrDate = q.value(3).toString();
        row.startOrSalePrice = q.value(4).toString();
        row.bidsOrQty = q.value(5).toString();
        row.price = q.value(6).toString();
        rows << row;
    }
    return rows;
}

QList<VisitSample> HistoryStore::sellerTotals(const QString& seller)
{
    // Active scans only: a Sold scan's rows are other listings at other times.
    return samples(query(QStringLiteral("SELECT ended, total_visits FROM scan WHERE seller = ?"
                                        " AND mode = 'Active' AND ending = 'Completed'"
                                        " ORDER BY ended"),
                         {seller}));
}

QList<QStringList> HistoryStore::sellerRows(const QString& seller)
{
    QList<QStringList> result{
        {QStringLiteral("Scan Started (UTC)"), QStringLiteral("Mode"), QStringLiteral("Auction"),
         QStringLiteral("Title"), QStringLiteral("Visits"), QStringLiteral("Time Left / Sale Date"),
         QStringLiteral("Start Price / Sale Price"), QStringLiteral("Bids / QTY"),
         QStringLiteral("Price"), QStringLiteral("Status"), QStringLiteral("Ended"),
         QStringLiteral("By Others Since Last Reading")}};
    // The visits by others since the listing's last counted reading before.
    QSqlQuery q = query(
        QStringLiteral(
            "SELECT c.started, c.mode, l.auction, t.text, s.visits_text, s.time_or_date,"
            " s.start_or_sale_price, s.bids_or_qty, s.price, c.status, c.ending,"
            " (SELECT s.counted - p.counted - (SELECT count(*) FROM own_fetch f"
            "   WHERE f.listing = s.listing AND f.time > p.time AND f.time <= s.time)"
            "  FROM sample p WHERE p.listing = s.listing AND p.counted IS NOT NULL"
            "  AND p.time < s.time ORDER BY p.time DESC LIMIT 1)"
            " FROM sample s JOIN listing l ON l.id = s.listing JOIN scan c ON c.id = s.scan"
            " LEFT JOIN title t ON t.id = s.title WHERE l.seller = ? ORDER BY s.time, s.row_index"),
        {seller});
    while (q.next()) {
        QStringList line{utc(q.value(0)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
        for (int c = 1; c < 12; ++c)
            line << q.value(c).toString();
        result.append(line);
    }
    return result;
}

std::optional<ScheduledScan> HistoryStore::lastScheduledScan(const QString& seller)
{
    QSqlQuery q = query(QStringLiteral("SELECT ended, ending, status FROM scan WHERE seller = ?"
                                       " AND scheduled = 1 ORDER BY ended DESC LIMIT 1"),
                        {seller});
    if (!q.next())
        return std::nullopt;
    return ScheduledScan{utc(q.value(0)), q.value(1).toString(), q.value(2).toString()};
}

bool HistoryStore::hadListings(const QString& seller, const QDateTime& before)
{
    QSqlQuery q =
        query(QStringLiteral("SELECT EXISTS (SELECT 1 FROM sample WHERE scan = c.id) FROM scan c"
                             " WHERE seller = ? AND mode = 'Active' AND ending = 'Completed'"
                             " AND started < ? ORDER BY started DESC LIMIT 1"),
              {seller, ms(before)});
    return q.next() && q.value(0).toBool();
}

Result<QList<Notice>> HistoryStore::updateNotices(const QString& seller, const QList<Notice>& found,
                                                  const QDateTime& time)
{
    if (const Outcome opened = open(); !opened)
        return opened;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    const auto run = [&query](const QString& sql, const QVariantList& values) {
        return runPrepared(query, sql, values);
    };
    QList<Notice> raised;
    QStringList problems;
    bool ok = db.transaction();
    for (const Notice& notice : found) {
        problems << notice.problem;
        ok = ok && run(QStringLiteral("SELECT 1 FROM notice WHERE seller = ? AND problem = ?"
                                      " AND cleared IS NULL"),
                       {seller, notice.problem});
        if (!ok || query.next())
            continue;
        ok = run(
            QStringLiteral("INSERT INTO notice(seller, problem, text, raised) VALUES (?, ?, ?, ?)"),
            {seller, notice.problem, text(notice.text), ms(time)});
        raised << Notice{seller, notice.problem, notice.text, time, {}};
    }
    ok = ok && run(QStringLiteral("SELECT id, problem FROM notice WHERE seller = ?"
                                  " AND cleared IS NULL"),
                   {seller});
    QVariantList gone;
    while (ok && query.next()) {
        if (!problems.contains(query.value(1).toString()))
            gone << query.value(0);
    }
    for (const QVariant& id : gone)
        ok =
            ok && run(QStringLiteral("UPDATE notice SET cleared = ? WHERE id = ?"), {ms(time), id});
    if (ok && db.commit())
        return raised;
    const QSqlError error = query.lastError().isValid() ? query.lastError() : db.lastError();
    db.rollback();
    return failure(QStringLiteral("a notice could not be written"), error.text());
}

QList<Notice> HistoryStore::notices(const QString& seller)
{
    QSqlQuery q =
        query(QStringLiteral("SELECT seller, problem, text, raised, cleared FROM notice"
                             " WHERE ? IS NULL OR seller = ? ORDER BY raised DESC, id DESC"),
              {seller.isNull() ? QVariant() : QVariant(seller), seller});
    QList<Notice> result;
    while (q.next())
        result.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                       utc(q.value(3)), q.value(4).isNull() ? QDateTime() : utc(q.value(4))});
    return result;
}
