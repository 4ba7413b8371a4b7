#pragma once

#include <QString>

// What the build knows about the program: its version, the folder an
// installed copy lives in, and the folder its option files ship in.
namespace BuildInfo {
QString version();
QString installedFolder();
QString shippedFolder();
} // namespace BuildInfo
