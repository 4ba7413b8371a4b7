#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

class QWidget;
class RichTextHolder;

// The saved-user file User.rtf: its plain text is every User ID followed by
// a comma. Text after the last comma belongs to no entry.
namespace UserList {

QString filePath();

// The entries in file order; two commas in a row give an empty entry.
QStringList entries(QStringView text);

// Position of the first entry equal to id (exact, case-sensitive), or -1.
// The entry's comma follows it at position + id.size().
qsizetype find(QStringView text, QStringView id);

// Loads User.rtf as it is now into holder, before the list is changed and
// written back. A missing or empty file gives fallback (the list as last
// loaded), so that the write creates the file without dropping IDs the
// program knows of. A file that exists but cannot be read holds IDs that
// would be lost: false, after a message, and it must not be written.
bool loadForChange(QWidget* parent, RichTextHolder* holder, const QString& fallback);

// Writes holder to User.rtf (atomically: the old file stays whole on any
// failure) and reports a failure with a message box.
bool save(QWidget* parent, RichTextHolder* holder);

} // namespace UserList
