#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

// The counter read of one table row: fetch the item page, find the counter,
// show what was found, and fetch again while a retry is due. The scans and
// the tests run this one function; only where it fetches from and what it
// writes into differ.
namespace Scan {

// What the read needs at every try, read afresh each time: the Options
// window may be edited while a fetch runs.
struct CounterSettings
{
    qsizetype start = 1; // counter start position
    int tryLimit = 1;    // counter try limit
    QString basic;       // before marker of row 2
    QString retro;       // before marker of row 3
};

// Where the read writes: the row's Visits cell and selection box, Text3 and
// the status field.
class CounterRow
{
public:
    virtual ~CounterRow() = default;
    virtual void notFound() = 0;                  // "N/F" on red
    virtual void found(const QString& value) = 0; // value on button face, row checked
    virtual void retrying() = 0;                  // "Retry" on yellow, status "RETRY"
};

// Fetches the item page once; nothing when the scan was stopped meanwhile.
using PageFetch = std::function<std::optional<QString>()>;

struct CounterResult
{
    bool stopped = false;
    qsizetype position = 0; // Text9: where the last try's search ended
    int fetches = 0;
};

CounterResult readCounter(const PageFetch& fetch, const std::function<CounterSettings()>& settings,
                          CounterRow& row);

} // namespace Scan
