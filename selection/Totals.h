#pragma once

#include <QString>
#include <array>

// The three fields of the Totals frame over the checked rows.
struct SelectionTotals
{
    QString auctions; // count, plain decimal text
    QString visits;   // sum of the Visits cells, plain decimal text
    QString average;  // visits / auctions, "##.#0"
};

// The largest visit total the fields show as a plain whole number; sums
// saturate there, so a runaway counter such as "1e308" cannot overflow into
// "inf" (which reads back as 0) and the average stays consistent with it.
inline constexpr double VisitsLimit = 999999999999999.0;
double addVisits(double sum, double value);

// The running figures live in the fields themselves and are read back as
// numbers at every row, so the texts come out exactly as the fields would
// hold them after a row-by-row recomputation. No checked row: all empty.
SelectionTotals computeTotals(const std::array<bool, 20>& checked,
                              const std::array<QString, 20>& visits);
