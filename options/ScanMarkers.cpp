#include "options/ScanMarkers.h"

#include "options/NumberText.h"

#include <QUrl>

ScanMarkers scanMarkers(MarkerTable table, const OptionTexts& texts, qint16 tryLimit)
{
    const OptionTexts::Column& before = texts.before(table);
    const OptionTexts::Column& after = texts.after(table);
    const auto pair = [&](int row) { return Scan::MarkerPair{before[row], after[row]}; };
    ScanMarkers m;
    m.auction = pair(0);
    m.title = pair(1);
    m.timeLeft = pair(4);
    m.startPrice = pair(5);
    m.bids = pair(6);
    m.price = pair(7);
    m.counterBasic = before[2];
    m.counterRetro = before[3];
    m.counterStart = roundHalfEven(leadingNumberValue(texts.counterStart));
    m.tryLimit = tryLimit;
    m.listingBefore = texts.activeBefore[8];
    m.listingAfter = texts.activeAfter[8];
    m.soldAddress = texts.soldBefore[7];
    m.itemBefore = texts.soldBefore[8];
    m.itemAfter = texts.soldAfter[8];
    return m;
}

QString ScanMarkers::listingAddress(const QString& userId) const
{
    // A User ID is one query value: "&", "=" or "#" in it must not reach the
    // address as such.
    return listingBefore + QString::fromLatin1(QUrl::toPercentEncoding(userId)) + listingAfter;
}

QString ScanMarkers::itemAddress(const QString& auction) const
{
    return itemBefore + auction + itemAfter;
}

Scan::ActiveMarkers ScanMarkers::activeFields() const
{
    return {auction, title, timeLeft, startPrice, bids, price};
}

Scan::SoldMarkers ScanMarkers::soldFields() const
{
    return {auction, title, timeLeft, startPrice, bids};
}

Scan::CounterSettings ScanMarkers::counter() const
{
    return {counterStart, tryLimit, counterBasic, counterRetro};
}

QString ScanMarkers::bareListingAddress() const
{
    // The listings host is the host of the seller listing address, so one
    // installation's option files name one site.
    const QUrl listing(listingBefore.trimmed());
    QUrl bare;
    bare.setScheme(QStringLiteral("http"));
    bare.setHost(listing.host().isEmpty() ? QStringLiteral("listings.ebay.com") : listing.host());
    bare.setPort(listing.port());
    bare.setPath(QStringLiteral("/_W0QQsocmdZListingCategoryList"));
    return bare.toString(QUrl::FullyEncoded);
}
