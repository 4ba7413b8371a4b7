#include "selection/Totals.h"

#include "options/NumberText.h"

double addVisits(double sum, double value)
{
    return qBound(-VisitsLimit, sum + value, VisitsLimit);
}

SelectionTotals computeTotals(const std::array<bool, 20>& checked,
                              const std::array<QString, 20>& visits)
{
    SelectionTotals t;
    for (std::size_t i = 0; i < checked.size(); ++i) {
        if (!checked[i])
            continue;
        t.auctions = plainDecimalText(leadingNumberValue(t.auctions) + 1);
        t.visits = plainDecimalText(
            addVisits(leadingNumberValue(t.visits), leadingNumberValue(visits[i])));
        t.average = formatPattern_00(leadingNumberValue(t.visits) / leadingNumberValue(t.auctions));
    }
    return t;
}
