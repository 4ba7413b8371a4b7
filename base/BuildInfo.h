#pragma once

#include <QString>

// What the build knows about the program: its version, and the folder an
// installed copy lives in.
namespace BuildInfo {
QString version();
QString installedFolder();
} // namespace BuildInfo
