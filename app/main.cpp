#include "app/CommandLine.h"
#include "app/Shell.h"
#include "base/Messages.h"
#include "base/ProgramFolder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>
#include <QTextStream>

#include <unistd.h>

namespace {

void setNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(QUILLMERE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("net.quillmere.Quillmere"));
}

// Chromium will not start its sandbox as root, and the sign-in window would
// not open at all; every other user keeps the sandbox.
void allowBrowserAsRoot()
{
    if (::geteuid() != 0 || qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        return;
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QTextStream(stderr) << "quillmere: running as root, so the sign-in browser runs without its "
                           "sandbox; run Quillmere as a normal user to keep it.\n";
}

} // namespace

int main(int argc, char* argv[])
{
    if (CommandLine::asksForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        setNames();
        QCommandLineParser parser;
        CommandLine::describe(parser);
        parser.process(app); // prints and exits
        return 0;
    }
    allowBrowserAsRoot();
    QApplication app(argc, argv);
    setNames();
    QCommandLineParser parser;
    CommandLine::describe(parser);
    // Unknown options are left alone: Qt WebEngine takes Chromium's own.
    parser.parse(QCoreApplication::arguments());

    // Root could write the installed files too; they stay the package's.
    const bool installed =
        QDir(programFolder()) == QDir(QStringLiteral(QUILLMERE_INSTALLED_FOLDER));
    const SettingsFolder settings = chooseSettingsFolder(
        programFolder(), QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
        installed);
    setProgramFolder(settings.folder);
    const bool scan = parser.isSet(QStringLiteral("scan"));
    if (!settings.message.isEmpty()) {
        QTextStream(stderr) << "quillmere: " << settings.message << '\n';
        if (!scan)
            Messages::show(nullptr, settings.message);
    }
    if (scan)
        return CommandLine::runScan(parser.value(QStringLiteral("scan")),
                                    parser.value(QStringLiteral("counter-searches")));

    Shell shell;
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillmere/logo.svg")));
    shell.start();
    return app.exec();
}
