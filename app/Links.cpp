#include "app/Links.h"

#include <QDesktopServices>

QUrl Links::website()
{
    return QUrl(QStringLiteral("https://quillmere.example/"));
}

QUrl Links::donations()
{
    return QUrl(QStringLiteral("https://quillmere.example/donate"));
}

QUrl Links::itemView(const QString& itemAddress, const QString& auctionNumber)
{
    const QUrl item(itemAddress.trimmed(), QUrl::StrictMode);
    const QString scheme = item.scheme().toLower();
    QUrl view;
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        view.setScheme(scheme);
    else
        view.setScheme(QStringLiteral("http"));
    view.setHost(item.host().isEmpty() ? QStringLiteral("cgi.ebay.com") : item.host());
    view.setPort(item.port());
    view.setPath(QStringLiteral("/ws/eBayISAPI.dll"));
    const QByteArray number = QUrl::toPercentEncoding(auctionNumber);
    view.setQuery(QStringLiteral("ViewItem&rd=1&item=") + QString::fromLatin1(number),
                  QUrl::StrictMode);
    return view;
}

bool Links::openInBrowser(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;
    return QDesktopServices::openUrl(url);
}
