// What must hold for every input of the setup's text rules. Each check takes
// the input and the result the rule gave, and answers "" when the result is
// sound or a sentence saying what is wrong. The fuzzers abort on a non-empty
// answer; properties_test.cpp proves that the checks do reject wrong results.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "core/install_options.h"
#include "core/toolbar_skin.h"

namespace pxprop {

// The value a keyword gets from a command line copy, computed the long way:
// from behind the keyword to the first "/" or the end, keyword and value
// together at most min(260, rest of the copy). false when the keyword is
// absent.
bool ReferenceOptionValue(const std::string& copy, const std::string& keyword, std::string* value);
// ApplyFolderArgument's four steps on a std::string.
std::string ReferenceFolderArgument(std::string value);
// Decimal reading with saturation at the int range.
int ReferenceDecimal(const std::string& text);

// Options of a silent run read from commandLine (the whole line, before
// the 519-character copy) against the result the rule produced, starting
// from `before`.
std::string CheckCommandLineOptions(const std::string& commandLine, const InstallOptions& before,
                                    const InstallOptions& after);

// TrimSpaces: blanks gone from both ends, nothing else touched.
std::string CheckTrimmed(const std::string& input, const std::string& output);

// One run of the folder walk: the path handed in, the path handed back,
// the folders it asked to create, its answer and whether the last existence
// test succeeded.
struct FolderWalk {
  std::string input;
  std::string output;
  std::vector<std::string> created;
  int result = 0;
  bool lastTestEntered = false;
};
std::string CheckFolderWalk(const FolderWalk& walk);

// %NAME% expansion with an environment (names without regard to case).
using Environment = std::map<std::string, std::string>;
std::string ReferenceExpansion(const std::string& text, const Environment& env, bool* tooLong);
std::string CheckExpansion(const std::string& text, const Environment& env, int result,
                           const std::string& expanded);

// The folder read from a registered open command.
std::string CheckOpenCommandFolder(const std::string& command, int result, const std::string& folder);

// The Browse button's folder rule.
std::string CheckProductFolder(const std::string& input, int result, const std::string& output,
                               int secondResult, const std::string& secondOutput);

// The ".htm" handler's command with the link target.
std::string ReferenceLinkCommand(const std::string& command, const std::string& target);
std::string CheckLinkCommand(const std::string& command, const std::string& target, std::size_t outSize,
                             bool result, const std::string& out);

// Entry names of the payload archive: the file-name part and the safety rule
// (no empty name, no leading separator, no ":", no ".." component).
bool ReferenceSafeEntryName(const std::string& name);
std::string CheckEntryName(const std::string& name, std::size_t fileNameOffset, bool safe);

// The texts that name the installed viewer, composed from one trimmed folder:
// the program path, the commands and the uninstaller, or nothing at all.
struct NamedTexts {
  bool ok = false;
  std::string folder, programPath, openCommand, browseCommand, quotedProgram, uninstallCommand, displayIcon;
};
std::string CheckInstallTexts(const std::string& trimmedFolder, const NamedTexts& texts);

// The toolbar skin for a screen: one of the four, its size matching, and
// never a smaller skin for a taller screen or a larger scale.
using SkinRule = ToolbarSkin (*)(int fullScreenHeight, int scale);
std::string CheckSkinChoice(SkinRule rule, int height, int scale);
std::string CheckScaleFromDpi(int dpi, int scale);

}  // namespace pxprop
