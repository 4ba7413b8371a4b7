#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

// Plain text <-> RTF document, with no files or widgets involved.
namespace RtfCodec {

// The whole document for a text, in the shape the option files have always had:
//   {\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fnil\fcharset0 MS Sans Serif;}}CRLF
//   \viewkind4\uc1\pard\lang1033\f0\fs17 TEXT\par CRLF
//   }CRLF
// Lines end in CRLF, as the files written on Windows did. Inside TEXT a line
// feed becomes \par CRLF, a tab \tab, \ { } are escaped, characters of code page
// 1252 above 127 and control characters become \'hh, and everything else \uN?
// (N the signed 16-bit code unit, so a surrogate pair is two \u words).
QByteArray write(QStringView text);

// The plain text of an RTF document, or nothing when the bytes are not RTF
// (they must begin with "{\rtf", after a UTF-8 byte order mark if there is
// one). Tolerant of what real writers produce: non-text destinations and
// {\*...} groups are skipped, \'hh is read in the code page of the current
// font's \fcharset or \cpg (older rich edit controls write non-Latin text
// so), else in the document's (\ansicpg, 1252 when absent; any code page
// Qt's converters know, else 1252), \uN skips its \ucN fallback
// characters, \par and \line give a line feed, \tab a tab, \binN data is
// skipped.
// Only the last paragraph mark of the document is dropped, and only when
// no text follows it. A document whose outer group never closes is cut off
// and not read; text after the brace that closes it is ignored. Raw CR, LF and NUL bytes are
// ignored as RTF requires. Time and memory are linear in the input size,
// whatever the nesting depth.
std::optional<QString> read(QByteArrayView rtf);

} // namespace RtfCodec
