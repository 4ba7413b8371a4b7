#pragma once

#include "options/OptionTexts.h"
#include "options/ScanMarkers.h"

class Form4;

// The options store is the hidden Options window: its holders are the
// settings, and every read goes to them, so a search started while the
// window is open uses its unsaved edits. A read after the window was closed
// loads it again, hidden, from the option files.
namespace OptionsStore {

// The 38 texts the window holds now, saved or not.
OptionTexts texts();
// What a scan of `table` reads from them now.
ScanMarkers markers(MarkerTable table);

// The loaded store window, created hidden and loaded when there is none.
Form4* form();
bool isLoaded();
// The "&Options" menu: shows the loaded window as it is, or loads it afresh
// (compact) when it was closed.
void showWindow();
// Closes the window without saving anything (Cancel, program exit).
void discard();

// Called by Form4 when it closes, so that the next read loads afresh even
// before the closed window is deleted.
void forget(Form4* form);

} // namespace OptionsStore
