// The install log of silent runs: "Pixorra_Install.log" in the start folder,
// or the file named by "/log=".
#pragma once

#include <string>

#include "core/command_arguments.h"

// Picks this run's log: file (the "/log=" value; a relative name is taken
// from the current folder now) or, when null or empty, "Pixorra_Install.log"
// in the current folder, looked up at each entry (the run never changes its
// current folder). Without a call the default name is used.
void ChooseInstallLog(const char* file);

// True when the log was named with "/log=": then entries carry their cause
// and a successful run leaves a line too.
bool InstallLogChosenByUser();

// For a log named with "/log=": creates its missing folders (the whole
// chain, each folder checked to be a plain folder where its name says, so
// nothing is created behind a link) and opens the file once as
// WriteInstallLog does. False when that fails (the folders it made are
// removed again): the caller then ends the run before any change. Always
// true for the default log, which has always been skipped quietly where it
// cannot be written (a read-only start folder).
bool PrepareInstallLog();

// Reads "/log=" from commandLine (ReadLogOption), expands its %NAME%
// references as "/ini=" does, and chooses the result when kNamed. kAbsent
// (no option, or a value that expands to nothing): nothing is chosen, the
// caller picks its default log. kUnusable: a value that was cut, split or
// would grow too long: the caller ends with 1622 before any change.
LogOption ChooseLogOption(const char* commandLine);

// The named log's absolute path ("" for the default log and before
// ChooseInstallLog).
const std::string& ChosenInstallLog();

// Appends one dated entry and its separator line; a log that cannot be opened
// is skipped silently. A log name that is a hard link to another file or a
// reparse point is replaced by a new file, never written through.
void WriteInstallLog(const char* text);

// The system's text for an error code, without the closing line break.
std::string SystemErrorText(unsigned long error);
