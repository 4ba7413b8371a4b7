#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QtGlobal>

// A listing's counter readings, oldest first (UTC milliseconds).
struct Reading
{
    qint64 time = 0;
    qint64 counted = 0;
};

// The visits one local calendar day got.
struct DayVisits
{
    QDate day;
    double visits = 0;
    // Part of it is a share of a change between scans on different days,
    // spread over the time between them.
    bool estimated = false;
};

// Visits per local calendar day, from the changes between consecutive
// readings: each change less the program's own fetches after the first
// reading up to the second (ownFetches: their times, oldest first; none
// when own views count too). A change between readings on different days
// is shared out over those days in proportion to the time each holds. Days
// without a change in them are not listed.
QList<DayVisits> visitsPerDay(const QList<Reading>& readings, const QList<qint64>& ownFetches);

// Adds one listing's days into a total, keeping the days in order.
void addDays(QList<DayVisits>& total, const QList<DayVisits>& days);

// What a listing's visits by others ask of the seller.
struct Attention
{
    enum Kind
    {
        None, // too short a history to tell
        Stalled,
        Rising,
        Falling,
        Steady,
    };
    Kind kind = None;
    QString text; // "stalled 9 days", "rising 12 → 20" (the 7 days before, the last 7)
};

// From a listing's visits per day, the days of its first and last reading,
// and whether the seller's last scan still saw it: stalled after
// stalledDays without a visit; else rising or falling when the 7 whole days
// before the last differ from the 7 before them by a fifth and at least 2
// visits.
Attention attention(const QList<DayVisits>& days, QDate first, QDate last, bool seen,
                    int stalledDays);
