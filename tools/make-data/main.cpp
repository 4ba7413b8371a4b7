// Writes the installed option files from options.txt with the program's own
// RTF writer, so that the shipped files are exactly what the program saves,
// and an empty saved-user list User.rtf beside them.
#include "OptionList.h"
#include "options/RtfCodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() < 2 || args.size() > 3) {
        err << "usage: make-data OUTPUT_FOLDER [LIST]\n"
               "LIST defaults to the options.txt of the source tree.\n";
        return 2;
    }
    const QString listPath = args.size() == 3 ? args[2] : QStringLiteral(MAKE_DATA_DEFAULT_LIST);
    QFile list(listPath);
    if (!list.open(QIODevice::ReadOnly)) {
        err << listPath << ": " << list.errorString() << '\n';
        return 1;
    }
    QString error;
    const auto entries = parseOptionList(list.readAll(), &error);
    if (!entries) {
        err << listPath << ": " << error << '\n';
        return 1;
    }
    const QDir out(args[1]);
    if (!out.mkpath(QStringLiteral("."))) {
        err << args[1] << ": cannot create the folder\n";
        return 1;
    }
    // The saved-user list always ships empty; the list names only options.
    QList<OptionFileEntry> files = *entries;
    if (std::none_of(files.cbegin(), files.cend(),
                     [](const OptionFileEntry& e) { return e.name == QLatin1String("User.rtf"); }))
        files.append({QStringLiteral("User.rtf"), QString()});
    for (const OptionFileEntry& entry : files) {
        QSaveFile file(out.filePath(entry.name));
        if (!file.open(QIODevice::WriteOnly) || file.write(RtfCodec::write(entry.text)) < 0 ||
            !file.commit()) {
            err << file.fileName() << ": " << file.errorString() << '\n';
            return 1;
        }
    }
    QTextStream(stdout) << "wrote " << files.size() << " files to " << out.path() << '\n';
    return 0;
}
