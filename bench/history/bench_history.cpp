// Figures for the visit history: two years of twice-daily scans of 20
// listings for 10 sellers with the program's fetch of every item page, then
// one more scan recorded, the History window opened on one seller (visits by
// others per day and the Attention column worked out for its 20 listings)
// and a chart of all 20 of its listings drawn over all the years; and the
// upgrade of a file as large from an early schema.
// Run: QT_QPA_PLATFORM=offscreen build/bench/history/bench_history
#include "history/HistoryStore.h"
#include "history/frmHistory.h"
#include "session/HistoryRecorder.h"
#include "session/ScanSession.h"

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVariant>
#include <algorithm>
#include <cstdio>

namespace {
constexpr int Sellers = 10, Days = 730, ScansPerDay = 2, Listings = 20;

QString seller(int s)
{
    return QStringLiteral("seller") + QString::number(s);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The same years in a file of schema version 2 (one row per listing and
// scan), as an early version left it; returns the seconds its upgrade takes.
double upgradeSeconds(const QString& path, const QDateTime& start)
{
    double seconds = -1;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        db.setDatabaseName(path);
        if (!db.open() || !HistoryStore::migrate(db, 2))
            return seconds;
        db.transaction();
        QSqlQuery scan(db), row(db);
        scan.prepare(QStringLiteral("INSERT INTO scan(id, seller, mode, started, ended, status)"
                                    " VALUES (?, ?, 'Active', ?, ?, 'Task Complete')"));
        row.prepare(QStringLiteral(
            "INSERT INTO listing_row(scan, seller, time, row_index, auction, title, visits_text,"
            " visits) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        int id = 0;
        for (int s = 0; s < Sellers; ++s) {
            for (int k = 0; k < Days * ScansPerDay; ++k) {
                const qint64 t = start.addSecs(qint64(k) * 12 * 3600 + s * 60).toMSecsSinceEpoch();
                for (const QVariant& v :
                     {QVariant(++id), QVariant(seller(s)), QVariant(t - 30000), QVariant(t)})
                    scan.addBindValue(v);
                scan.exec();
                for (int l = 0; l < Listings; ++l) {
                    const qint64 visits = qint64(k) * (l + 1) / 3 + l;
                    for (const QVariant& v :
                         {QVariant(id), QVariant(seller(s)), QVariant(t), QVariant(l),
                          QVariant(QString::number(110000000000LL + s * 100 + l)),
                          QVariant(QStringLiteral("Listing title number %1").arg(l)),
                          QVariant(QString::number(visits)), QVariant(visits)})
                        row.addBindValue(v);
                    row.exec();
                }
            }
        }
        db.commit();
        QElapsedTimer timer;
        timer.start();
        if (HistoryStore::migrate(db, HistoryStore::SchemaVersion))
            seconds = timer.elapsed() / 1000.0;
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
    return seconds;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    auto store = std::make_shared<HistoryStore>(path);
    if (!store->isOpen())
        return 1;

    // The years of history go in through one transaction of their own, so
    // that building them takes seconds rather than a commit per scan.
    QElapsedTimer build;
    build.start();
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-Days);
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        QSqlQuery scan(db), listing(db), title(db), row(db), fetch(db);
        fetch.prepare(QStringLiteral(
            "INSERT INTO own_fetch(listing, time, try, reading) VALUES (?, ?, 0, 1)"));
        scan.prepare(QStringLiteral(
            "INSERT INTO scan(id, seller, mode, started, ended, status, total_visits)"
            " VALUES (?, ?, 'Active', ?, ?, 'Task Complete', ?)"));
        listing.prepare(
            QStringLiteral("INSERT INTO listing(id, seller, auction) VALUES (?, ?, ?)"));
        title.prepare(QStringLiteral("INSERT INTO title(id, text) VALUES (?, ?)"));
        row.prepare(QStringLiteral(
            "INSERT INTO sample(listing, time, scan, row_index, visits, visits_text, title,"
            " time_or_date, start_or_sale_price, bids_or_qty, price, counted)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, '3d 4h', '$9.99', '2', '$19.99', ?)"));
        for (int s = 0; s < Sellers; ++s) {
            for (int l = 0; l < Listings; ++l) {
                const int id = s * Listings + l + 1;
                listing.addBindValue(id);
                listing.addBindValue(seller(s));
                listing.addBindValue(QString::number(110000000000LL + s * 100 + l));
                listing.exec();
                title.addBindValue(id);
                title.addBindValue(
                    QStringLiteral("Listing title number %1 of seller %2").arg(l).arg(s));
                title.exec();
            }
        }
        int id = 0;
        for (int s = 0; s < Sellers; ++s) {
            for (int k = 0; k < Days * ScansPerDay; ++k) {
                const qint64 t = start.addSecs(qint64(k) * 12 * 3600 + s * 60).toMSecsSinceEpoch();
                const auto visits = [k](int l) { return qint64(k) * (l + 1) / 3 + l; };
                qint64 total = 0;
                for (int l = 0; l < Listings; ++l)
                    total += visits(l);
                for (const QVariant& v : {QVariant(++id), QVariant(seller(s)), QVariant(t - 30000),
                                          QVariant(t), QVariant(total)})
                    scan.addBindValue(v);
                scan.exec();
                for (int l = 0; l < Listings; ++l) {
                    const int listingId = s * Listings + l + 1;
                    for (const QVariant& v :
                         {QVariant(listingId), QVariant(t), QVariant(id), QVariant(l),
                          QVariant(visits(l)), QVariant(QString::number(visits(l))),
                          QVariant(listingId), QVariant(visits(l))})
                        row.addBindValue(v);
                    row.exec();
                    // The scan's fetch of the item page the reading came from.
                    fetch.addBindValue(listingId);
                    fetch.addBindValue(t - 10000);
                    fetch.exec();
                }
            }
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    std::printf("built %d rows in %.1f s\n", Sellers * Days * ScansPerDay * Listings,
                build.elapsed() / 1000.0);

    std::vector<double> record;
    for (int i = 0; i < 21; ++i) {
        ScanRecord scan{seller(3),
                        false,
                        QDateTime::currentDateTimeUtc(),
                        QDateTime::currentDateTimeUtc(),
                        QStringLiteral("Task Complete"),
                        {}};
        for (int l = 0; l < Listings; ++l)
            scan.rows.append({QString::number(110000000300LL + l),
                              QStringLiteral("Title"),
                              QStringLiteral("1234"),
                              1234,
                              QStringLiteral("1d"),
                              QStringLiteral("$1"),
                              QStringLiteral("0"),
                              QStringLiteral("$2"),
                              {QDateTime::currentDateTimeUtc()}});
        QElapsedTimer t;
        t.start();
        if (const Outcome recorded = store->record(scan); !recorded) {
            std::fprintf(stderr, "record failed: %s\n", qPrintable(recorded.message()));
            return 1; // a failed write would time nothing
        }
        record.push_back(t.nsecsElapsed() / 1e6);
    }

    std::vector<double> open, chart;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        auto* window = new frmHistory(store, seller(3));
        window->show();
        window->grab();
        open.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        window->cboRange->setCurrentIndex(window->cboRange->count() - 1); // all
        window->grdListings->selectAll();
        window->chtVisits->grab();
        chart.push_back(t.nsecsElapsed() / 1e6);
        delete window;
    }
    // A scan's end while another copy holds the file: the window's thread
    // only hands the record over; the write waits on the history's thread.
    double handOver = 0, written = 0;
    {
        qputenv("QUILLMERE_DATA_DIR", QFile::encodeName(dir.path()));
        QSqlDatabase other =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock"));
        other.setDatabaseName(path);
        other.open();
        QSqlQuery(other).exec(QStringLiteral("BEGIN IMMEDIATE"));
        ScanSession session(nullptr);
        HistoryRecorder recorder(&session);
        ScanRecord scan{seller(4),
                        false,
                        QDateTime::currentDateTimeUtc(),
                        QDateTime::currentDateTimeUtc(),
                        QStringLiteral("Task Complete"),
                        {}};
        QElapsedTimer t;
        t.start();
        emit session.scanEnded({ScanSession::Ending::Completed, scan});
        handOver = t.nsecsElapsed() / 1e6;
        recorder.flush();
        written = t.nsecsElapsed() / 1e6;
        QSqlQuery(other).exec(QStringLiteral("ROLLBACK"));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lock"));
    const qint64 size = QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
    std::printf("record one scan of 20 rows:        %.2f ms (median of %zu)\n", median(record),
                record.size());
    std::printf("open History window on one seller: %.1f ms (median of %zu)\n", median(open),
                open.size());
    std::printf("chart of 20 listings + total:      %.1f ms (median of %zu)\n", median(chart),
                chart.size());
    std::printf("file size:                         %.1f MiB\n", size / 1048576.0);
    std::printf("a scan's end, the file locked elsewhere: %.2f ms on the window's thread"
                " (its write gave up after %.0f ms)\n",
                handOver, written);
    std::printf("upgrade a version-2 file this size:  %.1f s\n",
                upgradeSeconds(dir.filePath(QStringLiteral("old.sqlite")), start));
    return 0;
}
