#include "command_line/CommandLine.h"

#include "base/BuildInfo.h"
#include "base/ProgramFolder.h"
#include "options/OptionTexts.h"
#include "options/ScanMarkers.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduledRun.h"
#include "session/HistoryRecorder.h"
#include "session/ScanSession.h"
#include "transfer/Inet.h"
#include "users/UserList.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTextStream>

#include <cstring>

namespace {

using ScheduledRun::BadArgument;
using ScheduledRun::Busy;
using ScheduledRun::Completed;
using ScheduledRun::Exit;
using ScheduledRun::Failed;
using ScheduledRun::FoundNothing;
using ScheduledRun::UnknownSeller;

// Nobody is there to press OK: what a window would show goes to the standard error.
void tell(const QString& text)
{
    QTextStream(stderr) << "quillmere: " << text << Qt::endl;
}

} // namespace

bool CommandLine::runsWithoutWindows(int argc, char* argv[])
{
    // Qt's own options of a window program, which Qt also takes with "--",
    // and ours that open the window.
    static const char* const windowOptions[] = {
        "platform",     "platformtheme", "platformpluginpath",
        "plugin",       "style",         "stylesheet",
        "reverse",      "session",       "qwindowgeometry",
        "qwindowtitle", "qwindowicon",   "display",
        "geometry",     "sign-in"};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--webEngineArgs") == 0)
            return false; // the rest are the browser's
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "-v") == 0)
            return true;
        if (std::strncmp(arg, "--", 2) != 0)
            continue;
        // Ours, or a mistyped one, which must fail rather than open the window.
        const std::size_t name = std::strcspn(arg + 2, "=");
        bool window = false;
        for (const char* option : windowOptions)
            window =
                window || (std::strlen(option) == name && std::strncmp(arg + 2, option, name) == 0);
        if (!window)
            return true;
    }
    return false;
}

void CommandLine::setNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    QCoreApplication::setApplicationVersion(BuildInfo::version());
}

void CommandLine::describe(QCommandLineParser& parser)
{
    const QString own = QDir::toNativeSeparators(programFolder());
    const QString user = QDir::toNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    // The folder in use, as the About box shows it; an installed copy's own
    // folder never holds the user's settings.
    const bool installed = QDir(programFolder()) == QDir(BuildInfo::installedFolder());
    const QString settings = installed || !QFileInfo(programFolder()).isWritable() ? user : own;
    parser.setApplicationDescription(
        QStringLiteral(
            "Counts the visits of a seller's auction listings.\n\n"
            "Settings (the option files and User.rtf with the saved User IDs): %1\n"
            "Visit history: %2\n\n"
            "Exit status of --scan: 0 the scan completed; 1 the site could not be reached;\n"
            "2 a bad argument (nothing done); 3 the site does not know the seller; 4 no\n"
            "listing, or no counter on any item page, was found; 5 another scan of the same\n"
            "seller still ran after 10 minutes (nothing done). Scans of one seller run one\n"
            "after another: a second waits for the first to end.\n\n"
            "Try it with the demo auction site: run quillmere-demo-site, then scan the User\n"
            "ID demoseller.")
            .arg(settings, QDir::toNativeSeparators(userDataFolder())));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("scan"),
                      QStringLiteral("Without windows: run an Active scan for USERID, keep it in "
                                     "the visit history, print the table, save USERID as a User "
                                     "ID if the scan completed (exit status 0), and exit."),
                      QStringLiteral("USERID")});
    parser.addOption({QStringLiteral("scheduled"),
                      QStringLiteral("With --scan: the run of a timer (Tools > Scheduled Scans): "
                                     "kept in the history as scheduled, one line on the standard "
                                     "error, and a desktop notice when it finds a problem.")});
    parser.addOption({QStringLiteral("sign-in"),
                      QStringLiteral("Open the window with Sold chosen, so the sign-in browser "
                                     "opens at once.")});
    parser.addOption({QStringLiteral("counter-searches"),
                      QStringLiteral("With --scan: first save N (1 to 10) as the number of times "
                                     "to search for the counter, as the Options window does."),
                      QStringLiteral("N")});
}

QStringList CommandLine::chooseSettings()
{
    // Root could write the installed files too; they stay the package's.
    const bool installed = QDir(programFolder()) == QDir(BuildInfo::installedFolder());
    const QString shipped = installed ? BuildInfo::shippedFolder() : programFolder();
    const SettingsFolder settings = chooseSettingsFolder(
        shipped, QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation), installed);
    setProgramFolder(settings.folder);
    setSettingsReadOnly(settings.readOnly ? settings.message : QString());
    QStringList notes{settings.message, shippedChangesMessage(settings, shipped)};
    notes.removeAll(QString());
    return notes;
}

int CommandLine::main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    setNames();
    QCommandLineParser parser;
    describe(parser);
    // Every argument is checked before anything is read or written.
    const auto bad = [](const QString& why) {
        tell(why + QStringLiteral("\nTry quillmere --help."));
        return BadArgument;
    };
    if (!parser.parse(app.arguments()))
        return bad(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return bad(QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first());
    const QString userId = parser.value(QStringLiteral("scan")).trimmed();
    if (userId.isEmpty())
        return bad(QStringLiteral("--scan needs a User ID."));
    const QString count = parser.value(QStringLiteral("counter-searches"));
    bool number = false;
    const int n = count.trimmed().toInt(&number);
    if (parser.isSet(QStringLiteral("counter-searches")) && (!number || n < 1 || n > 10))
        return bad(QStringLiteral("--counter-searches wants a number from 1 to 10, not \"") +
                   count + u'"');
    for (const QString& note : chooseSettings())
        tell(note);
    return runScan(
        userId, parser.isSet(QStringLiteral("counter-searches")) ? QString::number(n) : QString(),
        parser.isSet(QStringLiteral("scheduled")));
}

int CommandLine::runScan(const QString& userId, const QString& counterSearches, bool scheduled)
{
    // As the main window starts: the options, the saved users, the count.
    QDir::setCurrent(programFolder());
    const OptionFiles::Loaded loaded = OptionFiles::load();
    OptionTexts options = loaded.texts;
    if (!loaded.failures.isEmpty())
        tell(OptionFiles::unreadableMessage(loaded.failures));
    Result<QString> savedUsers = UserList::load();
    if (!savedUsers)
        tell(savedUsers.message());
    // A missing file keeps the limit of 2.
    const Result<QString> count = OptionFiles::loadCounterTryLimit();
    if (const QString note = count ? OptionFiles::countOutOfRange(*count) : QString();
        !note.isEmpty())
        tell(note);

    if (!counterSearches.isEmpty()) {
        options.tryCount = counterSearches;
        const OptionFiles::Saved saved = OptionFiles::save(options, loaded.unreadable);
        if (saved.countRejected)
            tell(QStringLiteral("Please input a number between 1 and 10"));
        if (const QString message = OptionFiles::savedMessage(saved); !message.isEmpty())
            tell(message);
    }
    // Two scans of one seller at once would count each other's page views as
    // visits and could be told the same problem twice: the second waits for
    // the first to end, then scans. A window's scan is the user's and never waits.
    QDir().mkpath(userDataFolder());
    QLockFile lock(QDir(userDataFolder())
                       .filePath(QStringLiteral("scan-") + Schedule::systemdEscape(userId) +
                                 QStringLiteral(".lock")));
    lock.setStaleLockTime(0); // a lock whose process is gone is taken over at once
    const bool waits = !lock.tryLock(0) && lock.error() == QLockFile::LockFailedError;
    if (waits)
        tell(QStringLiteral("Another scan of %1 runs; this one waits for it to end.").arg(userId));
    if (waits && !lock.tryLock(10 * 60 * 1000) && lock.error() == QLockFile::LockFailedError) {
        tell(QStringLiteral("Another scan of %1 still runs after 10 minutes; this one is skipped.")
                 .arg(userId));
        return Busy;
    }

    ScanSession session([&options](MarkerTable table) {
        return scanMarkers(table, options, OptionFiles::counterTryLimit());
    });
    session.setScheduled(scheduled);
    HistoryRecorder history(&session);
    QObject::connect(&session, &ScanSession::notice, &session, tell);
    QObject::connect(&history, &HistoryRecorder::problem, &history, tell);
    ScanSession::Finished finished;
    QObject::connect(&session, &ScanSession::scanFinished, &session,
                     [&finished](const ScanSession::Finished& f) { finished = f; });
    const QDateTime started = QDateTime::currentDateTimeUtc();
    session.setUserId(userId);
    session.runNow();
    history.flush();

    QTextStream out(stdout);
    const AuctionTable& table = session.table();
    for (const AuctionRow& row : table.rows) {
        if (row.auction.isEmpty())
            continue;
        out << row.auction << '\t' << row.title << '\t' << row.visits << '\t' << row.timeLeft
            << '\n';
    }
    const SelectionTotals totals = table.selectionTotals();
    out << "auctions " << totals.auctions << ", visits " << totals.visits << ", average "
        << totals.average << '\n'
        << session.status() << Qt::endl;
    const Inet::LastFetch& last = session.Inet1->lastFetch();
    const QString fetchError =
        session.Inet1->URL() + QStringLiteral(" could not be fetched: ") + last.error;
    Exit exit = Completed;
    if (session.status() == QLatin1String("User Search Error"))
        exit = UnknownSeller;
    else if (session.status() != ScanSession::taskComplete())
        exit = Failed;
    else if (finished.markersLost())
        exit = FoundNothing;
    if (scheduled) {
        // One line per scan, for the journal.
        tell(QStringLiteral("scheduled scan of %1: %2, %3 listings read, %4 visits%5")
                 .arg(userId, session.status())
                 .arg(totals.auctions.isEmpty() ? QStringLiteral("0") : totals.auctions)
                 .arg(totals.visits.isEmpty() ? QStringLiteral("0") : totals.visits)
                 .arg(exit == Failed && last.failed ? QStringLiteral("; ") + fetchError
                                                    : QString()));
        HistoryStore store;
        const QList<Notice> found =
            ScheduledRun::problems(userId, exit, finished.noListings,
                                   exit == FoundNothing && store.hadListings(userId, started),
                                   fetchError) +
            ScheduledRun::visitsProblems(store, userId);
        for (const QString& line : ScheduledRun::tell(store, userId, found))
            tell(line);
    }
    if (exit != Completed) {
        if (scheduled)
            return exit;
        if (exit == FoundNothing)
            tell(QStringLiteral("The scan of %1 found no listing, or no counter on any item page.")
                     .arg(userId));
        else
            tell(last.failed ? fetchError
                             : QStringLiteral("The scan of %1 did not complete: %2")
                                   .arg(userId, session.status()));
        return exit; // and the User ID is not saved
    }
    const UserList::Change added = UserList::add(userId, savedUsers ? *savedUsers : QString());
    if (!added.outcome && !UserList::entries(added.fileText).contains(userId))
        tell(added.outcome.message());
    return Completed;
}
