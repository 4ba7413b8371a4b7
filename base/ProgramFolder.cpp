#include "base/ProgramFolder.h"

#include <QStandardPaths>

#include <QCoreApplication>
#include <QDir>

namespace {
QString& overriddenFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString programFolder()
{
    if (!overriddenFolder().isEmpty())
        return overriddenFolder();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString& folder)
{
    overriddenFolder() = folder;
}

QString programFile(const QString& name)
{
    return QDir(programFolder()).filePath(name);
}

QString userDataFolder()
{
    const QString folder = qEnvironmentVariable("QUILLMERE_DATA_DIR");
    return folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                            : folder;
}
