#pragma once

#include <QString>

// The folder that holds the program and its option files. It is the
// executable's folder unless a test points it at a temporary copy.
QString programFolder();
void setProgramFolder(const QString& folder);

// Path of a file in the program's folder.
QString programFile(const QString& name);

// The user's own data the option files do not hold (visit history,
// preferences): QUILLMERE_DATA_DIR, else the application data location.
QString userDataFolder();
