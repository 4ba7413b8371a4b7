// The visit history against a real SQLite file in a temporary folder, and
// the main window's scans of the demo site recording into it.
#include "history/Csv.h"
#include "history/DailyVisits.h"
#include "history/HistoryStore.h"
#include "history/frmHistory.h"
#include "main_window/Form1.h"
#include "schedule/frmSchedule.h"
#include "session/HistoryRecorder.h"
#include "transfer/Inet.h"

#include "DemoSession.h"
#include "DemoWindow.h"

#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/mount.h>

namespace {
const QDateTime T0(QDate(2026, 12, 1), QTime(14, 3), Qt::UTC);

// A scan of seller1 ending 30 s after time, its Visits cells split at spaces;
// each row's item page fetched once, 10 s in.
ScanRecord scanAt(const QDateTime& time, const QString& cells)
{
    ScanRecord scan{QStringLiteral("seller1"),       false, time, time.addSecs(30),
                    QStringLiteral("Task Complete"), {}};
    const QStringList visits = cells.split(u' ');
    for (int i = 0; i < visits.size(); ++i)
        scan.rows.append({QString::number(1000 + i),
                          QStringLiteral("Item ") + QString::number(i),
                          visits[i],
                          visitsNumber(visits[i]),
                          QStringLiteral("1d"),
                          QStringLiteral("$1.00"),
                          QStringLiteral("0"),
                          QString(),
                          {time.addSecs(10)}});
    return scan;
}
} // namespace

class TestHistory : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void recordAndReadBack();
    void demoSiteScans();
    void aMonthOfBuyers();
    void failures_data() { addTableRows({"history/data/failures.tsv"}); }
    void failures();
    void csv_data() { addTableRows({"history/data/csv.tsv"}); }
    void csv();
    void perDay_data() { addTableRows({"history/data/perday.tsv"}); }
    void perDay();
    void attention_data() { addTableRows({"history/data/attention.tsv"}); }
    void attention();

private:
    QString file() const { return m_dir->filePath(QStringLiteral("history.sqlite")); }
    std::unique_ptr<QTemporaryDir> m_dir;
    bool m_mounted = false;
};

void TestHistory::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("QUILLMERE_DATA_DIR", m_dir->path().toUtf8());
}

void TestHistory::cleanup()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir->path()).constData(), MNT_DETACH);
    m_mounted = false;
    m_dir.reset();
}

void TestHistory::recordAndReadBack()
{
    // A file an older copy left at schema version 1, a day before T0: seller1's auction 1000
    // with 5 visits, and another seller's listing with the same number.
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v1"));
        db.setDatabaseName(file());
        QVERIFY(db.open());
        QVERIFY(HistoryStore::migrate(db, 1));
        QSqlQuery q(db);
        const QString day = QString::number(T0.addDays(-1).toMSecsSinceEpoch());
        QVERIFY(
            q.exec(QStringLiteral("INSERT INTO scan VALUES (1, 'seller1', 'Active', %1, %1, 'x'),"
                                  " (2, 'other', 'Active', %1, %1, 'x')")
                       .arg(day)));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO listing_row VALUES"
                                      " (1, 'seller1', %1, 0, '1000', 't', '5', '', '', '', ''),"
                                      " (2, 'other', %1, 0, '1000', 't', '132', '', '', '', '')")
                           .arg(day)));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v1"));
    {
        HistoryStore writer;
        QVERIFY(writer.record(scanAt(T0, QStringLiteral("10 20 N/F"))).isOk());
        // A stopped scan is listed, but neither compared with nor totalled.
        ScanRecord stopped = scanAt(T0.addSecs(3600), QStringLiteral("11 2"));
        stopped.ending = ScanEnding::Stopped;
        QVERIFY(writer.record(stopped).isOk());
        // Marker Check's fetch of 1000's page; its counter counted that too.
        QVERIFY(
            writer.recordFetch(QStringLiteral("seller1"), QStringLiteral("1000"), T0.addSecs(7200))
                .isOk());
        QVERIFY(writer.record(scanAt(T0.addDays(1), QStringLiteral("15 20 4"))).isOk());
    }
    // A second connection sees only what was committed.
    HistoryStore store(file());
    const QString seller = QStringLiteral("seller1");
    QCOMPARE(store.sellers(), (QStringList{QStringLiteral("other"), seller}));
    // The change line of a Visits tooltip against the last count before the last scan: the
    // program fetched the page three times since (the stopped scan, Marker Check, the scan).
    const auto previous = store.previous(seller, QStringLiteral("1000"), T0.addDays(1));
    const QString since = QStringLiteral(" by others since %1 (")
                              .arg(T0.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    const qint64 own =
        store.ownFetches(seller, QStringLiteral("1000"), previous->time, T0.addDays(1).addSecs(30));
    QCOMPARE(own, 3);
    QCOMPARE(visitsChangeLine(15, previous, own),
             QStringLiteral("+2") + since + QStringLiteral("5 counted, 3 were this program's)"));
    QCOMPARE(visitsChangeLine(10, previous, 1),
             QStringLiteral("-1") + since + QStringLiteral("0 counted, 1 was this program's)"));
    QVERIFY(!store.previous(seller, QStringLiteral("1002"), T0.addDays(1))); // N/F has no count
    // Auction, title, first seen, last visits and the changes over 1, 7 and 30 days (counted /
    // own): the old file's reading has no fetches on record; 1002's only count is its last.
    QStringList summaries;
    for (const ListingSummary& l : store.listings(seller)) {
        QString line = QString::asprintf("%s %s %lld %lld", qPrintable(l.auction),
                                         qPrintable(l.title), l.firstSeen.secsTo(T0), l.lastVisits);
        for (const std::optional<VisitsChange>& c : l.changes)
            line += c ? QString::asprintf(" %lld/%lld", c->counted, c->own) : QStringLiteral(" -");
        summaries << line;
    }
    QCOMPARE(summaries.join(u'|'), QStringLiteral("1000 Item 0 86400 15 5/3 10/4 10/4|"
                                                  "1001 Item 1 -30 20 0/2 0/2 0/2|"
                                                  "1002 Item 2 -30 4 - - -"));
    QCOMPARE(store.listingVisits(seller, QStringLiteral("1000")).size(), 4); // every reading
    QStringList totals;
    for (const VisitSample& scan : store.sellerTotals(seller))
        totals << QString::number(scan.visits);
    QCOMPARE(totals.join(u' '), QStringLiteral("5 30 39"));
    const QList<QStringList> rows = store.sellerRows(seller);
    QCOMPARE(rows.size(), 1 + 9);
    QCOMPARE(rows[5][10] + rows[6][10], QStringLiteral("StoppedStopped"));
    QCOMPARE(rows[7].mid(10), (QStringList{QStringLiteral("Completed"), QStringLiteral("2")}));
}

void TestHistory::demoSiteScans()
{
    // A damaged file is set aside, never deleted, and a new history begun.
    QFile damaged(file());
    QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(QByteArray(8192, 'x')) == 8192);
    damaged.close();
    DemoWindow demo;
    Form1* f = &demo.form();
    const auto visits = [f](int row) {
        return f->findChild<QLineEdit*>(QStringLiteral("Text2_%1").arg(row));
    };
    // The change line follows a cell's own tooltip, if any, and replaces the last scan's.
    QVERIFY(demo.scan(QStringLiteral("demoseller")));
    QTRY_COMPARE(visits(0)->toolTip(),
                 QStringLiteral("Double Click for Options\nfirst scan of this listing"));
    const qint64 before = *visitsNumber(visits(5)->text());
    QVERIFY(demo.scan(QStringLiteral("demoseller")));
    f->history()->flush(); // written on the history's thread
    const qint64 after = *visitsNumber(visits(5)->text());
    // The demo site counts only this program's fetches: nobody else visited.
    const QString nobody = QStringLiteral("+0 by others since ");
    const QString counted = QStringLiteral("(%1 counted, %1 ").arg(after - before);
    QVERIFY2(visits(5)->toolTip().startsWith(nobody) && visits(5)->toolTip().contains(counted),
             qPrintable(visits(5)->toolTip()));
    QVERIFY2(visits(0)->toolTip().startsWith(QStringLiteral("Double Click for Options\n") + nobody),
             qPrintable(visits(0)->toolTip()));

    // The window opens on the seller of the User ID field, with a line per chosen listing.
    const auto historyWindow = [] {
        frmHistory* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            found = found ? found : qobject_cast<frmHistory*>(w);
        return found;
    };
    f->mnuHistory_Click(); // opens once the history's thread has the file ready
    QTRY_VERIFY(historyWindow());
    frmHistory* window = historyWindow();
    QCOMPARE(window->cboSeller->currentText(), QStringLiteral("demoseller"));
    QCOMPARE(window->grdListings->rowCount(), 20);
    window->grdListings->setRangeSelected({0, 0, 4, window->grdListings->columnCount() - 1}, true);
    QCOMPARE(window->chtVisits->chart()->series().size(), 1 + 5);
    window->close();
    // Tools > Scheduled Scans, beside it, opens its window too.
    f->findChild<QAction*>(QStringLiteral("mnuSchedule"))->trigger();
    const auto scheduleShown = [] {
        const QWidgetList all = QApplication::topLevelWidgets();
        return std::any_of(all.cbegin(), all.cend(), [](QWidget* w) {
            return w->isVisible() && qobject_cast<frmSchedule*>(w);
        });
    };
    QTRY_VERIFY(scheduleShown());
    f->Command2_Click();
    QCOMPARE(visits(0)->toolTip(), QStringLiteral("Double Click for Options"));
    QCOMPARE(visits(5)->toolTip(), QString());
    QCOMPARE(demo.messages().size(), 1); // once per run, not per scan
    QVERIFY2(demo.messages()[0].contains(u"was damaged"), qPrintable(demo.messages()[0]));
    const QStringList aside =
        QDir(m_dir->path()).entryList({QStringLiteral("history.sqlite.damaged-*")});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(QFileInfo(m_dir->filePath(aside[0])).size(), 8192);
}

// A month of twice-daily scans of the demo site, whose buyers visit its
// listings as its clock runs, the clock moved on 12 h after each scan. The
// program's own fetches are two visits a day on every listing: only when they
// are left out does a listing nobody visits any more show as stalled.
void TestHistory::aMonthOfBuyers()
{
    DemoSession demo({});
    HistoryStore store(file());
    ScansAtSiteTime month(&demo.session(), &store);
    for (int scan = 0; scan < 60; ++scan)
        QVERIFY(demo.scan(QStringLiteral("demoseller")) && month.advance(demo.site(), 12));
    QVERIFY(month.allRecorded());
    frmHistory window(std::make_shared<HistoryStore>(file()), QStringLiteral("demoseller"));
    QMap<QString, int> kinds;
    for (int r = 0; r < window.grdListings->rowCount(); ++r)
        ++kinds[window.grdListings->item(r, 8)->text().section(u' ', 0, 0)];
    // The site's buyers come steady, rising, falling, or stop after ten days.
    for (const char* kind : {"stalled", "rising", "falling", "steady"})
        QVERIFY2(kinds.value(QLatin1String(kind)) > 0, kind);
    QCOMPARE(kinds.values().size(), 4);
    window.cboShow->setCurrentIndex(1); // stalled only
    int shown = 0;
    for (int r = 0; r < window.grdListings->rowCount(); ++r)
        shown += !window.grdListings->isRowHidden(r);
    QCOMPARE(shown, kinds.value(QStringLiteral("stalled")));
    // Counting the program's own views, every listing gets two a day.
    window.chkOwnViews->setChecked(true);
    QCOMPARE(window.grdListings->findItems(QStringLiteral("stalled"), Qt::MatchStartsWith).size(),
             0);
}

void TestHistory::failures()
{
    QFETCH(QString, fault);
    QSqlDatabase other;
    if (fault == QLatin1String("folder")) {
        QFile blocker(m_dir->filePath(QStringLiteral("plain-file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qputenv("QUILLMERE_DATA_DIR", blocker.fileName().toUtf8() + "/history");
    } else if (fault == QLatin1String("read-only") || fault == QLatin1String("full")) {
        const QByteArray folder = QFile::encodeName(m_dir->path());
        const bool full = fault == QLatin1String("full");
        if (::mount("tmpfs", folder.constData(), "tmpfs", full ? 0 : MS_RDONLY, "size=1m") != 0)
            QSKIP("mounting a small file system needs root");
        m_mounted = true;
        // The file exists and is ready when the disk fills, so the write of a scan fails.
        if (full && HistoryStore().isOpen()) {
            QFile filler(m_dir->filePath(QStringLiteral("filler")));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
            }
        }
    } else {
        HistoryStore().isOpen();
        other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(file());
        QVERIFY(other.open());
        QSqlQuery hold(other);
        QVERIFY(hold.exec(QStringLiteral("BEGIN IMMEDIATE"))); // holds the write lock
    }
    DemoWindow demo;
    for (int scan = 0; scan < 2; ++scan) {
        QVERIFY(demo.scan(QStringLiteral("demoseller")));
        QCOMPARE(demo.form().session()->status(), ScanSession::taskComplete());
    }
    demo.form().history()->flush();
    QCOMPARE(demo.messages().size(), 1); // once per run, not per scan
    QVERIFY2(demo.messages()[0].contains(u"could not be kept"), qPrintable(demo.messages()[0]));
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

void TestHistory::csv()
{
    QFETCH(QString, cell);
    QFETCH(QString, written);
    QCOMPARE(QString::fromUtf8(Csv::text({{cell, QStringLiteral("x")}, {QStringLiteral("y")}})),
             written + QStringLiteral(",x\r\ny\r\n"));
}

namespace {
// "MM-dd HH:mm" in local time, in 2026.
qint64 localTime(const QString& text)
{
    return QDateTime::fromString(QStringLiteral("2026-") + text, QStringLiteral("yyyy-MM-dd HH:mm"))
        .toMSecsSinceEpoch();
}

QList<DayVisits> days(const QString& text)
{
    QList<DayVisits> result;
    for (const QString& day : text.split(u' ', Qt::SkipEmptyParts))
        result.append({QDate::fromString(QStringLiteral("2026-") + day.section(u':', 0, 0),
                                         QStringLiteral("yyyy-MM-dd")),
                       day.section(u':', 1).toDouble(), false});
    return result;
}
} // namespace

void TestHistory::perDay()
{
    QFETCH(QString, readings);
    QFETCH(QString, own);
    QList<Reading> read;
    const QStringList fields = readings.split(u' ');
    for (int i = 0; i + 1 < fields.size(); i += 2)
        read.append({localTime(fields[i] + u' ' + fields[i + 1].section(u'=', 0, 0)),
                     fields[i + 1].section(u'=', 1).toLongLong()});
    QList<qint64> fetches;
    const QStringList times = own.split(u' ', Qt::SkipEmptyParts);
    for (int i = 0; i + 1 < times.size(); i += 2)
        fetches.append(localTime(times[i] + u' ' + times[i + 1]));
    QStringList shown;
    for (const DayVisits& d : visitsPerDay(read, fetches))
        shown << d.day.toString(QStringLiteral("MM-dd:")) + QString::number(d.visits, 'f', 1) +
                     (d.estimated ? QStringLiteral("*") : QString());
    QTEST(shown.join(u' '), "days");
}

void TestHistory::attention()
{
    QFETCH(QString, days);
    QFETCH(bool, seen);
    QTEST(::attention(::days(days), QDate(2026, 12, 1), QDate(2026, 12, 22), seen, 7).text,
          "attention");
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
