#pragma once

#include "scan/ListingPhase.h"
#include "scan/MarkerSearch.h"

#include <QStringList>

// The scans written the slow way: every marker compared at every position in
// turn, as the listing and item pages were first read. The fast code must
// agree with these in every case. The stop checks are left out: the flag
// cannot change while these run.
namespace Literal {

// The text of `length` characters at `position`, shorter where the page ends.
QStringView cut(QStringView page, qsizetype position, qsizetype length);
bool standsAt(QStringView page, qsizetype position, QStringView marker);

Scan::FieldMatch findField(QStringView page, qsizetype start, qsizetype limit,
                           qsizetype firstDistance, qsizetype lastDistance, QStringView before,
                           QStringView after);
QString between(QStringView page, const Scan::FieldMatch& m);

Scan::CounterMatch findCounter(QStringView page, qsizetype start, QStringView basic,
                               QStringView retro);

// Everything one counter read shows, in order: "fetch", "cell <text> <colour>",
// "status <text>", "check", "Text3 <n>", "Text9 <n>". A write that repeats the
// one before it is not listed (it changes nothing). `pages` are the pages the
// fetches return, the last one again for any further fetch.
QStringList counterRead(const QStringList& pages, qsizetype start, QStringView basic,
                        QStringView retro, int tryLimit, int row = 0);

Scan::ActiveListing activeListing(QStringView page, const Scan::ActiveMarkers& markers,
                                  bool soldSelected);
Scan::SoldPass soldPass(QStringView page, const Scan::SoldMarkers& markers,
                        const std::array<QString, Scan::ListingRows>& auctionCells, int saleDates);

} // namespace Literal
