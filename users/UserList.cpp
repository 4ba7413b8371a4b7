#include "users/UserList.h"

#include "base/Messages.h"
#include "base/ProgramFolder.h"
#include "options/RichTextHolder.h"

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

bool UserList::loadOrFallBack(RichTextHolder* holder, const QString& fallback)
{
    if (holder->LoadFile(filePath()))
        return true;
    holder->setText(fallback);
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
