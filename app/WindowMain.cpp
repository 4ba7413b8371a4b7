#include "app/WindowMain.h"

#include "app/Shell.h"
#include "base/Messages.h"
#include "command_line/CommandLine.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTextStream>

#include <unistd.h>

namespace {

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

int windowMain(int& argc, char* argv[])
{
    allowBrowserAsRoot();
    QApplication app(argc, argv);
    CommandLine::setNames();
    QGuiApplication::setDesktopFileName(QStringLiteral("net.quillmere.Quillmere"));
    QCommandLineParser parser;
    CommandLine::describe(parser);
    // Unknown options are left alone: Qt WebEngine takes Chromium's own.
    parser.parse(QCoreApplication::arguments());

    for (const QString& note : CommandLine::chooseSettings()) {
        QTextStream(stderr) << "quillmere: " << note << '\n';
        Messages::show(nullptr, note);
    }
    Shell shell;
    if (parser.isSet(QStringLiteral("sign-in")))
        QObject::connect(&shell, &Shell::mainWindowShown, &shell,
                         [&shell] { shell.mainWindow()->chooseSold(); });
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillmere/logo.svg")));
    shell.start();
    return app.exec();
}
