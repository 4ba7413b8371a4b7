#pragma once

#include <QString>

class QCommandLineParser;

// What `quillmere` takes on its command line: --help, --version, and a scan
// without windows for checking an installed copy from a script.
namespace CommandLine {

// True when the arguments only ask for --help or --version, which must work
// without a display.
bool asksForText(int argc, char* argv[]);

// The options and the help text, which also says where the settings live.
void describe(QCommandLineParser& parser);

// --scan USERID: saves USERID as a User ID, optionally saves the number of
// counter searches as the Options window's Save does, runs an Active scan,
// prints the table and the totals, and returns 0 when the scan completed.
int runScan(const QString& userId, const QString& counterSearches);

} // namespace CommandLine
