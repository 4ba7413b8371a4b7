#include "history/DailyVisits.h"

#include <QDateTime>
#include <algorithm>
#include <map>

namespace {
QDate localDate(qint64 time)
{
    return QDateTime::fromMSecsSinceEpoch(time).date();
}

qint64 localMidnightAfter(qint64 time)
{
    return QDateTime(localDate(time).addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
}
} // namespace

QList<DayVisits> visitsPerDay(const QList<Reading>& readings, const QList<qint64>& ownFetches)
{
    std::map<QDate, DayVisits> days;
    const auto at = [&days](qint64 time) -> DayVisits& {
        const QDate date = localDate(time);
        DayVisits& day = days[date];
        day.day = date;
        return day;
    };
    auto own = ownFetches.cbegin();
    for (int i = 1; i < readings.size(); ++i) {
        const Reading& from = readings[i - 1];
        const Reading& to = readings[i];
        own = std::upper_bound(own, ownFetches.cend(), from.time);
        const auto ownEnd = std::upper_bound(own, ownFetches.cend(), to.time);
        const double change = double(to.counted - from.counted) - double(ownEnd - own);
        own = ownEnd;
        if (to.time <= from.time || localDate(from.time) == localDate(to.time)) {
            at(to.time).visits += change;
            continue;
        }
        const double span = double(to.time - from.time);
        for (qint64 start = from.time; start < to.time;) {
            qint64 end = std::min(localMidnightAfter(start), to.time);
            if (end <= start) // a clock that never reaches midnight
                end = to.time;
            DayVisits& day = at(start);
            day.visits += change * double(end - start) / span;
            day.estimated = true;
            start = end;
        }
    }
    QList<DayVisits> result;
    for (const auto& entry : days)
        result.append(entry.second);
    return result;
}

void addDays(QList<DayVisits>& total, const QList<DayVisits>& days)
{
    std::map<QDate, DayVisits> merged;
    for (const QList<DayVisits>* list : {static_cast<const QList<DayVisits>*>(&total), &days}) {
        for (const DayVisits& d : *list) {
            DayVisits& m = merged[d.day];
            m.day = d.day;
            m.visits += d.visits;
            m.estimated = m.estimated || d.estimated;
        }
    }
    total.clear();
    for (const auto& entry : merged)
        total.append(entry.second);
}

Attention attention(const QList<DayVisits>& days, QDate first, QDate last, bool seen,
                    int stalledDays)
{
    QDate lastVisit = first;
    double recent = 0, before = 0;
    for (const DayVisits& d : days) {
        // Half a visit shared out over quiet days is no visit.
        if (d.visits >= 0.5 && d.day <= last)
            lastVisit = std::max(lastVisit, d.day);
        // Whole days only: the last scan's day has had part of its visits.
        const qint64 ago = d.day.daysTo(last);
        if (ago >= 1 && ago <= 7)
            recent += d.visits;
        else if (ago >= 8 && ago <= 14)
            before += d.visits;
    }
    const qint64 quiet = lastVisit.daysTo(last);
    if (seen && quiet >= stalledDays)
        return {Attention::Stalled, QStringLiteral("stalled %1 days").arg(quiet)};
    if (first.daysTo(last) < 15)
        return {};
    const qint64 a = qRound64(before), b = qRound64(recent);
    const QString numbers = QStringLiteral(" %1 \u2192 %2").arg(a).arg(b);
    const bool apart = qAbs(b - a) >= 2 && qAbs(b - a) * 5 >= qMax(a, b);
    if (apart && b > a)
        return {Attention::Rising, QStringLiteral("rising") + numbers};
    if (apart)
        return {Attention::Falling, QStringLiteral("falling") + numbers};
    return {Attention::Steady, QStringLiteral("steady") + numbers};
}
