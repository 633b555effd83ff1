// The silent installation started by "/silent" on the command line.
#pragma once

// Exit codes of a silent run, in the codes deployment tools already know.
constexpr int kExitInstalled = 0;
constexpr int kExitInstallFailed = 1603;   // the run stopped at a failure (logged)
constexpr int kExitViewerRunning = 1618;   // nothing done; tools retry this code later

// Reads the options from commandLine, installs without any window and
// returns the process exit code.
int RunSilentInstallation(const char* commandLine);

// "/?" and "/help": the options and exit codes in a message box; nothing is
// installed.
void ShowCommandLineHelp();
