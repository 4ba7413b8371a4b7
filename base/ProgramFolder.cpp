#include "base/ProgramFolder.h"

#include <QStandardPaths>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
QString& overriddenFolder()
{
    static QString folder;
    return folder;
}

QString& readOnlyReason()
{
    static QString why;
    return why;
}
} // namespace

QString settingsReadOnly()
{
    return readOnlyReason();
}

void setSettingsReadOnly(const QString& why)
{
    readOnlyReason() = why;
}

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

SettingsFolder chooseSettingsFolder(const QString& programFolder, const QString& userFolder,
                                    bool installed)
{
    if (!installed && QFileInfo(programFolder).isWritable())
        return {programFolder, {}};
    const auto readOnly = [&](const QString& problem) {
        return SettingsFolder{programFolder,
                              problem +
                                  QStringLiteral("\n\nQuillmere uses the installed settings in %1; "
                                                 "options and User IDs cannot be saved.")
                                      .arg(QDir::toNativeSeparators(programFolder)),
                              true};
    };
    const QDir user(userFolder);
    if (!user.mkpath(QStringLiteral(".")))
        return readOnly(QStringLiteral("The settings folder %1 could not be created.")
                            .arg(QDir::toNativeSeparators(userFolder)));
    const QDir program(programFolder);
    for (const QString& name : program.entryList({QStringLiteral("*.rtf")}, QDir::Files)) {
        // Only what is missing: the user's own settings are never replaced.
        const QString copy = user.filePath(name);
        if (QFileInfo::exists(copy))
            continue;
        if (!QFile::copy(program.filePath(name), copy))
            return readOnly(QStringLiteral("%1 could not be copied to %2.")
                                .arg(name, QDir::toNativeSeparators(userFolder)));
        // The copy keeps the installed file's modes, which may forbid writing it.
        QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ReadOwner |
                                        QFileDevice::WriteOwner);
    }
    return {userFolder, {}};
}
