// An Active scan of the demo seller's 20 listings against the demo site
// holding every answer back (--delay-ms), side by side with the network
// floor measured in the same run: the same 21 pages fetched one after another
// by a bare QNetworkAccessManager. Also the TCP connections the site saw and
// the peak memory of the process.
//
//     bench_e2e [--runs N] [--delay-ms N] [--command PATH]
//     bench_e2e_window [--runs N] [--delay-ms N] [--with-browser]
//
// bench_e2e scans with a scan session and no window, the way `quillmere
// --scan` does; with --command it also runs that program (PATH to the built
// `quillmere`) against the same site and reports its time and peak memory.
// bench_e2e_window scans through the main window, with the sign-in browser
// open or not; run the two memory figures as separate invocations, so that
// the browser's pages do not count towards the figure without it.
#include "options/OptionTexts.h"
#include "options/ScanMarkers.h"
#include "session/ScanSession.h"
#include "transfer/Inet.h"

#include "DemoSiteProcess.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#if defined(BENCH_WINDOW)
#include "MessageRecorder.h"
#include "main_window/Form1.h"
#include "options/OptionsStore.h"
#include "signin/Form2.h"
#include <QApplication>
#include <QWebEngineView>
#else
#include <QCoreApplication>
#endif

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

namespace {

// A field of /proc/<pid>/status in KiB, 0 when absent.
qint64 statusKiB(const QString& pid, const char* field)
{
    QFile file(QStringLiteral("/proc/") + pid + QStringLiteral("/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

QString parentOf(const QString& pid)
{
    QFile file(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // pid (comm) state ppid ...; comm may hold blanks, so split after its ')'.
    const QByteArray stat = file.readAll();
    const QList<QByteArray> rest = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return rest.size() > 1 ? QString::fromLatin1(rest.at(1)) : QString();
}

QString commandOf(const QString& pid)
{
    QFile file(QStringLiteral("/proc/") + pid + QStringLiteral("/comm"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll().trimmed())
                                          : QString();
}

// Peak resident memory of the browser's helper processes below us (the demo
// site, also our child, is left out).
qint64 browserHelpersPeakKiB(int* count)
{
    const QString self = QString::number(QCoreApplication::applicationPid());
    const QStringList pids =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    qint64 total = 0;
    *count = 0;
    for (const QString& pid : pids) {
        bool number = false;
        pid.toInt(&number);
        if (!number || pid == self || !commandOf(pid).startsWith(QLatin1String("QtWebEngine")))
            continue;
        for (QString up = parentOf(pid);
             !up.isEmpty() && up != QLatin1String("0") && up != QLatin1String("1");
             up = parentOf(up)) {
            if (up == self) {
                total += statusKiB(pid, "VmHWM");
                ++*count;
                break;
            }
        }
    }
    return total;
}

double cpuSeconds()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The same pages, one GET after another, on one kept-alive connection.
double fetchFloorMs(const QStringList& urls)
{
    QNetworkAccessManager nam;
    QElapsedTimer clock;
    clock.start();
    for (const QString& url : urls) {
        QNetworkRequest request{QUrl(url)};
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        QNetworkReply* reply = nam.get(request);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        if (reply->error() != QNetworkReply::NoError)
            std::printf("floor fetch failed: %s\n", qPrintable(reply->errorString()));
        reply->readAll();
        delete reply;
    }
    return clock.nsecsElapsed() / 1e6;
}

// The same pages through the program's downloader alone, without the window.
double fetchWithInetMs(const QStringList& urls)
{
    Inet inet;
    QElapsedTimer clock;
    clock.start();
    for (const QString& url : urls) {
        if (inet.OpenURL(url).isEmpty())
            std::printf("Inet fetch of %s came back empty\n", qPrintable(url));
    }
    return clock.nsecsElapsed() / 1e6;
}

[[maybe_unused]] bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

// Runs `quillmere --scan demoseller` in the program folder's settings and
// returns its wall time in ms and its peak memory in KiB (from wait4).
bool runCommand(const QString& program, double* ms, long* peakKiB)
{
    const QByteArray path = QFile::encodeName(program);
    char* const argv[] = {const_cast<char*>(path.constData()), const_cast<char*>("--scan"),
                          const_cast<char*>("demoseller"), nullptr};
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0)
        return false;
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    *ms = clock.nsecsElapsed() / 1e6;
    *peakKiB = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Figures appear as they are taken, also through a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
#if defined(BENCH_WINDOW)
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The browser's sandbox cannot run as root.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif

    const QStringList args = app.arguments();
    const auto option = [&args](const char* name, int fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
    };
    const int runs = qMax(1, option("--runs", 5));
    const int delayMs = option("--delay-ms", 50);
    const qsizetype commandAt = args.indexOf(QStringLiteral("--command"));
    const QString command = commandAt >= 0 ? args.value(commandAt + 1) : QString();

    DemoSiteProcess site({QStringLiteral("--delay-ms"), QString::number(delayMs)});
    if (!site.isRunning()) {
        std::printf("the demo site did not start\n");
        return 1;
    }
    TempProgramFolder folder;
    if (!site.pointOptionsAt(folder)) {
        std::printf("could not point the options at the demo site\n");
        return 1;
    }
    const char* browserKind = "none";
#if defined(BENCH_WINDOW)
    // No modal message box may hold the run up.
    MessageRecorder messages;
    OptionsStore::discard();
    Form1 form;
    form.Form_Load();
    form.show();
    ScanSession& session = *form.session();
    if (args.contains(QStringLiteral("--with-browser"))) {
        browserKind = "the sign-in window Form2";
        Form2* signIn = Form2::showSignIn(&form, session.Inet1, {});
        bool loaded = false;
        QObject::connect(signIn->WebBrowser1, &QWebEngineView::loadFinished, &app,
                         [&loaded] { loaded = true; });
        if (!waitFor([&loaded] { return loaded; }, 60000))
            std::printf("the sign-in page did not finish loading\n");
    }
#else
    const OptionTexts options = OptionFiles::load().texts;
    ScanSession session([&options](MarkerTable table) { return scanMarkers(table, options, 2); });
#endif
    session.Timer5->setInterval(10); // the start delay is not part of the figure

    QElapsedTimer clock;
    double scanMs = 0;
    bool finished = false;
    QObject::connect(&session, &ScanSession::scanStarted, &app, [&] { clock.start(); });
    QObject::connect(&session, &ScanSession::scanFinished, &app, [&] {
        scanMs = clock.nsecsElapsed() / 1e6;
        finished = true;
    });

    std::printf("End-to-end Active scan, demo site --delay-ms %d, %d runs, browser: %s\n", delayMs,
                runs, browserKind);
    std::printf("%-4s %10s %10s %10s %8s %12s %9s %11s\n", "run", "scan ms", "floor ms", "Inet ms",
                "ratio", "connections", "requests", "scan CPU s");
    QList<double> scans;
    QList<double> floors;
    QList<double> inets;
    QStringList otherRequests;
    int firstScanConnections = -1;
    int allScanConnections = 0;
    QStringList urls;
    for (int run = 1; run <= runs; ++run) {
        const int connectionsBefore = site.connectionCount();
        const qsizetype requestsBefore = site.requestedPaths().size();
        const double cpuBefore = cpuSeconds();
        finished = false;
        session.setUserId(QStringLiteral("demoseller"));
        session.start();
        if (!waitFor([&finished] { return finished; }, 120000)) {
            std::printf("the scan did not finish\n");
            return 1;
        }
        const double cpu = cpuSeconds() - cpuBefore;
        if (session.status() != ScanSession::taskComplete() ||
            session.table().figures.countedRows != 20) {
            std::printf("the scan ended on \"%s\" with %d counters read\n",
                        qPrintable(session.status()), session.table().figures.countedRows);
            return 1;
        }
        const int connections = site.connectionCount() - connectionsBefore;
        const QStringList requested = site.requestedPaths().mid(requestsBefore);
        const qsizetype requests = requested.size();
        for (const QString& path : requested) {
            if (!path.startsWith(QLatin1String("/seller?")) &&
                !path.startsWith(QLatin1String("/item?")))
                otherRequests << path;
        }
        if (firstScanConnections < 0)
            firstScanConnections = connections;
        allScanConnections += connections;

        if (urls.isEmpty()) {
            urls << site.baseUrl() + QStringLiteral("/seller?user=demoseller");
            for (const AuctionRow& row : session.table().rows)
                urls << site.baseUrl() + QStringLiteral("/item?id=") + row.auction;
        }
        const double floor = fetchFloorMs(urls);
        const double inet = fetchWithInetMs(urls);
        scans << scanMs;
        floors << floor;
        inets << inet;
        std::printf("%-4d %10.1f %10.1f %10.1f %8.3f %12d %9lld %11.3f\n", run, scanMs, floor, inet,
                    scanMs / floor, connections, qint64(requests), cpu);
    }

    const double theoretical = 21.0 * delayMs;
    const double scanMedian = median(scans);
    const double floorMedian = median(floors);
    std::printf("\nmedian scan            %8.1f ms (scanStarted to scanFinished)\n", scanMedian);
    std::printf("median measured floor  %8.1f ms (21 sequential GETs, one connection)\n",
                floorMedian);
    std::printf(
        "median Inet alone      %8.1f ms (the same 21 pages, the downloader without the window)\n",
        median(inets));
    std::printf("theoretical floor      %8.1f ms (21 x %d ms)\n", theoretical, delayMs);
    std::printf("scan / measured floor  %8.3f (target <= 1.2)\n", scanMedian / floorMedian);
    std::printf("scan / theoretical     %8.3f\n", scanMedian / theoretical);
    std::printf("TCP connections        %8d in the first scan, %d in all %d scans (target 1)\n",
                firstScanConnections, allScanConnections, runs);
    if (!otherRequests.isEmpty())
        std::printf("other requests seen during the scans (not the scan's): %s\n",
                    qPrintable(otherRequests.join(QStringLiteral(", "))));

    const QString self = QString::number(QCoreApplication::applicationPid());
    const double peakMiB = statusKiB(self, "VmHWM") / 1024.0;
    std::printf("peak memory (VmHWM)    %8.1f MiB, this process\n", peakMiB);
    std::printf("resident now (VmRSS)   %8.1f MiB, this process\n",
                statusKiB(self, "VmRSS") / 1024.0);
    int helpers = 0;
    const double helpersMiB = browserHelpersPeakKiB(&helpers) / 1024.0;
    if (helpers > 0) {
        std::printf("browser helpers        %8.1f MiB, sum of the peaks of %d child processes\n",
                    helpersMiB, helpers);
        std::printf("all processes          %8.1f MiB\n", peakMiB + helpersMiB);
    }

    if (!command.isEmpty()) {
        // The command as a script or a timer runs it: no window, no display.
        // A copy in the program folder reads that folder's options, which
        // name this run's site.
        const QString copy = folder.file(QStringLiteral("quillmere"));
        if (!QFile::copy(command, copy)) {
            std::printf("cannot copy %s\n", qPrintable(command));
            return 1;
        }
        qputenv("QUILLMERE_DATA_DIR", QFile::encodeName(folder.path()));
        qunsetenv("DISPLAY");
        qunsetenv("QT_QPA_PLATFORM");
        QList<double> times;
        QList<double> peaks;
        for (int run = 0; run < runs; ++run) {
            double ms = 0;
            long peak = 0;
            if (!runCommand(copy, &ms, &peak)) {
                std::printf("%s --scan demoseller failed\n", qPrintable(command));
                return 1;
            }
            times << ms;
            peaks << peak / 1024.0;
        }
        std::printf("\n%s --scan demoseller, %d runs\n", qPrintable(command), runs);
        std::printf("median time            %8.1f ms (floor %.1f ms, ratio %.3f)\n", median(times),
                    floorMedian, median(times) / floorMedian);
        std::printf("median peak memory     %8.1f MiB (wait4 ru_maxrss; target < 30 MiB)\n",
                    median(peaks));
    }
    return 0;
}
