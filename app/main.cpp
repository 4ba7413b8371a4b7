// `quillmere`: the program without its windows links only the core, so a
// scan from a script or a timer needs no display and never loads the
// browser and widget libraries; the windows come from a module beside the
// executable, loaded when they are wanted.
#include "command_line/CommandLine.h"

#include <QFileInfo>
#include <QLibrary>

#include <cstdio>

namespace {

int runWindows(int argc, char* argv[])
{
    const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    QLibrary module(QFileInfo(folder).absolutePath() + QStringLiteral("/quillmere-window"));
    using Entry = int (*)(int*, char*[]);
    const auto entry = reinterpret_cast<Entry>(module.resolve("quillmereWindowMain"));
    if (!entry) {
        std::fprintf(stderr, "quillmere: the windows cannot be loaded: %s\n",
                     qUtf8Printable(module.errorString()));
        return 1;
    }
    return entry(&argc, argv);
}

} // namespace

int main(int argc, char* argv[])
{
    if (CommandLine::runsWithoutWindows(argc, argv))
        return CommandLine::main(argc, argv);
    return runWindows(argc, argv);
}
