#include "main_window/Form1.h"

#include "options/OptionsStore.h"

#include <QUrl>

QString Form1::bareListingAddress() const
{
    // The listings host is the host of the seller listing address, so one
    // installation's option files name one site.
    const QUrl listing(OptionsStore::before(MarkerTable::Active, 8).trimmed());
    QUrl bare;
    bare.setScheme(QStringLiteral("http"));
    bare.setHost(listing.host().isEmpty() ? QStringLiteral("listings.ebay.com") : listing.host());
    bare.setPort(listing.port());
    bare.setPath(QStringLiteral("/_W0QQsocmdZListingCategoryList"));
    return bare.toString(QUrl::FullyEncoded);
}
