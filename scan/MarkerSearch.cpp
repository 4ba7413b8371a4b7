#include "scan/MarkerSearch.h"

#include <algorithm>

namespace Scan {

QString textAt(QStringView page, qsizetype position, qsizetype length)
{
    Q_ASSERT(position >= 1);
    if (length <= 0 || position > page.size())
        return {};
    return page.sliced(position - 1, std::min(length, page.size() - position + 1)).toString();
}

QString FieldMatch::between(QStringView page) const
{
    return found ? textAt(page, position + beforeLength, distance - beforeLength) : QString();
}

QString FieldMatch::fixedLength(QStringView page, qsizetype length) const
{
    return found ? textAt(page, position + beforeLength, length) : QString();
}

namespace {

// First position in from..lastStart at which marker stands wholly inside the
// page; 0 when there is none. An empty marker stands everywhere.
qsizetype nextMatch(QStringView page, QStringView marker, qsizetype from, qsizetype lastStart)
{
    if (from > lastStart)
        return 0;
    if (marker.isEmpty())
        return from;
    // Cutting the page at the window's end keeps indexOf from running on
    // through the rest of a long page.
    const qsizetype cut = std::min(page.size(), lastStart + marker.size() - 1);
    const qsizetype at = page.first(cut).indexOf(marker, from - 1);
    return at < 0 ? 0 : at + 1;
}

// Last position in from..lastStart at which marker stands; 0 when there is
// none. lastStart leaves room for the marker inside the page.
qsizetype lastMatch(QStringView page, QStringView marker, qsizetype from, qsizetype lastStart)
{
    if (from > lastStart)
        return 0;
    if (marker.isEmpty())
        return lastStart;
    const QStringView range = page.sliced(from - 1, lastStart - from + marker.size());
    // Explicit start: Qt 6.4's lastIndexOf from size() reads a one-character
    // needle one past the view's end.
    const qsizetype at = range.lastIndexOf(marker, range.size() - marker.size());
    return at < 0 ? 0 : from + at;
}

} // namespace

FieldMatch findField(QStringView page, qsizetype start, qsizetype limit, qsizetype firstDistance,
                     qsizetype lastDistance, QStringView before, QStringView after)
{
    Q_ASSERT(firstDistance >= 0);
    FieldMatch m;
    m.beforeLength = before.size();
    m.end = limit + 1;
    const qsizetype from = std::max<qsizetype>(start, 1);
    const qsizetype n = page.size();
    // Last positions at which each marker can still count.
    const qsizetype lastBefore = before.isEmpty() ? limit : std::min(limit, n - before.size() + 1);
    const qsizetype lastAfter = after.isEmpty()
                                    ? lastBefore + lastDistance
                                    : std::min(lastBefore + lastDistance, n - after.size() + 1);

    // The before markers the loop jumps over or never reaches lie in
    // unseenFrom..unseenTo; the last of them, if any, is the last one matched.
    qsizetype seen = 0;
    qsizetype unseenFrom = from;
    qsizetype unseenTo = lastBefore;
    if (lastDistance >= firstDistance) {
        qsizetype p = from;
        qsizetype nextAfter = -1; // first after marker at or past the last asked position
        for (;;) {
            const qsizetype at = nextMatch(page, before, p, lastBefore);
            if (at == 0) {
                unseenFrom = seen == 0 ? from : seen + 1;
                unseenTo = p - 1;
                break;
            }
            seen = at;
            const qsizetype near = at + firstDistance;
            if (nextAfter != 0 && nextAfter < near)
                nextAfter = nextMatch(page, after, near, lastAfter);
            if (nextAfter == 0) {
                // No after marker left, so no later before marker can match either.
                unseenFrom = at + 1;
                break;
            }
            if (nextAfter <= at + lastDistance) {
                m.found = true;
                m.position = at;
                m.distance = nextAfter - at;
                m.end = at;
                m.lastBefore = at;
                return m;
            }
            // Every before marker short of this one sees the after marker too late.
            p = std::max(at + 1, nextAfter - lastDistance);
        }
    }
    const qsizetype unseen = lastMatch(page, before, unseenFrom, unseenTo);
    m.lastBefore = unseen != 0 ? unseen : seen;
    return m;
}

CounterMatch findCounter(QStringView page, qsizetype start, QStringView basic, QStringView retro)
{
    CounterMatch m;
    const qsizetype n = page.size();
    const qsizetype from = std::max<qsizetype>(start, 1);
    if (from > n) {
        m.position = from;
        return m;
    }
    const qsizetype basicAt = nextMatch(page, basic, from, n);
    // A Retro match counts only for a position p before the Basic match (Basic
    // wins a tie), so its search stops at basicAt - 1 + |Retro|.
    const qsizetype r = retro.size();
    const qsizetype retroLast = std::min(n - r + 1, basicAt == 0 ? n + r : basicAt - 1 + r);
    const qsizetype retroAt = nextMatch(page, retro, from + r, retroLast);

    if (retroAt != 0) {
        m.marker = CounterMarker::Retro;
        m.position = retroAt - r;
        m.value = textAt(page, m.position, CounterLength);
    } else if (basicAt != 0) {
        m.marker = CounterMarker::Basic;
        m.position = basicAt;
        m.value = textAt(page, basicAt + basic.size(), CounterLength);
    } else {
        m.position = n + 1;
    }
    m.missBelow35 = from < CounterMissLimit && m.position > from;
    return m;
}

} // namespace Scan
