#pragma once

#include "base/Outcome.h"
#include "history/HistoryStore.h"

#include <QList>
#include <QString>

// What a scheduled scan found that the seller should hear of, and the
// desktop notice that tells them, once per problem.
namespace ScheduledRun {

// How a scan ended, as the exit status of `quillmere --scan`.
enum Exit
{
    Completed = 0,
    Failed = 1, // the listing page could not be fetched: the site could not be reached
    BadArgument = 2,
    UnknownSeller = 3,
    FoundNothing = 4, // no listing, or no counter on any item page
    Busy = 5,         // another run for the seller went on too long; nothing done
};

// The problems behind an ending; none for a scan that went well.
QList<Notice> problems(const QString& seller, Exit exit, bool noListings, bool hadListings,
                       const QString& fetchError);

// Listings the seller's last scan saw whose visits by others stopped or
// jumped, as the History window's Attention column tells them (stalled 7
// days, rising). A scan that read no listing leaves the answer as it was.
QList<Notice> visitsProblems(HistoryStore& history, const QString& seller);

// Sends a desktop notification through org.freedesktop.Notifications on the
// session bus.
Outcome notify(const QString& summary, const QString& body);

// Keeps the problems in the history's notices and notifies the new ones.
// Returns what to tell on the standard error.
QStringList tell(HistoryStore& history, const QString& seller, const QList<Notice>& found);

} // namespace ScheduledRun
