#include "options/RtfFile.h"

#include "options/RtfCodec.h"

#include <QFile>
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

Outcome RtfFile::write(const QString& path, const QString& text, int fileType)
{
    QSaveFile file(path);
    // A folder that forbids new files leaves no room for the temporary file;
    // the file itself may still be writable, so it is then written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return Outcome::failure(file.errorString());
    const QByteArray bytes = fileType == 1 ? text.toUtf8() : RtfCodec::write(text);
    // QSaveFile::commit() in Qt 6.4 does not notice a failed flush of its
    // buffer (a full disk), so flush first and let that failure count.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Outcome::failure(reason);
    }
    return Outcome::ok();
}
