// How the registration composes its commands, paths, key names and link
// names from the install folder. Pure text: no Windows header, also built
// natively.
//
// Buffer rule: every composition writes into a caller's buffer of known size
// and either fits completely or leaves the buffer empty and answers false.
// A cut-off path or command would register a program that does not exist, so
// callers skip the write whose text did not fit instead of writing a stump.
#pragma once

#include <cstddef>

#include "core/footprint_names.h"
#include "core/product.h"
#include "core/format_table.h"

namespace shelltext {

constexpr std::size_t kCommandSize = 600;   // a quoted path of up to 259 characters with decoration
constexpr std::size_t kKeySize = 260;       // registry sub-key paths built from table texts
constexpr std::size_t kShortSize = 80;      // ProgIDs, type descriptions, value names

using footprint::kVerbName;

// snprintf into out, all or nothing: false (and out == "") when the result
// would not fit into size characters including the terminator.
bool FormatInto(char* out, std::size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// Appends a backslash unless folder is empty or already ends in one. False
// (folder unchanged) when there is no room for it.
bool AppendBackslash(char* folder, std::size_t size);

// The texts that name the installed viewer, all formed from one folder.
struct InstallTexts {
  char folder[kPathSize];            // trimmed, ending in a backslash
  char programPath[kPathSize];       // folder + px_main64.exe
  char openCommand[kCommandSize];    // "<program>" "%1"
  char browseCommand[kCommandSize];  // "<program>" "%1 /thumbs"
  char quotedProgram[kCommandSize];  // "<program>"
  char uninstallCommand[kCommandSize];  // "<folder>pv_uninstall.exe"
  char displayIcon[kCommandSize];    // <program>,0
};

// Fills texts from a folder whose blanks have already been trimmed (the
// caller runs TrimSpaces). False when the folder is empty or when the folder
// with its backslash and the program's file name does not fit a 259-character
// path: then nothing names a usable program and texts holds only empty strings.
bool ComposeInstallTexts(const char* trimmedFolder, InstallTexts* texts);

// "Pixorra.<sfx>"
bool ComposeProgId(const char* suffix, char* out, std::size_t size);
// "Pixorra <SFX> File": only a-z are upper-cased.
bool ComposeTypeDescription(const char* suffix, char* out, std::size_t size);
// "%1" for FormatIcon::Own, else "<program>,<index>".
bool ComposeIconText(FormatIcon icon, const char* programPath, char* out, std::size_t size);

// Registry key names of one extension and its ProgID.
bool ComposeExtensionKey(const char* extension, char* out, std::size_t size);   // SOFTWARE\Classes\.<ext>
bool ComposeProgIdKey(const char* suffix, char* out, std::size_t size);         // SOFTWARE\Classes\Pixorra.<sfx>
bool ComposeProgIdCommandKey(const char* suffix, char* out, std::size_t size);  // ...\shell\open\command
bool ComposeProgIdIconKey(const char* suffix, char* out, std::size_t size);     // ...\DefaultIcon
bool ComposeCapabilityName(const char* suffix, char* out, std::size_t size);    // .<sfx>
bool ComposeUserChoiceKey(const char* extension, char* out, std::size_t size);  // HKCU ...\FileExts\.<ext>\UserChoice

// Folder and drive verb keys: "SOFTWARE\Classes\<Directory|Drive>\shell\<verb>[\command]".
bool ComposeVerbKey(const char* classKey, bool command, char* out, std::size_t size);

// "Pixorra 64 4.42.lnk": the minor version printed at least two wide.
bool ComposeMainLinkName(int major, int minor, char* out, std::size_t size);
// "<groupFolder>Pixorra 64 <version>.lnk" for an older version's main link.
bool ComposeOldMainLinkPath(const char* groupFolder, const char* version, char* out, std::size_t size);

// folder + name; folder is expected to end in a backslash.
bool JoinPath(const char* folder, const char* name, char* out, std::size_t size);

}  // namespace shelltext
