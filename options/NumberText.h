#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>

// How the program reads a text as a number and writes numbers back as text.
// Everything that takes a number from a cell, a field or a setting goes
// through leadingNumberValue, so "N/F", "Retry" or an empty cell all count 0.

// Blanks, tabs and line feeds are removed wherever they stand (a CR is not:
// it ends the number, as in the classic BASIC reading). Then the longest
// leading part that forms a number is read:
//   [+|-] digits [. digits] [(E|e) [+|-] digits]
// An exponent letter without digits behind it ends the number ("1e" is 1).
// D is not taken as an exponent letter, so "2Days" is 2, not an error.
// "&H" / "&O" at the very start read a hexadecimal / octal whole number; its
// value is that of the digits, never negative (&HFFFF is 65535, not the
// 16-bit -1 of old BASICs, which would surprise anyone reading a count).
// No number at the start gives 0. A number too large for a double gives
// the largest finite double of its sign.
double leadingNumberValue(QStringView text);

// Nearest whole number, a half going to the even neighbour (0.5 -> 0,
// 1.5 -> 2, 2.5 -> 2). Values beyond the 64-bit range saturate; NaN gives 0.
qint64 roundHalfEven(double value);

// roundHalfEven into a 16-bit whole number; nothing when it does not fit
// (where old BASIC stopped with an overflow error).
std::optional<qint16> roundToInt16(double value);

// Whole numbers without decimal point or group separators ("3", "1234",
// "-7"); other values in their shortest form of at most 15 significant
// digits ("12.5", "0.25"). Magnitudes from 1e15 on use an exponent ("1e+15").
QString plainDecimalText(double value);

// The "##.#0" pattern: the whole part without leading zeros (none at all
// when it is 0), always two decimals, rounded half away from zero on the
// value's 15-digit decimal form: 12.5 -> "12.50", 7/3 -> "2.33",
// 2/3 -> ".67", 0 -> ".00", -2/3 -> "-.67". A value that rounds to zero
// carries no sign.
QString formatPattern_00(double value);

// The "##,###.##" pattern: the whole part grouped by thousands with ",",
// at most two decimals without trailing zeros, rounded like formatPattern_00:
// 40.5 -> "40.5", 1234567.891 -> "1,234,567.89", 0.5 -> ".5". Unlike the
// classic Format, a whole number has no trailing point (40 -> "40", not
// "40.") and zero shows "0", not an empty text or a lone ".".
QString formatGroupedPattern(double value);
