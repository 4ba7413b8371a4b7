#include "users/UserList.h"

#include "base/Messages.h"
#include "base/ProgramFolder.h"
#include "options/RichTextHolder.h"

#include <QFileInfo>

namespace {

// The file as it is now, not the list as last loaded: another copy of the
// program may have saved since. A missing or empty file gives the list as
// last loaded, so that the write creates it without dropping IDs the program
// knows of. A file that is there but cannot be read holds IDs that a write
// would lose: false, after a message.
bool loadForChange(QWidget* parent, RichTextHolder* holder, const QString& lastLoaded)
{
    const QFileInfo file(UserList::filePath());
    if (!file.exists() || (file.isFile() && file.size() == 0)) {
        holder->setText(lastLoaded);
        return true;
    }
    if (holder->LoadFile(file.filePath()))
        return true;
    Messages::show(parent, QStringLiteral("User.rtf could not be read: ") + holder->lastError() +
                               QStringLiteral("\n\nThe file was left as it is."));
    return false;
}

// Atomically: the old file stays whole on any failure.
bool save(QWidget* parent, RichTextHolder* holder)
{
    if (holder->SaveFile(UserList::filePath(), 0))
        return true;
    QString reason = holder->lastError();
    if (reason.isEmpty())
        reason = QStringLiteral("unknown error");
    Messages::show(parent, QStringLiteral("Could not save the user list: ") + reason);
    return false;
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

std::optional<QStringList> UserList::load(QWidget* parent, RichTextHolder* list)
{
    if (!list->LoadFile(filePath())) {
        Messages::show(parent, QStringLiteral("error in LoadUsers"));
        return std::nullopt;
    }
    return entries(list->Text());
}

bool UserList::add(QWidget* parent, const QString& id, RichTextHolder* list, RichTextHolder* check)
{
    if (id.isEmpty()) {
        Messages::show(parent, QStringLiteral("Please Input a valid user name to continue"));
        return false;
    }
    if (!loadForChange(parent, check, list->Text()))
        return false;
    if (find(check->Text(), id) >= 0) {
        Messages::show(parent, QStringLiteral("User already exists in saved file"));
        return false;
    }
    const QString loaded = list->Text();
    list->setText(check->Text() + id + QLatin1Char(','));
    if (save(parent, list))
        return true;
    list->setText(loaded); // the file still holds the old list
    return false;
}

bool UserList::remove(QWidget* parent, const QString& id, const QString& lastLoaded,
                      RichTextHolder* work)
{
    if (!loadForChange(parent, work, lastLoaded))
        return false;
    const qsizetype at = find(work->Text(), id);
    if (at >= 0) {
        work->setSelStart(int(at));
        work->setSelLength(int(id.size()) + 1);
        work->setSelText(QString());
    }
    return save(parent, work);
}
