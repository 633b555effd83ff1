// The install log of silent runs: "Pixorra_Install.log" in the current folder.
#pragma once

#include <string>

// Appends one dated entry and its separator line; a log that cannot be opened
// is skipped silently.
void WriteInstallLog(const char* text);

// One entry as it goes to the log, with "\n" line ends (the log is written in
// text mode, which turns each into CR LF): "date - HH:MM:SS: text", then 48
// hyphens. A null date or text counts as empty; hour, minute and second are
// printed with two digits each.
std::string FormatInstallLogEntry(const char* date, int hour, int minute, int second,
                                  const char* text);
