#include "command_line/CommandLine.h"

#include "base/BuildInfo.h"
#include "base/ProgramFolder.h"
#include "options/OptionTexts.h"
#include "options/ScanMarkers.h"
#include "session/HistoryRecorder.h"
#include "session/ScanSession.h"
#include "transfer/Inet.h"
#include "users/UserList.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <cstring>

namespace {

enum Exit
{
    Completed = 0,
    ScanFailed = 1,
    BadArgument = 2,
};

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
            "Exit status of --scan: 0 the scan completed, 1 it did not (the site could\n"
            "not be reached, the seller is unknown, ...), 2 a bad argument (nothing done).\n\n"
            "Try it with the demo auction site: run quillmere-demo-site, then scan the User\n"
            "ID demoseller.")
            .arg(settings, QDir::toNativeSeparators(userDataFolder())));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("scan"),
                      QStringLiteral("Without windows: run an Active scan for USERID, keep it in "
                                     "the visit history, print the table, save USERID as a User "
                                     "ID if the scan completed, and exit."),
                      QStringLiteral("USERID")});
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
    return runScan(userId, parser.isSet(QStringLiteral("counter-searches")) ? QString::number(n)
                                                                            : QString());
}

int CommandLine::runScan(const QString& userId, const QString& counterSearches)
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
    ScanSession session([&options](MarkerTable table) {
        return scanMarkers(table, options, OptionFiles::counterTryLimit());
    });
    HistoryRecorder history(&session);
    QObject::connect(&session, &ScanSession::notice, &session, tell);
    QObject::connect(&history, &HistoryRecorder::problem, &history, tell);
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
    if (session.status() != ScanSession::taskComplete()) {
        const Inet::LastFetch& last = session.Inet1->lastFetch();
        tell(last.failed
                 ? session.Inet1->URL() + QStringLiteral(" could not be fetched: ") + last.error
                 : QStringLiteral("The scan of %1 did not complete: %2")
                       .arg(userId, session.status()));
        return ScanFailed; // and the User ID is not saved
    }
    const UserList::Change added = UserList::add(userId, savedUsers ? *savedUsers : QString());
    if (!added.outcome && !UserList::entries(added.fileText).contains(userId))
        tell(added.outcome.message());
    return Completed;
}
