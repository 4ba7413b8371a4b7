#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class QWidget;
class RichTextHolder;

// The saved-user file User.rtf: its plain text is every User ID followed by
// a comma. Text after the last comma belongs to no entry. The windows hand
// in their hidden holders; every failure is told in a message box over
// parent.
namespace UserList {

QString filePath();

// The entries in file order; two commas in a row give an empty entry.
QStringList entries(QStringView text);

// Position of the first entry equal to id (exact, case-sensitive), or -1.
// The entry's comma follows it at position + id.size().
qsizetype find(QStringView text, QStringView id);

// Loads User.rtf into list (the list as last loaded) and returns its entries;
// nothing, after "error in LoadUsers", when it cannot be loaded.
std::optional<QStringList> load(QWidget* parent, RichTextHolder* list);

// Save User: appends id to the file as it is now (read into check) and
// writes it through list, which keeps the last loaded list when the write
// fails. True when the file was written.
bool add(QWidget* parent, const QString& id, RichTextHolder* list, RichTextHolder* check);

// Yes, Delete: removes the first entry equal to id from the file as it is
// now (read into work) and writes the file back, removed or not, so that a
// missing file is created. True when the file was written.
bool remove(QWidget* parent, const QString& id, const QString& lastLoaded, RichTextHolder* work);

} // namespace UserList
