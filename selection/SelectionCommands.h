#pragma once

#include <QString>
#include <array>

// The selection commands over the auction table: from the rows' titles (and,
// for All, the boxes as they are) which boxes end up checked. The window sets
// its boxes from the answer.
namespace Selection {

constexpr int Rows = 20;
using Titles = std::array<QString, Rows>;
using Checks = std::array<bool, Rows>;

// All: every row with a title; an empty row keeps its box as it is.
Checks all(const Titles& titles, const Checks& current);
Checks none();
// Matching: the rows whose title is the reference exactly, case and blanks
// included; an empty reference matches the empty rows.
Checks matching(const Titles& titles, const QString& reference);
// Non-Match: the rows with a title other than the reference; never an empty row.
Checks nonMatching(const Titles& titles, const QString& reference);
// The checked row with the lowest index, or -1.
int firstChecked(const Checks& checked);

} // namespace Selection
