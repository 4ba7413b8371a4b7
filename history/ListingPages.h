#pragma once

#include "options/OptionTexts.h"

#include <QDateTime>
#include <QString>
#include <optional>

// The last listing page whose markers found listings, kept per seller and
// table in the user's data folder, so that when the site changes, Marker
// Check can show what changed around a value that is no longer there.
namespace ListingPages {

struct Kept
{
    QString page;
    QDateTime saved; // UTC
};

// Replaces the seller's kept page; false when it could not be written,
// which nothing waits for: the next working scan tries again.
bool keep(const QString& seller, MarkerTable table, const QString& page);
std::optional<Kept> kept(const QString& seller, MarkerTable table);

} // namespace ListingPages
