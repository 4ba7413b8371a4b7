#pragma once

// The program with its windows: the splash, then the main window, until the
// last window closes.
int windowMain(int& argc, char* argv[]);
