#pragma once

#include "base/Outcome.h"

#include <QString>

// An RTF file as the program keeps its settings: one plain text per file.
// Every option file and User.rtf is read and written through here.
namespace RtfFile {

// Larger files are refused unread: a settings file is a few hundred bytes.
inline constexpr qint64 MaxSize = 64 * 1024 * 1024;

// The plain text of the file; a failure says why (missing, unreadable,
// larger than MaxSize, not RTF).
Result<QString> read(const QString& path);

// Writes text as an RTF document (fileType 0) or as UTF-8 plain text
// (fileType 1) through a file beside the target that is renamed over it, so
// the old file stays whole when anything fails. In a folder that forbids new
// files the file is written in place, and put back as it was on a failure.
Outcome write(const QString& path, const QString& text, int fileType = 0);

} // namespace RtfFile
