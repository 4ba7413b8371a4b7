#pragma once

#include "options/OptionTexts.h"
#include "scan/CounterRead.h"
#include "scan/ListingPhase.h"

#include <QString>
#include <functional>

// Everything a scan reads from the options, by name. Built afresh at each
// step of a scan, so a scan started while the Options window holds unsaved
// edits uses them.
struct ScanMarkers
{
    // Field markers of the scan's table: rows 0, 1, 4, 5, 6 and 7 (7 is
    // the buy-now price, an Active field).
    Scan::MarkerPair auction;
    Scan::MarkerPair title;
    Scan::MarkerPair timeLeft;
    Scan::MarkerPair startPrice;
    Scan::MarkerPair bids;
    Scan::MarkerPair price;
    // The before texts of rows 2 and 3.
    QString counterBasic;
    QString counterRetro;
    qsizetype counterStart = 1; // "Visit Start search at character", rounded half to even
    int tryLimit = 2;           // the program-wide counter try limit
    // Addresses, the same rows whichever table the scan reads.
    QString listingBefore; // Active row 8, before the User ID
    QString listingAfter;  // Active row 8, after it
    QString soldAddress;   // Sold row 7: the sold-items page
    QString itemBefore;    // Sold row 8, before the auction number
    QString itemAfter;     // Sold row 8, after it

    QString listingAddress(const QString& userId) const;
    QString itemAddress(const QString& auction) const;
    Scan::ActiveMarkers activeFields() const;
    Scan::SoldMarkers soldFields() const;
    Scan::CounterSettings counter() const;
    // The address the site sends an unknown seller to: the bare listing
    // page on the host of the listing address.
    QString bareListingAddress() const;
};

// The one mapping from option rows to what a scan of `table` reads.
ScanMarkers scanMarkers(MarkerTable table, const OptionTexts& texts, qint16 tryLimit);

// Where a scan gets its markers: asked again at every step.
using MarkerSource = std::function<ScanMarkers(MarkerTable table)>;
