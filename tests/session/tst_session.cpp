// A scan session without a window against the demo auction site, running as
// its own process: both scans and their endings, the table and its figures,
// the transfer states in the status, and one scan at a time under Start,
// Stop and Clear pressed while a fetch is under way.
#include "options/NumberText.h"
#include "session/AuctionTable.h"
#include "session/ScanSession.h"
#include "transfer/Inet.h"

#include "DemoSession.h"

#include <QtTest>

namespace {
// Starting counts of the demo seller's 20 listings; a scan reads one more
// than the count for every earlier fetch of the page.
const int DemoCounts[20] = {143, 88,  231, 64,  412, 377, 156, 97, 45,  23,
                            31,  286, 72,  139, 58,  204, 118, 41, 325, 12};
using Color = ScanSession::StatusColor;

QString cells(const AuctionRow& row)
{
    return QStringList{row.auction, row.title, row.timeLeft, row.startPrice, row.bids, row.price}
        .join(u'|');
}
} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void init() { startSite(); }
    void cleanup() { m_demo.reset(); }

    void demoSellerFillsTable()
    {
        ScanSession& s = m_demo->session();
        QVERIFY(m_demo->scan(QStringLiteral("demoseller")));
        const AuctionTable& t = s.table();
        QCOMPARE(cells(t.rows[19]), QStringLiteral("110042331963|Crewel Embroidery Kit Unopened "
                                                   "1970s Owls|5d 01h 21m|$6.00|0|$14.00"));
        qint64 visits = 0;
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(t.rows[i].visits.toInt(), DemoCounts[i] + 1);
            QVERIFY(t.rows[i].checked);
            QCOMPARE(t.rows[i].mark, VisitsMark::Counted);
            visits += DemoCounts[i] + 1;
        }
        const SelectionTotals totals = t.selectionTotals();
        QCOMPARE(totals.auctions + u'|' + totals.visits, QStringLiteral("20|%1").arg(visits));
        QCOMPARE(t.figures.visitTotal.value_or(-1), visits);
        QCOMPARE(t.figures.average.value_or(-1), 147.1);
        QCOMPARE(t.figures.userId, QStringLiteral("demoseller"));
        QCOMPARE(s.status(), ScanSession::taskComplete());
        QCOMPARE(s.statusColor(), Color::Green);
        QVERIFY(s.startEnabled());
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 20); // each item page once
    }

    void unknownSellerAndCounterFaults()
    {
        ScanSession& s = m_demo->session();
        QVERIFY(m_demo->scan(QStringLiteral("nobody-here")));
        QCOMPARE(s.status(), QStringLiteral("User Search Error"));
        QCOMPARE(s.statusColor(), Color::Red);
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 0);

        // A counter search from position 1 with one try: a page whose counter is
        // missing shows "N/F" on red; one that reads "--</f" is fetched again
        // until it shows digits (the site shows them on the third fetch).
        m_demo->options().counterStart = QStringLiteral("1");
        OptionFiles::setCounterTryLimit(1);
        QVERIFY(m_demo->scan(QStringLiteral("smallshop")));
        for (int i = 0; i < 7; ++i) {
            const AuctionRow& row = s.table().rows[i];
            if (row.auction == QLatin1String("110049917629")) {
                QCOMPARE(row.visits, QStringLiteral("N/F"));
                QCOMPARE(row.mark, VisitsMark::NotFound);
                QVERIFY(!row.checked);
            } else {
                QVERIFY2(row.visits.at(0).isDigit(), qPrintable(row.auction));
            }
        }
        QCOMPARE(m_demo->fetches(QStringLiteral("/item?id=110049916381")), 3);
        QCOMPARE(m_demo->fetches(QStringLiteral("/item?id=110049917629")), 1);
        QCOMPARE(s.table().selectionTotals().auctions, QStringLiteral("6"));
    }

    void startDuringScanIsSwallowed()
    {
        ScanSession& s = m_demo->session();
        QSignalSpy started(&s, &ScanSession::scanStarted);
        m_demo->onStatus(QStringLiteral("Searching Visits...."), [&s] {
            s.start();
            s.clear(); // Clear enables Start again
            s.start();
        });
        QVERIFY(m_demo->scan(QStringLiteral("demoseller")));
        QTest::qWait(100); // a second start would begin 10 ms after the first ends
        QCOMPARE(started.count(), 1);
        QCOMPARE(s.status(), ScanSession::taskComplete());
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 20);
        QCOMPARE(m_demo->fetches(QStringLiteral("/seller")), 1);
    }

    void stopThenStartWaitsForTheScan()
    {
        ScanSession& s = m_demo->session();
        int running = 0, most = 0;
        connect(&s, &ScanSession::scanStarted, this, [&] { most = qMax(most, ++running); });
        connect(&s, &ScanSession::scanFinished, this, [&] { --running; });
        // Stop, then Start while the stopped scan is still inside its fetch.
        m_demo->onStatus(QStringLiteral("Searching Visits...."), [&s] {
            s.stop();
            s.start();
        });
        QSignalSpy finished(&s, &ScanSession::scanFinished);
        s.setUserId(QStringLiteral("demoseller"));
        s.start();
        QVERIFY(finished.wait(60000));
        // The queued start shows itself, not the stopped scan's ending.
        QCOMPARE(s.status(), QStringLiteral("Loading ...."));
        QVERIFY(!s.startEnabled());
        QVERIFY(finished.wait(60000));
        QCOMPARE(most, 1);
        QCOMPARE(s.status(), ScanSession::taskComplete());
        QVERIFY(s.table().rows[19].checked);

        // Stop pressed while that start waits calls it off.
        QSignalSpy started(&s, &ScanSession::scanStarted);
        m_demo->onStatus(QStringLiteral("Searching Visits...."), [&s] {
            s.stop();
            s.start();
            s.stop();
        });
        QVERIFY(m_demo->scan(QStringLiteral("demoseller")));
        QTest::qWait(100);
        QCOMPARE(started.count(), 1);
        QVERIFY(s.startEnabled());
    }

    void stopDuringListingFetch_data()
    {
        QTest::addColumn<bool>("secondBlock");
        QTest::addColumn<QString>("status");
        QTest::newRow("rows 1 - 20: the normal ending") << false << "Task Complete";
        QTest::newRow("rows 21 - 40: ends quietly") << true << "Stopped";
    }

    void stopDuringListingFetch()
    {
        QFETCH(bool, secondBlock);
        ScanSession& s = m_demo->session();
        s.setSecondBlock(secondBlock);
        // Inside the fetch: the zero timer runs in the fetch's own event loop.
        m_demo->onStatus(QStringLiteral("Loading Page"),
                         [&s] { QTimer::singleShot(0, &s, [&s] { s.stop(); }); });
        QVERIFY(m_demo->scan(QStringLiteral("demoseller")));
        QTEST(s.status(), "status");
        QVERIFY(s.table().rows[0].auction.isEmpty());
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 0);
        QVERIFY(s.startEnabled());
    }

    void soldScan()
    {
        // Signed in through the downloader's own cookie jar; the window test
        // signs in through the sign-in browser.
        ScanSession& s = m_demo->session();
        QVERIFY(m_demo->site().signIn(s.Inet1->networkAccessManager()));
        s.setSold(true);
        QCOMPARE(AuctionTable::captions(s.table().soldHeaders).mid(3, 3),
                 (QStringList{QStringLiteral("Sale Date"), QStringLiteral("Sale Price"),
                              QStringLiteral("QTY")}));
        // Stop as the third item page is asked for: no further item is fetched.
        int items = 0;
        connect(&s, &ScanSession::statusChanged, this, [&](const QString& text) {
            if (text == QLatin1String("Searching Visits....") && ++items == 3)
                s.stop();
        });
        QVERIFY(m_demo->scan(QString()));
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 3);
        QCOMPARE(s.status(), ScanSession::taskComplete());

        items = -100; // the whole scan
        QVERIFY(m_demo->scan(QString()));
        const AuctionRow& row = s.table().rows[11];
        QCOMPARE(QStringList({row.auction, row.title, row.timeLeft, row.startPrice, row.bids})
                     .join(u'|'),
                 QStringLiteral("110039812245|Victorian Silver Plated Napkin Rings Set of 4|"
                                "Mar-02-2024|$19.99|1"));
        QVERIFY(s.table().rows[6].auction.isEmpty()); // the hedgehog's second sale
        QCOMPARE(s.table().selectionTotals().auctions + s.status(),
                 QStringLiteral("11Task Complete"));
        QCOMPARE(s.statusColor(), Color::Green);
        QVERIFY(m_demo->notices().isEmpty());
    }

    void soldScanEndings()
    {
        // Not signed in: three passes, the message, and a status that says so.
        ScanSession& s = m_demo->session();
        s.setSold(true);
        QVERIFY(m_demo->scan(QString()));
        QCOMPARE(m_demo->notices(), QStringList{ScanSession::soldPageError()});
        QCOMPARE(m_demo->fetches(QStringLiteral("/sold")), 3);
        QCOMPARE(s.status(), QStringLiteral("Sold Page Error"));
        QCOMPARE(s.statusColor(), Color::Red);
        QVERIFY(s.startEnabled());

        // A sold-items page that never arrives ends on "Internet Error".
        m_demo->stopSite();
        QVERIFY(m_demo->scan(QString()));
        QCOMPARE(s.status(), QStringLiteral("Internet Error"));
        QCOMPARE(s.statusColor(), Color::Red);
    }

    void transferStatesAndStartDelay()
    {
        ScanSession& s = m_demo->session();
        const auto status = [&s](int state) {
            emit s.Inet1->StateChanged(qint16(state));
            return s.status();
        };
        const auto keepsRunning = [](QTimer* timer, const std::function<void()>& action) {
            const int remaining = timer->remainingTime();
            QTest::qWait(20);
            action();
            return timer->remainingTime() < remaining; // not restarted
        };
        QCOMPARE(status(Inet::icNone), QStringLiteral("None"));
        QVERIFY(!s.Timer3->isActive()); // "None" is no transfer
        QCOMPARE(status(Inet::icResponseReceived), QStringLiteral("Receiving..."));
        QVERIFY(s.Timer3->isActive());
        QVERIFY(keepsRunning(s.Timer3, [&] { status(Inet::icDisconnecting); }));
        QCOMPARE(status(Inet::icReceivingResponse), QStringLiteral("Disconnecting")); // unchanged
        // The unknown-seller check compares the listing page's address with
        // the bare one, which only a scan records.
        QCOMPARE(status(Inet::icDisconnected), QStringLiteral("Searching..."));
        QVERIFY(m_demo->scan(QStringLiteral("nobody-here")));
        QCOMPARE(status(Inet::icDisconnected), QStringLiteral("User Search Error"));
        QCOMPARE(s.statusColor(), Color::Red);

        QCOMPARE(ScanSession(nullptr).Timer5->interval(), 5000);
        QSignalSpy started(&s, &ScanSession::scanStarted);
        s.Timer5->setInterval(60000);
        s.start();
        QCOMPARE(s.status(), QStringLiteral("Loading ...."));
        QVERIFY(!s.startEnabled());
        QVERIFY(s.Timer5->isActive());
        QVERIFY(keepsRunning(s.Timer5, [&] { s.start(); }));
        s.stop(); // Stop during the delay calls the start off
        QCOMPARE(s.status(), QStringLiteral("Stopped"));
        QVERIFY(s.stopRequested() && s.startEnabled() && !s.Timer5->isActive() &&
                started.isEmpty());
        QCOMPARE(s.statusColor(), Color::Plain);
    }

    void totals_data()
    {
        QTest::addColumn<QString>("cells");    // Visits of rows 0.., all checked
        QTest::addColumn<QString>("selected"); // the Totals frame
        QTest::addColumn<QString>("scan");     // the scan's own total and average over the rows
        QTest::newRow("counters, N/F and text") << "120 35 N/F 7"
                                                << "4|162|40.50"
                                                << "162|40.5";
        QTest::newRow("halves to even at the scan's end") << "2.5 2.5"
                                                          << "2|5|2.50"
                                                          << "4|2";
        for (const char* cells : {"1e308 1e308 5", "9e999 1e300 1"}) // saturate
            QTest::newRow(cells) << cells << "3|999999999999999|333333333333333.00"
                                 << "999999999999999|333,333,333,333,333";
    }

    void totals()
    {
        QFETCH(QString, cells);
        const QStringList visits = cells.split(u' ');
        AuctionTable table;
        for (int i = 0; i < visits.size(); ++i) {
            table.rows[i].visits = visits[i];
            table.rows[i].checked = true;
        }
        const SelectionTotals selected = table.selectionTotals();
        QTEST(QStringList({selected.auctions, selected.visits, selected.average}).join(u'|'),
              "selected");
        table.figures.countedRows = int(visits.size());
        table.totalVisits();
        QTEST(QString(QString::number(*table.figures.visitTotal) + u'|' +
                      formatGroupedPattern(*table.figures.average)),
              "scan");
    }

    void selectionCommands_data()
    {
        // Titles of rows 0, 1, ...; the rows checked before; the command; the rows checked
        // after and the reference title it leaves ("Was" before).
        for (const char* column : {"titles", "checked", "command", "expected", "reference"})
            QTest::addColumn<QString>(column);
        QTest::newRow("All: an empty row keeps its box") << "Lamp,Vase,,Clock"
                                                         << "2 14"
                                                         << "all"
                                                         << "0 1 2 3 14"
                                                         << "Was";
        QTest::newRow("None") << "Lamp,Vase"
                              << "0 1 5"
                              << "none"
                              << ""
                              << "Was";
        QTest::newRow("Matching: exact, case and blanks count") << "Vase,vase,Vase ,Vase"
                                                                << "3"
                                                                << "first"
                                                                << "0 3"
                                                                << "Vase";
        QTest::newRow("Matching an empty title: the empty rows")
            << ",Lamp,,Vase"
            << "0"
            << "first"
            << "0 2 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19"
            << "";
        QTest::newRow("Non-Match: never an empty row") << "Lamp,,Vase,Lamp"
                                                       << "3"
                                                       << "non"
                                                       << "2"
                                                       << "Lamp";
        QTest::newRow("Non-Match, none checked: the reference stays") << "Lamp,Was,,Clock"
                                                                      << ""
                                                                      << "non"
                                                                      << "0 3"
                                                                      << "Was";
    }

    void selectionCommands()
    {
        QFETCH(QString, titles);
        QFETCH(QString, checked);
        QFETCH(QString, command);
        ScanSession& s = m_demo->session();
        s.clear();
        s.editCell(19, Column::Title, QStringLiteral("Was"));
        s.chooseRow(19);
        for (int i = 0; i < AuctionTable::Rows; ++i) {
            s.editCell(i, Column::Title, titles.split(u',').value(i));
            s.setChecked(i, checked.split(u' ').contains(QString::number(i)));
        }
        const AuctionTable& t = s.table();
        if (command == u"all")
            s.setChecks(Selection::all(t.titles(), t.checks()));
        else if (command == u"none")
            s.setChecks(Selection::none());
        else
            s.chooseFirstCheckedRow();
        if (command == u"first")
            s.setChecks(Selection::matching(t.titles(), t.chosen.title));
        else if (command == u"non")
            s.setChecks(Selection::nonMatching(t.titles(), t.chosen.title));
        QStringList rows;
        for (int i = 0; i < AuctionTable::Rows; ++i) {
            if (t.rows[i].checked)
                rows << QString::number(i);
        }
        QTEST(rows.join(u' '), "expected");
        QTEST(t.chosen.title, "reference");
    }

private:
    void startSite(const QStringList& arguments = {QStringLiteral("--delay-ms"),
                                                   QStringLiteral("20")})
    {
        m_demo.reset(); // first: its folder points the program folder back when it goes
        m_demo = std::make_unique<DemoSession>(arguments);
        QVERIFY(m_demo->site().isRunning());
    }

    std::unique_ptr<DemoSession> m_demo;
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
