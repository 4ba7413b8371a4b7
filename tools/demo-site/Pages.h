#pragma once

#include <QString>

class Catalogue;
enum class Look;
struct Item;
struct Seller;

// Addresses the site answers besides /seller, /item and /sold.
namespace SitePaths {
inline QString signIn() // the sold-items sign-in page
{
    return QStringLiteral("/ws/eBayISAPI.dll?MyeBay&pageType=1883");
}
inline QString viewItem() // followed by the item number
{
    return QStringLiteral("/ws/eBayISAPI.dll?ViewItem&rd=1&item=");
}
inline QString bareListing() // where an unknown seller ends up
{
    return QStringLiteral("/_W0QQsocmdZListingCategoryList");
}
inline QString signInForm() // the form's POST target
{
    return QStringLiteral("/signin");
}
} // namespace SitePaths

// The HTML of every page. All text is plain ASCII, so a character position
// in the page equals its byte position on the wire.
namespace Pages {
QString home(const Catalogue& catalogue, bool signedIn);
QString sellerListing(const Seller& seller, const Catalogue& catalogue, bool signedIn, Look look);
QString sellerNotFound(bool signedIn);
// counterText: what the counter shows; ignored when the item has none.
QString itemPage(const Item* item, const QString& number, const QString& counterText,
                 bool signedIn);
QString signIn(const QString& error);
QString myEbay(const Catalogue& catalogue);
QString soldItems(const Catalogue& catalogue);
QString notFound(const QString& path, bool signedIn);
} // namespace Pages
