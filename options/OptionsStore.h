#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

class Form4;
class RichTextHolder;

enum class MarkerTable
{
    Active,
    Sold
};

// The options store is the hidden Options window: its holders are the
// settings, and every read goes to them, so a search started while the
// window is open uses its unsaved edits. A read after the window was closed
// loads it again, hidden, from the option files.
namespace OptionsStore {

// "String before Desired text" / "String after Desired text" of row 0..8.
QString before(MarkerTable table, int row);
QString after(MarkerTable table, int row);
// The seller's listing page (Active row 8) and an item page (Sold row 8, both scans).
QString listingAddress(const QString& userId);
QString itemAddress(const QString& itemNumber);
QString tryCountText();     // RTBtry: number of counter searches
QString counterStartText(); // RTB3: character at which the counter search starts

// The loaded store window, created hidden and loaded when there is none.
Form4* form();
bool isLoaded();
// The "&Options" menu: shows the loaded window as it is, or loads it afresh
// (compact) when it was closed.
void showWindow();
// Closes the window without saving anything (Cancel, program exit).
void discard();

// Program-wide limit of counter searches per item (2 until read).
qint16 counterTryLimit();
void setCounterTryLimit(qint16 limit);
// Start-up: reads Options.rtf into holder (the main window's RTBTrys2; one
// of its own when null) and takes the leading-number value of its text,
// rounded half to even. A file that cannot be read, or a value outside 16
// bits, leaves the limit as it is: the 2 that the Options window also falls
// back to without a file.
void loadCounterTryLimit(RichTextHolder* holder = nullptr);
// The limit a count text stands for; nothing when it does not fit 16 bits.
std::optional<qint16> counterTryLimitFromText(const QString& text);

// Called by Form4 when it closes, so that the next read loads afresh even
// before the closed window is deleted.
void forget(Form4* form);

} // namespace OptionsStore
