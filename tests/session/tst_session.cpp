// A scan session without a window against the demo auction site, running as
// its own process: both scans and their endings, the table and its figures,
// the transfer states in the status, and one scan at a time under Start,
// Stop and Clear pressed while a fetch is under way.
#include "history/HistoryStore.h"
#include "options/NumberText.h"
#include "session/AuctionTable.h"
#include "session/ScanSession.h"
#include "transfer/Inet.h"

#include "DemoSession.h"

#include <QtTest>

namespace {
// The result of one row of tests/session/data/table.tsv.
QString tableRule(const QString& rule, const QStringList& input)
{
    AuctionTable t;
    const QStringList cells = input[0].split(rule == u"totals" ? u' ' : u',');
    for (int i = 0; i < AuctionTable::Rows; ++i) {
        t.rows[i].visits = rule == u"totals" ? cells.value(i) : QString();
        t.rows[i].title = rule == u"totals" ? QString() : cells.value(i);
        t.rows[i].checked = rule == u"totals" ? i < cells.size()
                                              : input[1].split(u' ').contains(QString::number(i));
    }
    if (rule == u"totals") {
        const SelectionTotals shown = t.selectionTotals();
        t.figures.countedRows = int(cells.size());
        t.totalVisits();
        return QStringList{shown.auctions, shown.visits, shown.average,
                           QString::number(*t.figures.visitTotal),
                           formatGroupedPattern(*t.figures.average)}
            .join(u'|');
    }
    // Through a session, which sets each box and keeps the reference title.
    ScanSession s(nullptr);
    s.editCell(19, Column::Title, QStringLiteral("Was"));
    s.chooseRow(19);
    for (int i = 0; i < AuctionTable::Rows; ++i) {
        s.editCell(i, Column::Title, t.rows[i].title);
        s.setChecked(i, t.rows[i].checked);
    }
    const AuctionTable& now = s.table();
    if (input[2] == u"all")
        s.setChecks(Selection::all(now.titles(), now.checks()));
    else if (input[2] == u"none")
        s.setChecks(Selection::none());
    else
        s.chooseFirstCheckedRow();
    if (input[2] == u"first")
        s.setChecks(Selection::matching(now.titles(), now.chosen.title));
    else if (input[2] == u"non")
        s.setChecks(Selection::nonMatching(now.titles(), now.chosen.title));
    QStringList rows;
    for (int i = 0; i < AuctionTable::Rows; ++i) {
        if (now.rows[i].checked)
            rows << QString::number(i);
    }
    return rows.join(u' ') + u'|' + now.chosen.title;
}

// Starting counts of the demo seller's 20 listings; a scan reads one more
// than the count for every earlier fetch of the page.
const int DemoCounts[20] = {143, 88,  231, 64,  412, 377, 156, 97, 45,  23,
                            31,  286, 72,  139, 58,  204, 118, 41, 325, 12};
using Color = ScanSession::StatusColor;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
        // The totals and the ending as printed: commandLineScan.
        QCOMPARE(t.figures.visitTotal.value_or(-1), visits);
        QCOMPARE(t.figures.average.value_or(-1), 147.1);
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 20); // each item page once
    }

    void unknownSellerAndCounterFaults()
    {
        ScanSession& s = m_demo->session();
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

        // Without auction markers no row has a number: no item page is asked for.
        m_demo->options().activeBefore[0] = m_demo->options().activeAfter[0] = QString();
        QVERIFY(m_demo->scan(QStringLiteral("smallshop")));
        QCOMPARE(m_demo->site().requestedPaths().count(QStringLiteral("/item?id=")), 0);
    }

    void oneScanAtATime_data()
    {
        QTest::addColumn<QString>("trigger"); // the status at which the user acts
        // s: Start, p: Stop, c: Clear; z: Stop from inside the fetch's own event loop;
        // m: Sold chosen and another User ID saved.
        QTest::addColumn<QString>("actions");
        QTest::addColumn<bool>("secondBlock");
        QTest::addColumn<QString>("endings");  // the status as each scan finished
        QTest::addColumn<int>("items");        // item pages fetched in all
        QTest::addColumn<QString>("recorded"); // each scan for the history
        const char* visits = "Searching Visits....";
        const QString stopped = QStringLiteral("demoseller Active Stopped");
        const QString done = QStringLiteral("demoseller Active Completed");
        QTest::newRow("Start is swallowed; a switch does not change whose scan it was")
            << visits << "sm" << false << "Task Complete" << 20 << done;
        // The table is emptied once the stopped scan has returned, never under it.
        QTest::newRow("Clear stops the scan first") << visits << "c" << false << "" << 1 << stopped;
        QTest::newRow("Clear calls the waiting start off") << "Loading ...."
                                                           << "c" << false << "" << 0 << "";
        // The queued start shows itself, not the stopped scan's ending.
        QTest::newRow("Start after Stop waits for the stopped scan")
            << visits << "ps" << false << "Loading ....|Task Complete" << 21
            << stopped + u'|' + done;
        QTest::newRow("Stop calls the waiting start off")
            << visits << "psp" << false << "Task Complete" << 1 << stopped;
        QTest::newRow("Stop in the listing fetch") << "Loading Page"
                                                   << "z" << false << "Task Complete" << 0 << "";
        QTest::newRow("Stop in the listing fetch, rows 21 - 40: a quiet end")
            << "Loading Page"
            << "z" << true << "Stopped" << 0 << "";
    }

    void oneScanAtATime()
    {
        QFETCH(QString, trigger);
        QFETCH(QString, actions);
        QFETCH(bool, secondBlock);
        ScanSession& s = m_demo->session();
        s.setSecondBlock(secondBlock);
        int running = 0;
        QStringList endings, recorded;
        connect(&s, &ScanSession::scanEnded, this, [&](const ScanSession::Ended& e) {
            const char* how[] = {"Completed", "Stopped", "Closed", "Failed"};
            recorded << e.record.seller + (e.record.sold ? u" Sold " : u" Active ") +
                            QLatin1String(how[int(e.record.ending)]);
        });
        connect(&s, &ScanSession::scanStarted, this, [&] { QCOMPARE(++running, 1); });
        // The status once the finished scan's tick has returned; a start it queued waits 200 ms.
        s.Timer5->setInterval(200);
        connect(&s, &ScanSession::scanFinished, this, [&] {
            --running;
            QTimer::singleShot(0, this, [&] { endings << s.status(); });
        });
        m_demo->onStatus(trigger, [&s, actions] {
            for (const QChar action : actions) {
                if (action == u's')
                    s.start();
                else if (action == u'p')
                    s.stop();
                else if (action == u'c')
                    s.clear();
                else if (action == u'm')
                    s.setSold(true), s.setUserIdCopy(QStringLiteral("other"));
                else
                    QTimer::singleShot(0, &s, [&s] { s.stop(); });
            }
        });
        s.setUserId(QStringLiteral("demoseller"));
        s.start();
        QTRY_VERIFY_WITH_TIMEOUT(!s.scanRunning() && !s.Timer5->isActive(), 60000);
        QTest::qWait(300); // a start still to come would begin 200 ms after
        QTEST(endings.join(u'|'), "endings");
        QTEST(m_demo->fetches(QStringLiteral("/item")), "items");
        QTEST(recorded.join(u'|'), "recorded");
        QVERIFY(s.startEnabled());
        QVERIFY2(endings.value(0) != u"" || s.table().rows[0].auction.isEmpty(), "not cleared");
    }

    void soldScan()
    {
        // Signed in through the downloader's own cookie jar; the window test
        // signs in through the sign-in browser.
        ScanSession& s = m_demo->session();
        QVERIFY(m_demo->site().signIn(s.Inet1->networkAccessManager()));
        s.setSold(true);
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
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 0);

        QCOMPARE(ScanSession(nullptr).Timer5->interval(), 5000);
        s.Timer5->setInterval(60000);
        s.start();
        QVERIFY(keepsRunning(s.Timer5, [&] { s.start(); })); // a second Start is swallowed
        s.stop();
    }

    void commandLineScan_data()
    {
        QTest::addColumn<QString>("arguments"); // split at "|"
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");     // a line of the standard output
        QTest::addColumn<QString>("err");     // part of the standard error
        QTest::addColumn<QString>("fetched"); // the site saw this
        const QString none;
        QTest::newRow("completed")
            << "--scan|demoseller" << 0 << "auctions 20, visits 2942, average 147.10" << none
            << "/seller?user=demoseller";
        // A bad argument is refused before anything is read, fetched or saved.
        QTest::newRow("blank User ID") << "--scan| " << 2 << none << "needs a User ID" << none;
        QTest::newRow("count out of range")
            << "--scan|demoseller|--counter-searches|11" << 2 << none << "from 1 to 10" << none;
        QTest::newRow("mistyped option") << "--scna|demoseller" << 2 << none << "scna" << none;
        QTest::newRow("nothing found") << "--scan|emptyshelf" << 4 << none << "found no listing"
                                       << "/seller?user=emptyshelf";
        QTest::newRow("site down") << "--scan|demoseller" << 1 << "Internet Error"
                                   << "/seller?user=demoseller could not be fetched: " << none;
        QTest::newRow("a User ID is one query value")
            << "--scan|a&x=1" << 3 << none << "did not complete"
            << "/seller?user=a%26x%3D1";
    }

    void commandLineScan()
    {
        // As a timer or a script runs it: no display, no platform plugin, options in the
        // program's own folder that name this site; the scan goes into the visit history,
        // and only a completed one saves its User ID.
        QFETCH(QString, arguments);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QString, fetched);
        if (QByteArray(QTest::currentDataTag()) == "site down")
            m_demo->stopSite();
        QTemporaryDir data;
        const QString program = m_demo->folder().file(QStringLiteral("quillmere"));
        QVERIFY(QFile::copy(QStringLiteral(QUILLMERE_PROGRAM), program));
        const QString users = m_demo->folder().file(QStringLiteral("User.rtf")),
                      options = m_demo->folder().file(QStringLiteral("Options.rtf"));
        const QByteArray usersBefore = readAll(users), optionsBefore = readAll(options);
        QProcess scan;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("QUILLMERE_DATA_DIR"), data.path());
        scan.setProcessEnvironment(environment);
        scan.start(program, arguments.split(u'|'));
        QVERIFY(scan.waitForFinished(60000));
        const QStringList lines = QString::fromUtf8(scan.readAllStandardOutput()).split(u'\n');
        const QString errors = QString::fromUtf8(scan.readAllStandardError());
        QTEST(scan.exitCode(), "exitCode");
        QVERIFY2(out.isEmpty() || lines.contains(out), qPrintable(lines.join(u'\n')));
        QVERIFY2(err.isEmpty() ? errors.isEmpty() : errors.contains(err), qPrintable(errors));
        QVERIFY(fetched.isEmpty() || m_demo->fetches(fetched) == 1);
        const bool completed = scan.exitCode() == 0;
        QCOMPARE(readAll(users) == usersBefore, !completed);
        QCOMPARE(readAll(options), optionsBefore);
        if (completed) {
            QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^1100423\\d+\\t"))).size(),
                     20);
            QCOMPARE(HistoryStore(data.filePath(QStringLiteral("history.sqlite")))
                         .sellerTotals(QStringLiteral("demoseller"))
                         .value(0)
                         .visits,
                     2942);
        }
    }

    void tableRules_data() { addTableRows({"session/data/table.tsv"}); }

    void tableRules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, input);
        QTEST(tableRule(rule, input.split(u'|')), "expected");
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
