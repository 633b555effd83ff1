// The wizard path of the application's start: the sheet with its five pages,
// run modally, its pages preset from the command line.
#pragma once

// Returns the exit code: 0 installed, kExitUserLeft (1602) left before any
// installation, 1603 left after a failed one, 1618 left after another setup
// or uninstaller kept the installation from starting. A log named with "/log=" gets
// the run's failures and this result as its last line.
int RunWizard(const char* commandLine);
