#pragma once

#include <QString>
#include <array>
#include <vector>

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
// The sum of the values, each held within the limit first, then the sum; the
// same values give the same sum in any order.
double sumVisits(std::vector<double> values);

// The average is worked out from the visit text as shown, so the fields agree
// with each other. No checked row: all empty.
SelectionTotals computeTotals(const std::array<bool, 20>& checked,
                              const std::array<QString, 20>& visits);
