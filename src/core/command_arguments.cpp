#include "core/command_arguments.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/install_scope.h"

const char* ProgramArguments(const char* commandLine) {
  if (commandLine == nullptr) return "";
  const char* p = commandLine;
  if (*p == '"') {
    const char* closing = std::strchr(p + 1, '"');
    if (closing == nullptr) return p + std::strlen(p);  // everything is the path
    p = closing + 1;
  } else {
    while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
  }
  return p;
}

bool OptionValueCut(const char* commandLine, const char* keyword) {
  if (commandLine == nullptr || keyword == nullptr || keyword[0] == '\0') return false;
  char copy[kCommandLineCopySize];
  CopyCommandLine(commandLine, copy);
  char value[kPathSize];
  if (!ExtractOptionValue(copy, keyword, value)) return false;
  // The window is the line's beginning, so the first occurrence is the same.
  const char* whole = std::strstr(commandLine, keyword) + std::strlen(keyword);
  return std::strlen(value) != std::strcspn(whole, "/");
}

bool ReadLogOption(const char* commandLine, char file[kPathSize]) {
  file[0] = '\0';
  char copy[kCommandLineCopySize];
  CopyCommandLine(commandLine, copy);
  if (!ExtractOptionValue(copy, "/log=", file)) return false;
  // A cut name would be some other file.
  if (OptionValueCut(commandLine, "/log=")) {
    file[0] = '\0';
    return false;
  }
  ApplyFolderArgument(file);
  return file[0] != '\0';
}

bool AsksForHelp(const char* arguments) {
  return arguments != nullptr && (std::strstr(arguments, "/?") != nullptr || std::strstr(arguments, "/help") != nullptr);
}

namespace {

const char* const kSilentAliases[] = {"/S", "/SILENT", "/VERYSILENT", "/quiet", "/qn", nullptr};

const char* const kSetupSwitches[] = {"/silent", "/S", "/SILENT", "/VERYSILENT", "/quiet", "/qn",
                                      "/?", "/help", "/progress", nullptr};
const char* const kSetupValues[] = {"/folder=", "/group=", "/desktop=", "/thumbs=", "/allusers=",
                                    "/assoc=", "/ini=", "/log=", "/scope=", nullptr};
const char* const kUninstallerSwitches[] = {"/silent", "/S", "/SILENT", "/VERYSILENT", "/quiet", "/qn",
                                            "/?", "/help", nullptr};
// The copy's own line (written by the original uninstaller) is read before
// any check; its words are listed so that no check ever calls them unknown.
const char* const kUninstallerValues[] = {"/log=", "/cleanup=", "/rmdir=", "/was=", nullptr};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsOneOf(const std::string& word, const char* const* list) {
  for (; *list != nullptr; ++list) {
    if (word == *list) return true;
  }
  return false;
}

bool StartsWithOneOf(const std::string& word, const char* const* list) {
  for (; *list != nullptr; ++list) {
    if (word.compare(0, std::strlen(*list), *list) == 0) return true;
  }
  return false;
}

}  // namespace

const KnownOptions kSetupOptions = {kSetupSwitches, kSetupValues};
const KnownOptions kUninstallerOptions = {kUninstallerSwitches, kUninstallerValues};

std::vector<std::string> SplitArguments(const char* arguments) {
  std::vector<std::string> words;
  if (arguments == nullptr) return words;
  const char* p = arguments;
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (*p == '\0') break;
    const char* start = p;
    bool quoted = false;
    for (; *p != '\0' && (quoted || !IsBlank(*p)); ++p) {
      if (*p == '"') quoted = !quoted;
    }
    words.emplace_back(start, static_cast<std::size_t>(p - start));
  }
  return words;
}

std::string Unquoted(const std::string& word) {
  std::string plain;
  plain.reserve(word.size());
  for (char c : word) {
    if (c != '"') plain += c;
  }
  return plain;
}

bool HasSilentAlias(const char* arguments) {
  for (const std::string& word : SplitArguments(arguments)) {
    if (IsOneOf(Unquoted(word), kSilentAliases)) return true;
  }
  return false;
}

bool IsSilentRun(const char* arguments) { return HasSilentSwitch(arguments) || HasSilentAlias(arguments); }

bool FindUnknownOption(const char* arguments, const KnownOptions& known, std::string* word) {
  for (const std::string& written : SplitArguments(arguments)) {
    const std::string plain = Unquoted(written);
    if (plain.empty() || plain[0] != '/') continue;
    // "/scope=" takes one of two words only.
    const bool badScope = plain.compare(0, 7, "/scope=") == 0 && !installscope::IsScopeWord(plain);
    if (!badScope && (IsOneOf(plain, known.switches) || StartsWithOneOf(plain, known.valuePrefixes))) continue;
    if (word != nullptr) *word = written.substr(0, kPathSize - 1);
    return true;
  }
  return false;
}
