#include "history/DailyVisits.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <limits>
#include <map>

namespace {
// The local calendar day of a time. Readings come in time order, so the day
// last found answers most questions without a time zone conversion.
class LocalDays
{
public:
    QDate dateOf(qint64 time)
    {
        constexpr qint64 Day = 24 * 60 * 60 * 1000;
        // The next day, when no clock change comes before its end.
        if (time >= m_end && time < m_end + Day && m_end + Day <= m_change) {
            m_start = m_end;
            m_end += Day;
            m_date = m_date.addDays(1);
        } else if (time < m_start || time >= m_end) {
            m_date = QDateTime::fromMSecsSinceEpoch(time, m_zone).date();
            m_start = QDateTime(m_date, QTime(0, 0), m_zone).toMSecsSinceEpoch();
            m_end = QDateTime(m_date.addDays(1), QTime(0, 0), m_zone).toMSecsSinceEpoch();
            if (m_start > time || m_end <= time) // a day a clock change cut short
                m_start = m_end = time;
            const QTimeZone::OffsetData change =
                m_zone.nextTransition(QDateTime::fromMSecsSinceEpoch(m_start, Qt::UTC));
            m_change = change.atUtc.isValid() ? change.atUtc.toMSecsSinceEpoch()
                                              : std::numeric_limits<qint64>::max();
        }
        return m_date;
    }
    qint64 midnightAfter(qint64 time)
    {
        dateOf(time);
        return m_end > time ? m_end
                            : QDateTime(m_date.addDays(1), QTime(0, 0), m_zone).toMSecsSinceEpoch();
    }

private:
    // The system zone's own rules, read once: local-time conversions through
    // the C library look at /etc/localtime every time.
    const QTimeZone m_zone = QTimeZone::systemTimeZone();
    QDate m_date;
    qint64 m_start = 0, m_end = 0;
    qint64 m_change = 0; // the zone's next clock change after m_start
};
} // namespace

QList<DayVisits> visitsPerDay(const QList<Reading>& readings, const QList<qint64>& ownFetches)
{
    std::map<QDate, DayVisits> days;
    LocalDays local;
    const auto at = [&days, &local](qint64 time) -> DayVisits& {
        const QDate date = local.dateOf(time);
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
        if (to.time <= from.time || local.dateOf(from.time) == local.dateOf(to.time)) {
            at(to.time).visits += change;
            continue;
        }
        const double span = double(to.time - from.time);
        for (qint64 start = from.time; start < to.time;) {
            qint64 end = std::min(local.midnightAfter(start), to.time);
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
