#pragma once

#include <QString>
#include <QUrl>

// Addresses that lead out of the program to the user's browser.
namespace Links {

// The maker's pages, in one place.
QUrl website();
QUrl donations();

// The item-view page of an auction on the site whose item pages the option
// files name (scheme, host and port of the item address). The auction number
// is percent-encoded into the query, so text cut out of a page can never
// change the address's host or path. Without a usable item address the
// auction site's own item-view host is used.
QUrl itemView(const QString& itemAddress, const QString& auctionNumber);

// Hands an http or https address to the desktop's browser; anything else is
// refused. The result is not looked at by the callers.
bool openInBrowser(const QUrl& url);

} // namespace Links
