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
  return std::strlen(value) != static_cast<std::size_t>(OptionValueEnd(commandLine, whole, nullptr) - whole);
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The value behind keyword's first occurrence ends where nobody can mistake
// it: at a "/" that starts a word of its own, or at the line's end with every
// quote closed. An unquoted "C:\Q7\Pix/orra" would end inside its own word.
// Returns a character of the word that shows the fault, or null.
const char* AmbiguousValueEnd(const char* commandLine, const char* found, std::size_t keywordLength) {
  const char* start = found + keywordLength;
  bool quoteOpen = false;
  const char* end = OptionValueEnd(commandLine, start, &quoteOpen);
  if (quoteOpen) return found;
  // end[-1] is the value's last character, or the keyword's "=".
  if (*end == '/' && !IsBlank(end[-1])) return end - 1;
  return nullptr;
}

// The end of the word that starts at start: a blank or tab outside double
// quotes, or the terminator.
const char* WordEnd(const char* start) {
  bool quoted = false;
  const char* p = start;
  for (; *p != '\0' && (quoted || !IsBlank(*p)); ++p) {
    if (*p == '"') quoted = !quoted;
  }
  return p;
}

}  // namespace

LogOption ReadLogOption(const char* commandLine, char file[kPathSize]) {
  file[0] = '\0';
  if (commandLine == nullptr) return LogOption::kAbsent;
  const char* found = std::strstr(commandLine, "/log=");
  if (found == nullptr) return LogOption::kAbsent;
  char copy[kCommandLineCopySize];
  CopyCommandLine(commandLine, copy);
  // A name the window or the buffer cut, or that a "/" splits, would be some
  // other file; so would one past the window, which was never read.
  if (!ExtractOptionValue(copy, "/log=", file) || OptionValueCut(commandLine, "/log=") ||
      AmbiguousValueEnd(commandLine, found, std::strlen("/log=")) != nullptr) {
    file[0] = '\0';
    return LogOption::kUnusable;
  }
  ApplyFolderArgument(file);
  return file[0] != '\0' ? LogOption::kNamed : LogOption::kAbsent;
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

// The next word at or after p: *start is its first character, the result
// the character behind it; nullptr when only blanks are left.
const char* NextWord(const char* p, const char** start) {
  while (IsBlank(*p)) ++p;
  if (*p == '\0') return nullptr;
  *start = p;
  return WordEnd(p);
}

}  // namespace

const KnownOptions kSetupOptions = {kSetupSwitches, kSetupValues};
const KnownOptions kUninstallerOptions = {kUninstallerSwitches, kUninstallerValues};

std::vector<std::string> SplitArguments(const char* arguments) {
  std::vector<std::string> words;
  if (arguments == nullptr) return words;
  const char* start = nullptr;
  for (const char* p = arguments; (p = NextWord(p, &start)) != nullptr;) {
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

const char* const kWindowedSetupOptions[] = {"/folder=", "/desktop=", "/thumbs=", "/group=", "/allusers=",
                                             "/assoc=", "/ini=", nullptr};

std::string WordAt(const char* commandLine, const char* at) {
  const char* start = nullptr;
  for (const char* p = ProgramArguments(commandLine); (p = NextWord(p, &start)) != nullptr;) {
    if (at >= start && at < p) return std::string(start, static_cast<std::size_t>(p - start)).substr(0, kPathSize - 1);
  }
  // Inside the program's path: the text from there to the next blank.
  return std::string(at, std::strcspn(at, " \t")).substr(0, kPathSize - 1);
}

OptionFault FindOptionFault(const char* commandLine, const char* const* keywords, std::string* word) {
  if (commandLine == nullptr) return OptionFault::kNone;
  OptionFault first = OptionFault::kNone;
  const char* firstAt = nullptr;
  const char* firstWordAt = nullptr;
  for (; *keywords != nullptr; ++keywords) {
    const char* found = std::strstr(commandLine, *keywords);
    if (found == nullptr || (firstAt != nullptr && found > firstAt)) continue;
    const std::size_t keywordLength = std::strlen(*keywords);
    OptionFault fault = OptionFault::kNone;
    const char* wordAt = AmbiguousValueEnd(commandLine, found, keywordLength);
    if (wordAt != nullptr) {
      fault = OptionFault::kAmbiguousValue;
    } else {
      wordAt = found;
      // Blanks behind the value are no part of it: nothing is lost with them.
      const char* start = found + keywordLength;
      const char* last = OptionValueEnd(commandLine, start, nullptr);
      while (last > start && IsBlank(last[-1])) --last;
      if (static_cast<std::size_t>(last - commandLine) > kCommandLineCopySize - 1) fault = OptionFault::kPastWindow;
    }
    if (fault == OptionFault::kNone) continue;
    first = fault;
    firstAt = found;
    firstWordAt = wordAt;
  }
  if (first != OptionFault::kNone && word != nullptr) *word = WordAt(commandLine, firstWordAt);
  return first;
}
