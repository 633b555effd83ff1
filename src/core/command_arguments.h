// What of the command line belongs to the user's arguments, and whether the
// 519-character window cut an option's value. Pure text rules: no Windows
// header.
#pragma once

#include <string>
#include <vector>

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

// The "/log=" file: kNamed with its value (quotes removed as for folders);
// kAbsent without the option or with an empty value; kUnusable (file "")
// when its value is not read whole: cut by the 519-character window or the
// value's buffer, lying past the window, split by a "/" inside a word, or
// with a quote never closed. Such a name would be some other file.
enum class LogOption { kAbsent, kNamed, kUnusable };
LogOption ReadLogOption(const char* commandLine, char file[kPathSize]);

// True when the arguments ask for the help text: "/?" or "/help".
bool AsksForHelp(const char* arguments);

// Exit codes both programs share with Windows Installer, which deployment
// tools already know how to read.
constexpr int kExitUserLeft = 1602;           // the wizard was left before installing
constexpr int kExitLogNotWritable = 1622;     // the "/log=" file cannot be written
constexpr int kExitInvalidCommandLine = 1639; // an unknown option, or a wizard with nobody to see it

// The arguments as separate words: a word ends at a blank or tab outside
// double quotes; a quote only switches the quoting on or off and stays in
// the word (no backslash escapes: folder values end in backslashes).
// Whatever a word holds, "/" included, belongs to it: "/folder=C:/x/y" is one
// word, and so is "/folder="C:\My /Apps"".
std::vector<std::string> SplitArguments(const char* arguments);

// A word without its quote characters: "\"/S\"" reads as "/S".
std::string Unquoted(const std::string& word);

// True when one word of the arguments is exactly one of the other spellings
// of "/silent" that packaging tools try: "/S", "/SILENT", "/VERYSILENT",
// "/quiet", "/qn". A longer word ("/Sx") is none of them.
bool HasSilentAlias(const char* arguments);

// A run without any window: "/silent" anywhere (HasSilentSwitch) or one of
// its other spellings as a word of its own.
bool IsSilentRun(const char* arguments);

// The options a program knows: switches are whole words, value options are
// word beginnings ("/folder=" takes anything behind it).
struct KnownOptions {
  const char* const* switches;
  const char* const* valuePrefixes;
};
extern const KnownOptions kSetupOptions;
extern const KnownOptions kUninstallerOptions;

// The first word that starts with "/" (quotes aside) and is none of known's
// options; false when there is none. The word comes back as it was written,
// cut to 259 characters.
bool FindUnknownOption(const char* arguments, const KnownOptions& known, std::string* word);

// The setup's options read from the 519-character window (ApplyCommandLineOptions).
extern const char* const kWindowedSetupOptions[];

// The word of commandLine's arguments that holds the character at, as it was
// written, cut to 259 characters.
std::string WordAt(const char* commandLine, const char* at);

// Why a value option of keywords (null-terminated list) would not be read as
// written: kAmbiguousValue when an unquoted "/" would cut it inside a word of
// its own, or a quote is never closed; kPastWindow when its value (blanks
// behind it aside) reaches past the 519-character window, so that it would
// be dropped or cut. The first such option of the line counts; *word is the
// word that shows the fault.
enum class OptionFault { kNone, kAmbiguousValue, kPastWindow };
OptionFault FindOptionFault(const char* commandLine, const char* const* keywords, std::string* word);
