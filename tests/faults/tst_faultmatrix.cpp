// A scan session against a misbehaving loopback server: every case ends with
// a clear status, without a crash or a hang, and keeps what arrived whole.
#include "session/ScanSession.h"
#include "transfer/Inet.h"

#include "LoopbackHttpServer.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QtTest>

using Answer = LoopbackHttpServer::Answer;
using Request = LoopbackHttpServer::Request;

namespace {

// Sized for the sanitizers too: the 5 MB pages fit, and it is passed by half.
constexpr qint64 BodyLimit = 8 * 1024 * 1024;
constexpr qint64 FirstItem = 110000010000LL; // 12 digits, as the auction marker takes

QByteArray listingRow(int i)
{
    const QByteArray n = QByteArray::number(i);
    QByteArray row =
        "<tr class=\"lst\"><td class=\"desc\"><a href=\"/ws/eBayISAPI.dll?ViewItem&rd=1&item=" +
        QByteArray::number(FirstItem + i) + "\" id=\"r" + n + "\"><span class=\"ttl\">Listing " +
        n + "</span></a></td>\n<td class=\"bids\">" + QByteArray::number(i % 7) +
        "</td>\n<td class=\"price\">$" + n + ".50</td>\n<td class=\"bin\">$" + n +
        "9.00</td>\n<td class=\"timeleft\">" + QByteArray::number(i % 5) + "d 07h</td>\n</tr>\n";
    // The scan steps 325 past each auction number, so rows stand 500 apart.
    return row + "<!--" + QByteArray(qMax(0, 493 - int(row.size())), '.') + "-->\n";
}

// The scan starts at character 2000.
const QByteArray PageHead = "<html><body>\n<!--" + QByteArray(2600, '=') + "-->\n<table>\n";

QByteArray listingPage(int rows)
{
    QByteArray html = PageHead;
    for (int i = 0; i < rows; ++i)
        html += listingRow(i);
    return html + "</table></body></html>\n";
}

QByteArray itemPage(int i)
{
    return "<html><body><h1>Item</h1>\n<!--" + QByteArray(1000, '.') +
           "-->\n<p>Page views: <font class=\"counter\">" + QByteArray::number(10000 + i) +
           "</font></p></body></html>\n";
}

} // namespace

class TestFaultMatrix : public QObject
{
    Q_OBJECT

private slots:
    void scan_data();
    void scan();
};

void TestFaultMatrix::scan_data()
{
    QTest::addColumn<bool>("visit"); // item 1 misbehaves, else the listing page
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("stopMs"); // Stop this long after the request; -1: never
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("visits");
    QTest::addColumn<QString>("shown"); // on the way: "Internet Error", "Stopped" or neither

    const QString error = QStringLiteral("Internet Error"), stopped = QStringLiteral("Stopped");
    // 10,000 near misses of the counter marker; 10,000 auction numbers that never close.
    const QByteArray crowded =
        QByteArray("<font class=\"countr\">00000</font>" + QByteArray(467, ' ') + '\n')
            .repeated(10000);
    const QByteArray unclosed =
        PageHead + QByteArray("<a href=\"?ViewItem&rd=1&item=" + QByteArray(470, '7') + "\">\n")
                       .repeated(10000);
    const qsizetype fiveRows = PageHead.size() + 5 * listingRow(0).size() + 40;

    const auto row = [](const char* name, bool visit, const Answer& a, int stopMs, int rows,
                        int visits, const QString& shown) {
        QTest::newRow(name) << visit << a << stopMs << rows << visits << shown;
    };
    row("listing never answers", false, Answer().after(-1), -1, 0, 0, error);
    // The first five rows arrived whole; the scan works with what it got.
    row("listing closes mid-body", false, Answer{200, listingPage(20)}.cut(fiveRows, true), -1, 5,
        5, error);
    row("listing too large, no Content-Length", false, Answer().fill(BodyLimit * 3 / 2, true), -1,
        0, 0, error);
    row("listing 5 MB, 10,000 unclosed markers", false, Answer{200, unclosed}, -1, 0, 0, QString());
    row("listing Stop before the answer", false, Answer().after(-1), 0, 0, 0, stopped);
    row("visit never answers", true, Answer().after(-1), -1, 3, 2, error);
    row("visit 5 MB, 10,000 near misses", true,
        Answer{200, crowded + "<font class=\"counter\">10001</font>"}, -1, 3, 3, QString());
    row("visit Stop before the answer", true, Answer().after(-1), 0, 3, 1, stopped);
}

void TestFaultMatrix::scan()
{
    QFETCH(bool, visit);
    QFETCH(Answer, answer);
    QFETCH(int, stopMs);
    QFETCH(int, rows);
    QFETCH(int, visits);
    QFETCH(QString, shown);

    TempProgramFolder folder;
    LoopbackHttpServer server;
    const QString base = server.url(QString()).toString();
    OptionTexts options = OptionFiles::load().texts; // where the listing and the items are:
    options.activeBefore[8] = base + QStringLiteral("/seller?user=");
    options.soldBefore[8] = base + QStringLiteral("/item?id=");
    ScanSession f([&options](MarkerTable table) { return scanMarkers(table, options, 2); });
    f.Timer5->setInterval(10);
    // With the stall limit far off, only Stop can end a fetch that never answers.
    f.Inet1->setStallTimeout(stopMs < 0 ? 300 : 60000);
    f.Inet1->setMaxBodyBytes(BodyLimit);

    const auto misbehave = [&f, answer, stopMs] {
        if (stopMs >= 0)
            QTimer::singleShot(stopMs, &f, [&f] { f.stop(); });
        return answer;
    };
    const auto itemOf = [](const Request& r) {
        return int(r.query.mid(3).toLongLong() - FirstItem);
    };
    server.route(QStringLiteral("/seller"), [=](const Request&) {
        return visit ? Answer{200, listingPage(3)} : misbehave();
    });
    server.route(QStringLiteral("/item"), [=](const Request& r) {
        return visit && itemOf(r) == 1 ? misbehave() : Answer{200, itemPage(itemOf(r))};
    });

    QStringList statuses;
    connect(&f, &ScanSession::statusChanged, &f,
            [&statuses](const QString& text) { statuses.append(text); });
    bool busy = false;
    connect(&f, &ScanSession::busyChanged, &f, [&busy](bool b) { busy = b; });
    QSignalSpy finished(&f, &ScanSession::scanFinished);
    f.setUserId(QStringLiteral("faulty"));
    f.start();
    QVERIFY2(finished.wait(30000), "the scan did not end");
    QVERIFY(!f.scanRunning() && !f.Inet1->StillExecuting() && f.startEnabled() && !busy);
    const QString error = QStringLiteral("Internet Error");
    // After Stop only the scan's ending: nothing of the stopped page.
    QVERIFY2(
        statuses.contains(error) == (shown == error) &&
            (shown.isEmpty() || statuses.contains(shown)) &&
            (shown != QLatin1String("Stopped") || statuses.indexOf(shown) == statuses.size() - 2),
        qPrintable(statuses.join(QStringLiteral(" > "))));
    // A listing page that failed to arrive whole is not a completed task.
    const bool failed = shown == error && !visit;
    QCOMPARE(f.status(), failed ? error : QStringLiteral("Task Complete"));
    QCOMPARE(f.statusColor(),
             failed ? ScanSession::StatusColor::Red : ScanSession::StatusColor::Green);

    // Every row filled is the served listing's, and every counter read is that item's.
    int read = 0, total = 0;
    for (int i = 0; i < AuctionTable::Rows; ++i) {
        const AuctionRow& row = f.table().rows[i];
        QCOMPARE(row.auction, i < rows ? QString::number(FirstItem + i) : QString());
        QCOMPARE(row.title, i < rows ? QStringLiteral("Listing %1").arg(i) : QString());
        QCOMPARE(row.visits, row.checked ? QString::number(10000 + i) : QString());
        read += row.checked;
        total += row.checked ? 10000 + i : 0;
    }
    QCOMPARE(read, visits);
    QCOMPARE(f.table().figures.visitTotal.value_or(-1), qint64(total));
    if (visit) {
        // The scan carried on past the bad page, never fetched it twice, and
        // after Stop fetched nothing more.
        QStringList fetched;
        for (const Request& r : server.requests())
            fetched << r.query;
        QCOMPARE(fetched.count(QStringLiteral("id=%1").arg(FirstItem + 1)), 1);
        QCOMPARE(fetched.count(QStringLiteral("id=%1").arg(FirstItem + 2)), stopMs < 0 ? 1 : 0);
    }
}

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"
