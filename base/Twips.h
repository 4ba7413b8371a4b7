#pragma once

// Window layouts are given in twips; 15 twips are one pixel at 96 DPI and
// Qt's high-DPI scaling takes care of other screens.
constexpr int tw(int twips)
{
    return (twips + 7) / 15;
}
