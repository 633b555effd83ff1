// Reading the silent installation's options from the command line. Pure text
// rules: no Windows header, so they also build natively for fuzzing.
#pragma once

#include <cstddef>

#include "core/install_options.h"

// The options are searched in a copy of at most this many characters of the
// command line; administrators' scripts have relied on that limit.
constexpr int kCommandLineCopySize = 520;  // 519 characters and the terminator

// True when "/silent" occurs anywhere in the text given (case-sensitive
// substring: "/silentX" counts too). Callers pass the arguments alone, after
// the program's own path, which may hold anything.
bool HasSilentSwitch(const char* commandLine);

// Copies at most the first 519 characters of commandLine; always terminated.
void CopyCommandLine(const char* commandLine, char copy[kCommandLineCopySize]);

// Where a value that starts at valueStart (inside text) ends: at the first
// "/" outside double quotes, at the blank before a word that starts with a
// quote and "/" (a quoted option), or at the terminator. Quotes are counted from
// text's beginning, so "/folder="C:\My /Apps"" and "\"/folder=C:\My /Apps\""
// both keep their "/". *quoteOpen (when given) tells whether a quote was
// still open at the end.
const char* OptionValueEnd(const char* text, const char* valueStart, bool* quoteOpen);

// Looks for keyword (e.g. "/folder=") in text. When found, copies its value
// (to OptionValueEnd, at most what the buffer rule in the .cpp allows) into
// value and returns true; otherwise value is left alone and the result is
// false.
bool ExtractOptionValue(const char* text, const char* keyword, char value[kPathSize]);

// Cleans a folder value in place: trailing blanks, one closing quote, one
// opening quote, trailing blanks again. Leading blanks outside quotes stay.
void ApplyFolderArgument(char* value);

// Base-10 reading in the manner of atoi: leading white space, optional sign,
// digits up to the first non-digit; no digits reads as 0. Out-of-range values
// saturate instead of overflowing.
int ReadDecimal(const char* text);

// The defaults of a silent run: everything off or empty. The target
// folder is the caller's to fill.
void SetSilentDefaults(InstallOptions& options);

// Applies every option found in the first 519 characters of commandLine to
// options ("/folder=", "/desktop=", "/thumbs=", "/group=", "/allusers=",
// "/assoc=", "/ini="). Options that are absent leave their field alone. A
// "/" of a (quoted) folder value becomes "\", as Windows reads it.
void ApplyCommandLineOptions(const char* commandLine, InstallOptions& options);
