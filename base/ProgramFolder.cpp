#include "base/ProgramFolder.h"

#include <QStandardPaths>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

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

// What the shipped files were when the user's copy last looked: one
// "sha256 name" line each, so a changed one is told once.
const QString ShippedRecord = QStringLiteral(".shipped-option-files");

QByteArray contentHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

QHash<QString, QByteArray> parseShippedRecord(const QByteArray& text)
{
    QHash<QString, QByteArray> hashes;
    for (const QByteArray& line : text.split('\n'))
        if (const int space = line.indexOf("  "); space > 0)
            hashes.insert(QString::fromUtf8(line.mid(space + 2)), line.left(space));
    return hashes;
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

SettingsFolder chooseSettingsFolder(const QString& shippedFolder, const QString& userFolder,
                                    bool installed)
{
    if (!installed && QFileInfo(shippedFolder).isWritable())
        return {shippedFolder, {}, false, {}};
    const auto readOnly = [&](const QString& problem) {
        return SettingsFolder{shippedFolder,
                              problem +
                                  QStringLiteral("\n\nQuillmere uses the installed settings in %1; "
                                                 "options and User IDs cannot be saved.")
                                      .arg(QDir::toNativeSeparators(shippedFolder)),
                              true,
                              {}};
    };
    const QDir user(userFolder);
    if (!user.mkpath(QStringLiteral(".")))
        return readOnly(QStringLiteral("The settings folder %1 could not be created.")
                            .arg(QDir::toNativeSeparators(userFolder)));
    const QDir shipped(shippedFolder);
    QFile recordFile(user.filePath(ShippedRecord));
    const QByteArray oldRecord =
        recordFile.open(QIODevice::ReadOnly) ? recordFile.readAll() : QByteArray();
    const QHash<QString, QByteArray> seen = parseShippedRecord(oldRecord);
    QByteArray record;
    QStringList changed;
    for (const QString& name : shipped.entryList({QStringLiteral("*.rtf")}, QDir::Files)) {
        const QString copy = user.filePath(name);
        const QByteArray hash = contentHash(shipped.filePath(name));
        record += hash + "  " + name.toUtf8() + '\n';
        // Only what is missing: the user's own settings are never replaced.
        if (QFileInfo::exists(copy)) {
            if (seen.contains(name) && seen.value(name) != hash && contentHash(copy) != hash)
                changed << name;
            continue;
        }
        if (!QFile::copy(shipped.filePath(name), copy))
            return readOnly(QStringLiteral("%1 could not be copied to %2.")
                                .arg(name, QDir::toNativeSeparators(userFolder)));
        // The copy keeps the installed file's modes, which may forbid writing it.
        QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ReadOwner |
                                        QFileDevice::WriteOwner);
    }
    // Not kept, the changes are told again next time: better than never.
    QSaveFile saved(user.filePath(ShippedRecord));
    if (record != oldRecord && saved.open(QIODevice::WriteOnly) &&
        saved.write(record) == record.size())
        saved.commit();
    return {userFolder, {}, false, changed};
}

QString shippedChangesMessage(const SettingsFolder& settings, const QString& shippedFolder)
{
    if (settings.changedShipped.isEmpty())
        return {};
    return QStringLiteral("This version of Quillmere ships changed option files: %1.\n\n"
                          "Your own copies in %2 are kept. To use a shipped file instead, "
                          "copy it from %3.")
        .arg(settings.changedShipped.join(QStringLiteral(", ")),
             QDir::toNativeSeparators(settings.folder), QDir::toNativeSeparators(shippedFolder));
}
