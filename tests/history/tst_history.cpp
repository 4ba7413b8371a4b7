// The visit history against a real SQLite file in a temporary folder, and
// the main window's scans of the demo site recording into it.
#include "history/Csv.h"
#include "history/HistoryStore.h"
#include "history/frmHistory.h"
#include "main_window/Form1.h"

#include "DemoWindow.h"

#include <QChartView>
#include <QComboBox>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/mount.h>

namespace {
const QDateTime T0(QDate(2026, 12, 1), QTime(14, 3), Qt::UTC);

ScanRecord scanAt(const QDateTime& time, const QList<QString>& visits)
{
    ScanRecord scan{QStringLiteral("seller1"),       false, time, time.addSecs(30),
                    QStringLiteral("Task Complete"), {}};
    for (int i = 0; i < visits.size(); ++i)
        scan.rows.append({QString::number(1000 + i), QStringLiteral("Item ") + QString::number(i),
                          visits[i], visitsNumber(visits[i]), QStringLiteral("1d"),
                          QStringLiteral("$1.00"), QStringLiteral("0"), QString()});
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
    void changeLine_data();
    void changeLine();
    void migrateFromVersion1();
    void demoSiteScans();
    void failures_data();
    void failures();
    void csv_data();
    void csv();

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
    {
        HistoryStore writer;
        QVERIFY(writer
                    .record(scanAt(
                        T0, {QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("N/F")}))
                    .isOk());
        QVERIFY(writer
                    .record(scanAt(T0.addDays(1), {QStringLiteral("15"), QStringLiteral("20"),
                                                   QStringLiteral("4")}))
                    .isOk());
    }
    // A second connection sees only what was committed.
    HistoryStore store(file());
    const QString seller = QStringLiteral("seller1");
    QCOMPARE(store.sellers(), QStringList{seller});
    const auto previous = store.previous(seller, QStringLiteral("1000"), T0.addDays(1));
    QVERIFY(previous && previous->visits == 10 && previous->time == T0.addSecs(30));
    QVERIFY(!store.previous(seller, QStringLiteral("1002"), T0.addDays(1))); // N/F has no count
    // Auction, first seen, last visits and the two changes; 1002's only count is its last.
    QStringList summaries;
    for (const ListingSummary& l : store.listings(seller))
        summaries << QStringLiteral("%1 %2 %3 %4 %5")
                         .arg(l.auction)
                         .arg(l.firstSeen.secsTo(T0))
                         .arg(l.lastVisits)
                         .arg(l.change1Day.value_or(-1))
                         .arg(l.change7Days.value_or(-1));
    QCOMPARE(summaries.join(u'|'),
             QStringLiteral("1000 -30 15 5 5|1001 -30 20 0 0|1002 -30 4 -1 -1"));
    QCOMPARE(store.listingVisits(seller, QStringLiteral("1000")).size(), 2);
    const QList<VisitSample> totals = store.sellerTotals(seller);
    QVERIFY(totals.size() == 2 && totals[0].visits == 30 && totals[1].visits == 39);
    QCOMPARE(store.sellerRows(seller).size(), 1 + 6);
}

void TestHistory::changeLine_data()
{
    QTest::addColumn<int>("now");
    QTest::addColumn<int>("then");
    QTest::addColumn<QString>("expected");
    const QString when = T0.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    QTest::newRow("grown") << 144 << 132 << QStringLiteral("+12 since %1 (132 then)").arg(when);
    QTest::newRow("fewer") << 129 << 132 << QStringLiteral("-3 since %1 (132 then)").arg(when);
    QTest::newRow("same") << 132 << 132 << QStringLiteral("+0 since %1 (132 then)").arg(when);
}

void TestHistory::changeLine()
{
    QFETCH(int, now);
    QFETCH(int, then);
    QFETCH(QString, expected);
    const auto previous = then < 0 ? std::nullopt : std::optional<VisitSample>({T0, then});
    QCOMPARE(visitsChangeLine(now, previous), expected);
}

void TestHistory::migrateFromVersion1()
{
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v1"));
        db.setDatabaseName(file());
        QVERIFY(db.open());
        QVERIFY(HistoryStore::migrate(db, 1));
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("INSERT INTO scan VALUES (1, 's', 'Active', 0, 1000, 'x')")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO listing_row VALUES (1, 's', 1000, 0, '77',"
                                      " 't', '132', '', '', '', '')")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v1"));
    HistoryStore store;
    const QList<VisitSample> visits =
        store.listingVisits(QStringLiteral("s"), QStringLiteral("77"));
    QCOMPARE(visits.size(), 1);
    QCOMPARE(visits[0].visits, 132);
    QCOMPARE(store.sellerTotals(QStringLiteral("s")).value(0).visits, 132);
    QVERIFY(store.record(scanAt(T0, {QStringLiteral("1")})).isOk());
}

void TestHistory::demoSiteScans()
{
    DemoWindow demo;
    Form1* f = &demo.form();
    const auto visits = [f](int row) {
        return f->findChild<QLineEdit*>(QStringLiteral("Text2_%1").arg(row));
    };
    QVERIFY(demo.scan(QStringLiteral("demoseller")));
    QCOMPARE(visits(0)->toolTip(),
             QStringLiteral("Double Click for Options\nfirst scan of this listing"));
    QCOMPARE(visits(5)->toolTip(), QStringLiteral("first scan of this listing"));
    const qint64 before = *visitsNumber(visits(5)->text());
    QVERIFY(demo.scan(QStringLiteral("demoseller")));
    const qint64 after = *visitsNumber(visits(5)->text());
    QVERIFY(after > before); // the demo counters grow with every fetch
    QVERIFY2(visits(5)->toolTip().startsWith(QStringLiteral("+%1 since ").arg(after - before)),
             qPrintable(visits(5)->toolTip()));
    QVERIFY(visits(2)->toolTip().startsWith(QStringLiteral("Double Click for Options\n+")));
    HistoryStore store;
    QCOMPARE(store.sellerTotals(QStringLiteral("demoseller")).size(), 2);

    // The window opens on the seller of the User ID field, with a line per chosen listing.
    f->mnuHistory_Click();
    frmHistory* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        window = window ? window : qobject_cast<frmHistory*>(w);
    QVERIFY(window);
    QCOMPARE(window->cboSeller->currentText(), QStringLiteral("demoseller"));
    QCOMPARE(window->grdListings->rowCount(), 20);
    window->grdListings->setRangeSelected({0, 0, 4, window->grdListings->columnCount() - 1}, true);
    QCOMPARE(window->chtVisits->chart()->series().size(), 1 + 5);
    window->close();
    f->Command2_Click();
    QCOMPARE(visits(0)->toolTip(), QStringLiteral("Double Click for Options"));
    QCOMPARE(visits(5)->toolTip(), QString());
    QVERIFY(demo.messages().isEmpty());
}

void TestHistory::failures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("folder cannot be made") << "folder"
                                           << "could not be kept";
    QTest::newRow("corrupt file") << "corrupt"
                                  << "was damaged";
    QTest::newRow("locked by another copy") << "locked"
                                            << "could not be kept";
    QTest::newRow("read-only folder") << "read-only"
                                      << "could not be kept";
    QTest::newRow("full disk") << "full"
                               << "could not be kept";
}

void TestHistory::failures()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    QSqlDatabase other;
    if (fault == QLatin1String("folder")) {
        QFile blocker(m_dir->filePath(QStringLiteral("plain-file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qputenv("QUILLMERE_DATA_DIR", blocker.fileName().toUtf8() + "/history");
    } else if (fault == QLatin1String("corrupt")) {
        QFile damaged(file());
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(8192, 'x'));
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
        QVERIFY(hold.exec(QStringLiteral("BEGIN IMMEDIATE")));
        QVERIFY(hold.exec(QStringLiteral("INSERT INTO scan(seller, mode, started, ended, status) "
                                         "VALUES ('x', 'Active', 0, 0, '')")));
    }
    {
        DemoWindow demo;
        for (int scan = 0; scan < 2; ++scan) {
            QVERIFY(demo.scan(QStringLiteral("demoseller")));
            QCOMPARE(demo.form().session()->status(), ScanSession::taskComplete());
            QVERIFY(visitsNumber(demo.form().session()->table().rows[0].visits));
        }
        QCOMPARE(demo.messages().size(), 1); // once per run, not per scan
        QVERIFY2(demo.messages()[0].contains(message), qPrintable(demo.messages()[0]));
    }
    if (fault == QLatin1String("corrupt")) {
        const QStringList aside =
            QDir(m_dir->path()).entryList({QStringLiteral("history.sqlite.damaged-*")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(QFileInfo(m_dir->filePath(aside[0])).size(), 8192);
        QCOMPARE(HistoryStore().sellerTotals(QStringLiteral("demoseller")).size(), 2);
    }
    if (other.isOpen())
        other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

void TestHistory::csv_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("written");
    QTest::newRow("comma") << "1,234"
                           << "\"1,234\"";
    QTest::newRow("quote") << "12\" tall"
                           << "\"12\"\" tall\"";
    QTest::newRow("line break") << "a\r\nb"
                                << "\"a\r\nb\"";
    QTest::newRow("formula") << "=HYPERLINK(1)"
                             << "'=HYPERLINK(1)";
    QTest::newRow("plus formula") << "+1+cmd"
                                  << "'+1+cmd";
    QTest::newRow("at formula") << "@SUM(A1)"
                                << "'@SUM(A1)";
    QTest::newRow("minus formula, comma") << "-2,A1"
                                          << "\"'-2,A1\"";
    QTest::newRow("negative number") << "-3"
                                     << "-3";
    QTest::newRow("non-ASCII") << QStringLiteral("Käse €") << QStringLiteral("Käse €");
}

void TestHistory::csv()
{
    QFETCH(QString, cell);
    QFETCH(QString, written);
    QCOMPARE(QString::fromUtf8(Csv::text({{cell, QStringLiteral("x")}, {QStringLiteral("y")}})),
             written + QStringLiteral(",x\r\ny\r\n"));
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
