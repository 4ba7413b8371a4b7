#include "command_line/CommandLine.h"

#include "base/BuildInfo.h"
#include "base/ProgramFolder.h"
#include "options/OptionTexts.h"
#include "options/ScanMarkers.h"
#include "session/HistoryRecorder.h"
#include "session/ScanSession.h"
#include "users/UserList.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTextStream>

#include <cstring>

namespace {

// Nobody is there to press OK: what a window would show goes to the standard error.
void tell(const QString& text)
{
    QTextStream(stderr) << "quillmere: " << text << Qt::endl;
}

} // namespace

bool CommandLine::runsWithoutWindows(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version", "--scan"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
        if (std::strncmp(argv[i], "--scan=", 7) == 0)
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
    parser.setApplicationDescription(
        QStringLiteral(
            "Counts the visits of a seller's auction listings.\n\n"
            "Settings (the option files and User.rtf with the saved User IDs) live in the\n"
            "program's folder, %1, when it is writable and not\n"
            "where the program was installed. Otherwise they live in %2:\n"
            "the first start copies the installed files there, and a file missing there\n"
            "is copied again; the installed files are never written.\n"
            "Visit history: %3.\n\n"
            "Try it with the demo auction site: run quillmere-demo-site, then scan the User\n"
            "ID demoseller.")
            .arg(own, user, QDir::toNativeSeparators(userDataFolder())));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("scan"),
                      QStringLiteral("Without windows: save USERID as a User ID, run an Active "
                                     "scan for it, keep it in the visit history, print the table "
                                     "and exit."),
                      QStringLiteral("USERID")});
    parser.addOption({QStringLiteral("counter-searches"),
                      QStringLiteral("With --scan: first save N as the number of times to search "
                                     "for the counter, as the Options window does."),
                      QStringLiteral("N")});
}

QString CommandLine::chooseSettings()
{
    // Root could write the installed files too; they stay the package's.
    const bool installed = QDir(programFolder()) == QDir(BuildInfo::installedFolder());
    const SettingsFolder settings = chooseSettingsFolder(
        programFolder(), QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
        installed);
    setProgramFolder(settings.folder);
    return settings.message;
}

int CommandLine::main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    setNames();
    QCommandLineParser parser;
    describe(parser);
    parser.process(app); // --help and --version print and exit here
    if (const QString message = chooseSettings(); !message.isEmpty())
        tell(message);
    return runScan(parser.value(QStringLiteral("scan")),
                   parser.value(QStringLiteral("counter-searches")));
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
    if (const Result<QString> count = OptionFiles::loadCounterTryLimit();
        count && !OptionFiles::countOutOfRange(*count).isEmpty())
        tell(OptionFiles::countOutOfRange(*count));

    if (!counterSearches.isEmpty()) {
        options.tryCount = counterSearches;
        const OptionFiles::Saved saved = OptionFiles::save(options, loaded.unreadable);
        if (saved.countRejected)
            tell(QStringLiteral("Please input a number between 1 and 10"));
        if (const QString message = OptionFiles::savedMessage(saved); !message.isEmpty())
            tell(message);
    }
    const UserList::Change added = UserList::add(userId, savedUsers ? *savedUsers : QString());
    if (!added.outcome)
        tell(added.outcome.message());

    ScanSession session([&options](MarkerTable table) {
        return scanMarkers(table, options, OptionFiles::counterTryLimit());
    });
    HistoryRecorder history(&session);
    QObject::connect(&session, &ScanSession::notice, &session, tell);
    QObject::connect(&history, &HistoryRecorder::problem, &history, tell);
    session.setUserId(userId);
    session.runNow();

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
    return session.status() == ScanSession::taskComplete() ? 0 : 1;
}
