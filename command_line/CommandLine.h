#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

// What `quillmere` takes on its command line: --help, --version, and a scan
// without windows, for a script, a timer or checking an installed copy.
namespace CommandLine {

// True when the arguments ask for a run without windows (--help,
// --version, --scan), which must work without a display.
bool runsWithoutWindows(int argc, char* argv[]);

// The program's names as the desktop and the settings folders know them.
void setNames();

// The options and the help text, which also says where the settings live.
void describe(QCommandLineParser& parser);

// Points the program at its settings folder: beside the program or the
// user's own copy. Returns what to tell the user about it: why the user's
// copy cannot be used, which shipped option files changed; often nothing.
QStringList chooseSettings();

// The run without windows, under a QCoreApplication.
int main(int argc, char* argv[]);

// --scan USERID: saves USERID as a User ID, optionally saves the number of
// counter searches as the Options window's Save does, runs an Active scan,
// keeps it in the visit history, prints the table and the totals, and
// returns how the scan ended (ScheduledRun::Exit). A scheduled run is also
// filed as such, tells one line on the standard error and notifies the
// desktop of a problem it is the first to find.
int runScan(const QString& userId, const QString& counterSearches, bool scheduled = false);

} // namespace CommandLine
