#pragma once

#include "base/Outcome.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

enum class MarkerTable
{
    Active,
    Sold
};

// The 38 option texts as the Options window holds them: each marker table's
// "String before Desired text" and "String after Desired text" columns
// (rows 0 to 8), the number of counter searches and the counter start.
struct OptionTexts
{
    static constexpr int Rows = 9;
    using Column = std::array<QString, Rows>;

    Column activeBefore;  // Config1<row>.rtf
    Column activeAfter;   // Config5<row>.rtf
    Column soldBefore;    // Config2<row>.rtf
    Column soldAfter;     // Config6<row>.rtf
    QString tryCount;     // Options.rtf: "Number of Times to Search for Counter"
    QString counterStart; // Options1.rtf: "Visit Start search at character"

    // What the Options window holds before any file is read.
    static OptionTexts builtIn();
    // The labels of a marker table's rows, as the Options window shows them.
    static QStringList rowLabels(MarkerTable table);

    const Column& before(MarkerTable table) const;
    const Column& after(MarkerTable table) const;
    Column& before(MarkerTable table);
    Column& after(MarkerTable table);
};

// The option files in the settings folder: one text per RTF file.
namespace OptionFiles {

// "Config1" + row + ".rtf" and so on: the file that holds a column's row.
QString fileName(MarkerTable table, bool after, int row);

struct Loaded
{
    OptionTexts texts;
    // "Name.rtf: reason" for each file that is there but could not be read
    // (a missing file is no failure); its text stays the built-in one.
    QStringList failures;
    QStringList unreadable; // their names: Save leaves these files alone
};
// Every option file over the built-in texts, in the order the Options
// window reads them.
Loaded load();

// What the user hears of the files that could not be read.
QString unreadableMessage(const QStringList& failures);

struct Saved
{
    QStringList failures;       // "Name.rtf: reason" for each file not written
    QStringList leftAlone;      // files in `unreadable`, not written over
    QString refused;            // why nothing was written: the settings are read-only
    bool countRejected = false; // the count was not 1 to 10, so Options.rtf was left alone
};
// The Options window's Save: the 36 marker files and the counter start,
// then the count when it is 1 to 10, which then also becomes the program's
// counter try limit. A file that was there but could not be read holds what
// the user wrote: it is never written over with the built-in text.
Saved save(const OptionTexts& texts, const QStringList& unreadable = {});
// The Save's own words on what it did not do; empty when it saved all.
QString savedMessage(const Saved& saved);

// Program-wide number of counter searches per item page; 2 until read.
qint16 counterTryLimit();
void setCounterTryLimit(qint16 limit);
// The limit a count text stands for: its leading number rounded half to
// even; nothing when that does not fit 16 bits.
std::optional<qint16> counterTryLimitFromText(const QString& text);
// Start-up: reads Options.rtf and takes the limit from its text. The text
// read, or why the file could not be read; a file that cannot be read, or a
// value beyond 16 bits, leaves the limit as it is.
Result<QString> loadCounterTryLimit();
// What the user hears of a count text whose number does not fit 16 bits;
// empty for any other.
QString countOutOfRange(const QString& text);

} // namespace OptionFiles
