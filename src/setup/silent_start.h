// The silent installation started by "/silent" on the command line.
#pragma once

#include <string>

#include "core/command_arguments.h"
#include "platform/run_lock.h"

// Exit codes of a silent run, in the codes deployment tools already know.
constexpr int kExitInstalled = 0;
constexpr int kExitInstallFailed = 1603;   // the run stopped at a failure (logged)
constexpr int kExitViewerRunning = 1618;   // nothing done; tools retry this code later
                                           // (also: another setup or uninstaller was running)

// Chooses this run's log ("/log=" or Pixorra_Install.log in the start
// folder) and, for a named one, creates its folders and opens it once. False
// when the named log cannot be written (the run then ends with
// kExitLogNotWritable before any change).
bool ChooseLogOfRun(const char* commandLine);

// True with the string for it (*textId) and the word that shows it when an
// option of the setup would not be read as written (FindOptionFault): the
// run ends with kExitInvalidCommandLine before any change.
bool FindCommandLineFault(const char* commandLine, unsigned* textId, std::string* word);

// A run without any window: "/silent" (or an alias), or a start on a window
// station nobody sees (silent false, stationName its name). Everything it has
// to say goes into the log: "/?" and "/help" write the usage and end with 0,
// an unknown option or one that would not be read as written ends with
// kExitInvalidCommandLine, and so does a run that would need the wizard; otherwise the silent installation. Returns the
// process exit code.
int RunUnattended(const char* commandLine, bool silent, const std::string& stationName);
// RunUnattended's answers before the installation: false with *exitCode
// when the run ends there (log not writable, help, unknown option, no
// desktop without "/silent"), true when the installation is to go ahead.
bool PrepareUnattendedRun(const char* commandLine, bool silent, const std::string& stationName, int* exitCode);

// Reads the options from commandLine, installs without any window and
// returns the process exit code. The log is chosen (ChooseLogOfRun).
int RunSilentInstallation(const char* commandLine);

// The line a log named with "/log=" gets at the end of a run:
// "<folder>: <text> (<arguments>), Exit-Code <code>", text being string textId.
void WriteResultLine(const char* targetFolder, unsigned textId, const char* commandLine, int exitCode);

// The string that tells why lock was not taken: another run, or a holder
// whose origin cannot be checked (never called another installation then).
unsigned RunLockRefusalText(const RunLock& lock);

// "/?" and "/help": the options and exit codes in a message box; nothing is
// installed.
void ShowCommandLineHelp();

// A message box with the product caption: string textId, then subject on a
// line of its own (the unknown option, the log that cannot be written).
void ShowCommandLineProblem(unsigned textId, const std::string& subject);
