#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringView>

// Cutting values out of a page by a marker pair, and finding the visit
// counter. Positions are 1-based character positions, as the marker options
// count them. Both searches give the same results as comparing the markers at
// every position in turn, but jump from match to match with indexOf.
namespace Scan {

// The `length` characters at `position`, cut short at the page's end; empty
// for a negative length or a position past the end. `position` is at least 1.
QString textAt(QStringView page, qsizetype position, qsizetype length);

// Result of one field search.
struct FieldMatch
{
    bool found = false;
    qsizetype position = 0; // before marker of the match
    qsizetype distance = 0; // the j at which the after marker stood
    qsizetype beforeLength = 0;
    // Where the next search starts: the match's position, or limit + 1.
    qsizetype end = 0;
    // Last position at which the before marker matched during the search (the
    // match itself when found); 0 when it never matched.
    qsizetype lastBefore = 0;

    // Text between the two markers; empty when not found or when the after
    // marker stood inside the before marker.
    QString between(QStringView page) const;
    // `length` characters after the before marker; empty when not found.
    QString fixedLength(QStringView page, qsizetype length) const;
};

// Searches the before marker at positions start..limit (a start below 1 counts
// as 1; limit may lie past the page's end) and, at each match p, the after
// marker at p + firstDistance .. p + lastDistance (firstDistance >= 0). An
// empty marker matches anywhere, also past the page's end; a non-empty one
// must fit wholly inside the page.
FieldMatch findField(QStringView page, qsizetype start, qsizetype limit, qsizetype firstDistance,
                     qsizetype lastDistance, QStringView before, QStringView after);

enum class CounterMarker
{
    None,
    Basic,
    Retro
};

// Result of scanning one item page for the counter.
struct CounterMatch
{
    CounterMarker marker = CounterMarker::None;
    // Where the scan stopped: the Basic marker's position, the Retro
    // marker's position minus its length, or past the page when not found.
    qsizetype position = 0;
    QString value; // the 5 characters of the counter, as they stand
    // The scan passed a position below 35 without a marker before it found
    // one (or without finding one): the cell shows "N/F" at that point.
    bool missBelow35 = false;

    bool found() const { return marker != CounterMarker::None; }
};

inline constexpr qsizetype CounterLength = 5;
inline constexpr qsizetype CounterMissLimit = 35;
inline constexpr int CounterBrokenTries = 5;
// A counter that reads this is tried again, up to CounterBrokenTries fetches.
inline constexpr QLatin1String CounterBroken("--</f");

// From `start` (below 1 counts as 1) the first position p where the Basic
// marker stands at p (value after it) or else the Retro marker at
// p + |Retro| (value at p). Basic wins when both stand at the same p.
CounterMatch findCounter(QStringView page, qsizetype start, QStringView basic, QStringView retro);

} // namespace Scan
