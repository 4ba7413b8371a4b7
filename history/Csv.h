#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Comma-separated text for spreadsheets: quoted where needed, CRLF line ends,
// UTF-8. A cell that a spreadsheet would run as a formula is written as text.
namespace Csv {
QString field(const QString& cell);
QByteArray text(const QList<QStringList>& rows);
// Writes through a temporary file, so a full disk never leaves half a file.
bool save(const QString& path, const QByteArray& text);
} // namespace Csv
