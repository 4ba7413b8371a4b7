#include "options/RtfFile.h"

#include "options/RtfCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

Result<QString> RtfFile::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::failure(file.errorString());
    const QString tooLarge = QStringLiteral("The file is too large.");
    const qint64 size = file.size();
    if (size > MaxSize)
        return Outcome::failure(tooLarge);
    // read(n) allocates n bytes up front, so ask for what the file holds;
    // a file that grew since its size was taken is read to its end.
    QByteArray bytes = file.read(size);
    if (!file.atEnd())
        bytes += file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Outcome::failure(file.errorString());
    if (bytes.size() > MaxSize)
        return Outcome::failure(tooLarge);
    std::optional<QString> text = RtfCodec::read(bytes);
    if (!text)
        return Outcome::failure(QStringLiteral("The file is not an RTF document."));
    return std::move(*text);
}

namespace {

// In place, with the old bytes kept: the part that grows the file is written
// first (a full disk refuses it while the old text is still whole), then the
// old bytes are overwritten, which takes no new room; any failure puts the
// old bytes back.
Outcome writeInPlace(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    // Unbuffered: a write the disk refuses fails at once, and no refused
    // bytes wait in a buffer to land with the next write.
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return Outcome::failure(file.errorString());
    const QByteArray old = file.readAll();
    const qint64 overlap = qMin(old.size(), bytes.size());
    const QByteArray tail = bytes.mid(overlap);
    const auto at = [&file](qint64 position, const QByteArray& part) {
        return file.seek(position) && file.write(part) == part.size() && file.flush();
    };
    if ((tail.isEmpty() || at(overlap, tail)) && at(0, bytes.left(overlap)) &&
        file.resize(bytes.size()))
        return Outcome::ok();
    const QString reason = file.errorString();
    file.resize(old.size());
    at(0, old);
    return Outcome::failure(reason);
}

} // namespace

Outcome RtfFile::write(const QString& path, const QString& text, int fileType)
{
    const QByteArray bytes = fileType == 1 ? text.toUtf8() : RtfCodec::write(text);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        // A folder that forbids new files leaves no room for the temporary
        // file; the file itself may still be writable.
        if (QFileInfo(path).isFile())
            return writeInPlace(path, bytes);
        return Outcome::failure(file.errorString());
    }
    // QSaveFile::commit() in Qt 6.4 does not notice a failed flush of its
    // buffer (a full disk), so flush first and let that failure count.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Outcome::failure(reason);
    }
    return Outcome::ok();
}
