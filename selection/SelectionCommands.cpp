#include "selection/SelectionCommands.h"

namespace Selection {

Checks all(const Titles& titles, const Checks& current)
{
    Checks checks = current;
    for (int i = 0; i < Rows; ++i) {
        if (!titles[i].isEmpty())
            checks[i] = true;
    }
    return checks;
}

Checks none()
{
    return Checks{};
}

Checks matching(const Titles& titles, const QString& reference)
{
    Checks checks{};
    for (int i = 0; i < Rows; ++i)
        checks[i] = titles[i] == reference;
    return checks;
}

Checks nonMatching(const Titles& titles, const QString& reference)
{
    Checks checks{};
    for (int i = 0; i < Rows; ++i)
        checks[i] = !titles[i].isEmpty() && titles[i] != reference;
    return checks;
}

int firstChecked(const Checks& checked)
{
    for (int i = 0; i < Rows; ++i) {
        if (checked[i])
            return i;
    }
    return -1;
}

} // namespace Selection
