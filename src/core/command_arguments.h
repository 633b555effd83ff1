// What of the command line belongs to the user's arguments, and whether the
// 519-character window cut an option's value. Pure text rules: no Windows
// header.
#pragma once

#include "core/product.h"

// The arguments behind the program's path, as Windows splits a command line:
// a path that starts with a quote runs to the closing quote, any other path
// to the first blank or tab. Switches are looked for only there, so that a
// folder such as "C:/silent-installers" does not switch anything on.
const char* ProgramArguments(const char* commandLine);

// True when keyword occurs in the window and the value read from the window
// (see ExtractOptionValue) is shorter than the same value read from the whole
// line: the window or the value's buffer cut it, and it must not be acted on.
// An option wholly beyond the window is not seen at all, as before.
bool OptionValueCut(const char* commandLine, const char* keyword);

// The "/log=" file: its value (ends at the next "/", quotes removed as for
// folders) when given, not empty and not cut by the window; else false.
bool ReadLogOption(const char* commandLine, char file[kPathSize]);

// True when the arguments ask for the help text: "/?" or "/help".
bool AsksForHelp(const char* arguments);
