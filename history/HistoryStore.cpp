#include "history/HistoryStore.h"

#include "base/Messages.h"
#include "options/NumberText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
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

qint64 ms(const QDateTime& time) { return time.toMSecsSinceEpoch(); }
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
};
static_assert(sizeof(Migrations) / sizeof(*Migrations) == HistoryStore::SchemaVersion);

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

QString visitsChangeLine(std::optional<qint64> now, const std::optional<VisitSample>& previous)
{
    if (!previous)
        return QStringLiteral("first scan of this listing");
    if (!now)
        return QString();
    const qint64 change = *now - previous->visits;
    return (change >= 0 ? QStringLiteral("+") : QString()) + QString::number(change) +
           QStringLiteral(" since ") +
           previous->time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) +
           QStringLiteral(" (") + QString::number(previous->visits) + QStringLiteral(" then)");
}

QString HistoryStore::defaultPath()
{
    QString folder = qEnvironmentVariable("QUILLMERE_DATA_DIR");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).filePath(FileName);
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

bool HistoryStore::isOpen()
{
    if (!m_tried) {
        m_tried = true;
        m_open = open();
    }
    return m_open;
}

void HistoryStore::fail(const QString& what, const QString& detail)
{
    if (m_reported)
        return;
    m_reported = true;
    Messages::show(nullptr, QStringLiteral("The visit history could not be kept: ") + what +
                                QStringLiteral(" (") + detail +
                                QStringLiteral(").\r\n\r\nScans go on without it. History file: ") +
                                QDir::toNativeSeparators(m_path));
}

bool HistoryStore::openFile()
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    // Another copy of the program may be writing its scan: wait for it.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    if (!db.open()) {
        fail(QStringLiteral("the file cannot be opened"), db.lastError().text());
        return false;
    }
    return true;
}

bool HistoryStore::open()
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        fail(QStringLiteral("its folder cannot be made"), QFileInfo(m_path).absolutePath());
        return false;
    }
    if (!openFile())
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlError error;
    if (userVersion(db, &error) < 0) {
        if (!isCorrupt(error)) {
            fail(QStringLiteral("the file cannot be read"), error.text());
            return false;
        }
        // A damaged file may still hold years of counts: keep it aside, never delete it.
        db.close();
        const QString aside = m_path + QStringLiteral(".damaged-") +
                              QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            if (QFile::exists(m_path + suffix) && !QFile::rename(m_path + suffix, aside + suffix)) {
                fail(QStringLiteral("the file is damaged and cannot be moved aside"), m_path);
                return false;
            }
        }
        m_reported = true;
        Messages::show(nullptr, QStringLiteral("The visit history file was damaged. It was kept as ") +
                                    QDir::toNativeSeparators(aside) +
                                    QStringLiteral(" and a new history was started."));
        if (!openFile())
            return false;
        db = QSqlDatabase::database(m_connection, false);
    }
    QSqlQuery wal(db);
    wal.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    // With WAL this cannot damage the file; at worst a power cut loses the last scan.
    wal.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    if (!migrate(db, SchemaVersion)) {
        fail(QStringLiteral("the file cannot be prepared"), db.lastError().text());
        return false;
    }
    return true;
}

bool HistoryStore::migrate(QSqlDatabase& db, int toVersion)
{
    QSqlError error;
    int version = userVersion(db, &error);
    if (version < 0)
        return false;
    // A newer program's file keeps its version; the columns read here stay.
    for (; version < toVersion; ++version) {
        // BEGIN IMMEDIATE: two copies starting at once must not both migrate.
        if (!exec(db, QStringLiteral("BEGIN IMMEDIATE")))
            return false;
        if (userVersion(db, &error) != version) {
            exec(db, QStringLiteral("ROLLBACK"));
            return migrate(db, toVersion);
        }
        if (!exec(db, QString::fromLatin1(Migrations[version]) +
                          QStringLiteral(";PRAGMA user_version=") + QString::number(version + 1)) ||
            !exec(db, QStringLiteral("COMMIT"))) {
            exec(db, QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    return true;
}

bool HistoryStore::record(const ScanRecord& scan)
{
    if (!isOpen())
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const auto failed = [&](const QSqlError& error) {
        db.rollback();
        fail(QStringLiteral("a scan could not be written"), error.text());
        return false;
    };
    if (!db.transaction())
        return failed(db.lastError());
    QSqlQuery insertScan(db);
    insertScan.prepare(QStringLiteral(
        "INSERT INTO scan(seller, mode, started, ended, status) VALUES (?, ?, ?, ?, ?)"));
    insertScan.addBindValue(scan.seller);
    insertScan.addBindValue(scan.sold ? QStringLiteral("Sold") : QStringLiteral("Active"));
    insertScan.addBindValue(ms(scan.started));
    insertScan.addBindValue(ms(scan.ended));
    insertScan.addBindValue(scan.status);
    if (!insertScan.exec())
        return failed(insertScan.lastError());
    const QVariant scanId = insertScan.lastInsertId();
    QSqlQuery insertRow(db);
    insertRow.prepare(QStringLiteral(
        "INSERT INTO listing_row(scan, seller, time, row_index, auction, title, visits_text, visits,"
        " time_or_date, start_or_sale_price, bids_or_qty, price) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (int i = 0; i < scan.rows.size(); ++i) {
        const ScanRow& row = scan.rows[i];
        if (row.auction.trimmed().isEmpty())
            continue; // an empty table row is no listing
        for (const QVariant& value :
             {scanId, QVariant(scan.seller), QVariant(ms(scan.ended)), QVariant(i),
              QVariant(row.auction.trimmed()), QVariant(row.title), QVariant(row.visitsText),
              row.visits ? QVariant(*row.visits) : QVariant(), QVariant(row.timeOrDate),
              QVariant(row.startOrSalePrice), QVariant(row.bidsOrQty), QVariant(row.price)})
            insertRow.addBindValue(value);
        if (!insertRow.exec())
            return failed(insertRow.lastError());
    }
    if (!db.commit())
        return failed(db.lastError());
    return true;
}

std::optional<VisitSample> HistoryStore::previous(const QString& auction, const QDateTime& before)
{
    if (!isOpen())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT time, visits FROM listing_row WHERE auction = ? AND"
                                 " time < ? AND visits IS NOT NULL ORDER BY time DESC LIMIT 1"));
    query.addBindValue(auction.trimmed());
    query.addBindValue(ms(before));
    if (!query.exec() || !query.next())
        return std::nullopt;
    return VisitSample{utc(query.value(0)), query.value(1).toLongLong()};
}

QStringList HistoryStore::sellers()
{
    QStringList result;
    if (!isOpen())
        return result;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.exec(QStringLiteral("SELECT DISTINCT seller FROM scan ORDER BY seller COLLATE NOCASE"));
    while (query.next())
        result << query.value(0).toString();
    return result;
}

QList<ListingSummary> HistoryStore::listings(const QString& seller)
{
    QList<ListingSummary> result;
    if (!isOpen())
        return result;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT auction, title, time, visits FROM listing_row"
                                 " WHERE seller = ? ORDER BY time"));
    query.addBindValue(seller);
    query.exec();
    struct Listing
    {
        ListingSummary summary;
        QList<std::pair<qint64, qint64>> visits;
    };
    QHash<QString, int> index;
    QList<Listing> listings;
    while (query.next()) {
        const QString auction = query.value(0).toString();
        auto found = index.find(auction);
        if (found == index.end()) {
            found = index.insert(auction, int(listings.size()));
            listings.append(Listing());
            listings.back().summary.auction = auction;
            listings.back().summary.firstSeen = utc(query.value(2));
        }
        Listing& listing = listings[*found];
        listing.summary.title = query.value(1).toString();
        listing.summary.lastSeen = utc(query.value(2));
        if (!query.value(3).isNull())
            listing.visits.append({query.value(2).toLongLong(), query.value(3).toLongLong()});
    }
    for (Listing& listing : listings) {
        ListingSummary& summary = listing.summary;
        if (!listing.visits.isEmpty()) {
            const auto [last, visits] = listing.visits.back();
            summary.lastVisits = visits;
            // The change since the earliest count inside the window.
            const auto changeOver = [&](qint64 window) -> std::optional<qint64> {
                for (const auto& [time, count] : listing.visits) {
                    if (time >= last - window)
                        return time == last ? std::nullopt : std::optional<qint64>(visits - count);
                }
                return std::nullopt;
            };
            summary.change1Day = changeOver(Day);
            summary.change7Days = changeOver(7 * Day);
        }
        result.append(summary);
    }
    std::sort(result.begin(), result.end(), [](const ListingSummary& a, const ListingSummary& b) {
        return a.lastSeen != b.lastSeen ? a.lastSeen > b.lastSeen : a.auction < b.auction;
    });
    return result;
}

QList<VisitSample> HistoryStore::listingVisits(const QString& auction)
{
    QList<VisitSample> result;
    if (!isOpen())
        return result;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT time, visits FROM listing_row WHERE auction = ?"
                                 " AND visits IS NOT NULL ORDER BY time"));
    query.addBindValue(auction);
    query.exec();
    while (query.next())
        result.append({utc(query.value(0)), query.value(1).toLongLong()});
    return result;
}

QList<VisitSample> HistoryStore::sellerTotals(const QString& seller)
{
    QList<VisitSample> result;
    if (!isOpen())
        return result;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    // Active scans only: a Sold scan's rows are other listings at other times.
    query.prepare(QStringLiteral(
        "SELECT r.time, SUM(r.visits) FROM listing_row r JOIN scan s ON s.id = r.scan"
        " WHERE r.seller = ? AND s.mode = 'Active' GROUP BY r.time ORDER BY r.time"));
    query.addBindValue(seller);
    query.exec();
    while (query.next())
        result.append({utc(query.value(0)), query.value(1).toLongLong()});
    return result;
}

QList<QStringList> HistoryStore::sellerRows(const QString& seller)
{
    QList<QStringList> result{{QStringLiteral("Scan Started (UTC)"), QStringLiteral("Mode"),
                               QStringLiteral("Auction"), QStringLiteral("Title"),
                               QStringLiteral("Visits"), QStringLiteral("Time Left / Sale Date"),
                               QStringLiteral("Start Price / Sale Price"),
                               QStringLiteral("Bids / QTY"), QStringLiteral("Price"),
                               QStringLiteral("Status")}};
    if (!isOpen())
        return result;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT s.started, s.mode, r.auction, r.title, r.visits_text, r.time_or_date,"
        " r.start_or_sale_price, r.bids_or_qty, r.price, s.status FROM listing_row r"
        " JOIN scan s ON s.id = r.scan WHERE r.seller = ? ORDER BY r.time, r.row_index"));
    query.addBindValue(seller);
    query.exec();
    while (query.next()) {
        QStringList line{utc(query.value(0)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
        for (int c = 1; c < 10; ++c)
            line << query.value(c).toString();
        result.append(line);
    }
    return result;
}
