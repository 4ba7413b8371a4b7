#include "users/UserList.h"

#include "base/Messages.h"
#include "base/ProgramFolder.h"
#include "options/RichTextHolder.h"

#include <QFileInfo>

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

bool UserList::loadForChange(QWidget* parent, RichTextHolder* holder, const QString& fallback)
{
    const QFileInfo file(filePath());
    if (!file.exists() || (file.isFile() && file.size() == 0)) {
        holder->setText(fallback);
        return true;
    }
    if (holder->LoadFile(file.filePath()))
        return true;
    Messages::show(parent, QStringLiteral("User.rtf could not be read: ") + holder->lastError() +
                               QStringLiteral("\n\nThe file was left as it is."));
    return false;
}

bool UserList::save(QWidget* parent, RichTextHolder* holder)
{
    if (holder->SaveFile(filePath(), 0))
        return true;
    QString reason = holder->lastError();
    if (reason.isEmpty())
        reason = QStringLiteral("unknown error");
    Messages::show(parent, QStringLiteral("Could not save the user list: ") + reason);
    return false;
}
