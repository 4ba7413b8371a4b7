#pragma once

#include "base/Outcome.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// The saved-user file User.rtf: its plain text is every User ID followed by
// a comma. Text after the last comma belongs to no entry.
namespace UserList {

QString filePath();

// The entries in file order; two commas in a row give an empty entry.
QStringList entries(QStringView text);

// Position of the first entry equal to id (exact, case-sensitive), or -1.
// The entry's comma follows it at position + id.size().
qsizetype find(QStringView text, QStringView id);

// The text of User.rtf; "error in LoadUsers" when it cannot be read.
Result<QString> load();

// A change of the list, made to the file as it is now, not to the list as
// last loaded: another copy of the program may have saved since.
struct Change
{
    Outcome outcome;
    QString fileText; // the file as read for the change (as last loaded when missing or empty)
    QString newText;  // what was written; valid when the outcome is ok
};

// Save User: appends id to the file and writes it.
Change add(const QString& id, const QString& lastLoaded);

// Yes, Delete: removes the first entry equal to id and writes the file
// back, removed or not, so that a missing file is created.
Change remove(const QString& id, const QString& lastLoaded);

} // namespace UserList
