#include "users/UserList.h"

#include "base/ProgramFolder.h"
#include "options/RtfFile.h"

#include <QFileInfo>

namespace {

// A missing or empty file gives the list as last loaded, so that the write
// creates it without dropping IDs the program knows of. A file that is there
// but cannot be read holds IDs that a write would lose.
Result<QString> readForChange(const QString& lastLoaded)
{
    const QFileInfo file(UserList::filePath());
    if (!file.exists() || (file.isFile() && file.size() == 0))
        return lastLoaded;
    Result<QString> text = RtfFile::read(file.filePath());
    if (text)
        return text;
    return Outcome::failure(QStringLiteral("User.rtf could not be read: ") + text.message() +
                            QStringLiteral("\n\nThe file was left as it is."));
}

// Atomically: the old file stays whole on any failure.
Outcome save(const QString& text)
{
    if (const QString why = settingsReadOnly(); !why.isEmpty())
        return Outcome::failure(why);
    const Outcome written = RtfFile::write(UserList::filePath(), text);
    if (written)
        return written;
    const QString reason =
        written.message().isEmpty() ? QStringLiteral("unknown error") : written.message();
    return Outcome::failure(QStringLiteral("Could not save the user list: ") + reason);
}

} // namespace

QString UserList::filePath()
{
    return programFile(QStringLiteral("User.rtf"));
}

QStringList UserList::entries(QStringView text)
{
    QStringList list;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char(',')) {
            list.append(text.mid(start, i - start).toString());
            start = i + 1;
        }
    }
    return list;
}

qsizetype UserList::find(QStringView text, QStringView id)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char(','))
            continue;
        if (text.mid(start, i - start) == id)
            return start;
        start = i + 1;
    }
    return -1;
}

Result<QString> UserList::load()
{
    Result<QString> text = RtfFile::read(filePath());
    if (text)
        return text;
    return Outcome::failure(QStringLiteral("error in LoadUsers"));
}

UserList::Change UserList::add(const QString& id, const QString& lastLoaded)
{
    if (id.isEmpty())
        return {
            Outcome::failure(QStringLiteral("Please Input a valid user name to continue")), {}, {}};
    const Result<QString> file = readForChange(lastLoaded);
    if (!file)
        return {file.outcome(), {}, {}};
    if (find(*file, id) >= 0)
        return {Outcome::failure(QStringLiteral("User already exists in saved file")), *file, {}};
    const QString text = *file + id + QLatin1Char(',');
    return {save(text), *file, text};
}

UserList::Change UserList::remove(const QString& id, const QString& lastLoaded)
{
    const Result<QString> file = readForChange(lastLoaded);
    if (!file)
        return {file.outcome(), {}, {}};
    QString text = *file;
    const qsizetype at = find(text, id);
    if (at >= 0)
        text.remove(at, id.size() + 1);
    return {save(text), *file, text};
}
