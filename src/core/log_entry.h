// The layout of one install-log entry (pure, no Windows header).
#pragma once

#include <string>

// One entry as it goes to the log, with "\n" line ends (the log is written in
// text mode, which turns each into CR LF): "date - HH:MM:SS: text", then 48
// hyphens. A null date or text counts as empty; hour, minute and second are
// printed with two digits each.
std::string FormatInstallLogEntry(const char* date, int hour, int minute, int second,
                                  const char* text);
