#include "selection/Totals.h"

#include "options/NumberText.h"

#include <QtNumeric>
#include <algorithm>

double sumVisits(std::vector<double> values)
{
    // In ascending order, so that rounding too is the same in any row order.
    for (double& value : values)
        value = qIsNaN(value) ? 0 : qBound(-VisitsLimit, value, VisitsLimit);
    std::sort(values.begin(), values.end());
    long double sum = 0;
    for (const double value : values)
        sum += value;
    return qBound(-VisitsLimit, double(sum), VisitsLimit);
}

SelectionTotals computeTotals(const std::array<bool, 20>& checked,
                              const std::array<QString, 20>& visits)
{
    SelectionTotals t;
    std::vector<double> values;
    for (std::size_t i = 0; i < checked.size(); ++i) {
        if (checked[i])
            values.push_back(leadingNumberValue(visits[i]));
    }
    if (values.empty())
        return t;
    t.auctions = plainDecimalText(double(values.size()));
    t.visits = plainDecimalText(sumVisits(values));
    t.average = formatPattern_00(leadingNumberValue(t.visits) / leadingNumberValue(t.auctions));
    return t;
}
