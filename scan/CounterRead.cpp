#include "scan/CounterRead.h"

#include "scan/MarkerSearch.h"

namespace Scan {

CounterResult readCounter(const PageFetch& fetch, const std::function<CounterSettings()>& settings,
                          CounterRow& row)
{
    CounterResult result;
    for (;;) {
        const std::optional<QString> page = fetch();
        ++result.fetches;
        if (!page) {
            result.stopped = true;
            return result;
        }
        const CounterSettings s = settings();
        const CounterMatch match = findCounter(*page, s.start, s.basic, s.retro);
        // A miss below position 35 ends the try on the spot while tries are left.
        const bool retryAtMiss = match.missBelow35 && result.fetches < s.tryLimit;
        if (match.missBelow35)
            row.notFound();
        const bool showValue = match.found() && !retryAtMiss;
        if (showValue)
            row.found(match.value);
        // A broken counter is read again, up to its own limit of fetches.
        const bool broken =
            showValue && match.value == CounterBroken && result.fetches < CounterBrokenTries;
        if (retryAtMiss || broken) {
            row.retrying();
            continue;
        }
        result.position = match.position;
        return result;
    }
}

} // namespace Scan
