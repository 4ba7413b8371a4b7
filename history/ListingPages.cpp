#include "history/ListingPages.h"

#include "base/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>
#include <QtEndian>

namespace ListingPages {
namespace {
// Compressed, a page keeps in a quarter of its size or less; a page of 400 kB
// in some 100 kB at most.
constexpr qint64 MaxKeptBytes = 16 * 1024 * 1024;
// The downloader's own limit on a page.
constexpr quint32 MaxPageBytes = 64 * 1024 * 1024;

QString fileFor(const QString& seller, MarkerTable table)
{
    // Percent-encoded, so any User ID makes one plain file name.
    const QString name =
        QString::fromLatin1(QUrl::toPercentEncoding(seller.trimmed().toLower(), {}, "."));
    return QDir(userDataFolder())
        .filePath(
            QStringLiteral("listing-pages/") + name +
            (table == MarkerTable::Sold ? QStringLiteral(".sold") : QStringLiteral(".active")));
}
} // namespace

bool keep(const QString& seller, MarkerTable table, const QString& page)
{
    const QString path = fileFor(seller, table);
    if (seller.trimmed().isEmpty() || !QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(qCompress(page.toUtf8())) >= 0 &&
           file.commit();
}

std::optional<Kept> kept(const QString& seller, MarkerTable table)
{
    QFile file(fileFor(seller, table));
    if (seller.trimmed().isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > MaxKeptBytes)
        return std::nullopt;
    const QByteArray data = file.readAll();
    // The first four bytes give the page's size: a damaged file never makes a huge one.
    if (data.size() < 4 || qFromBigEndian<quint32>(data.constData()) > MaxPageBytes)
        return std::nullopt;
    const QByteArray page = qUncompress(data);
    if (page.isEmpty())
        return std::nullopt;
    return Kept{QString::fromUtf8(page), file.fileTime(QFileDevice::FileModificationTime).toUTC()};
}

} // namespace ListingPages
