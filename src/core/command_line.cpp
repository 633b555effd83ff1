#include "core/command_line.h"

#include <climits>
#include <cstring>

namespace {

bool IsDecimalSpace(char c) {
  // The classic C locale's white space, as atoi skips it.
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A quoted folder value may hold "/", which Windows reads as "\" in a path:
// "C:/Apps/Pixorra" is "C:\Apps\Pixorra".
void UseBackslashes(char* folder) {
  for (; *folder != '\0'; ++folder) {
    if (*folder == '/') *folder = '\\';
  }
}

void SetFormatRange(InstallOptions& options, int count) {
  for (int row = 0; row < count && row < kFormatRowCount; ++row) options.formatSelection[row] = true;
  options.associate = true;
}

}  // namespace

bool HasSilentSwitch(const char* commandLine) {
  return commandLine != nullptr && std::strstr(commandLine, "/silent") != nullptr;
}

void CopyCommandLine(const char* commandLine, char copy[kCommandLineCopySize]) {
  std::size_t length = 0;
  if (commandLine != nullptr) {
    while (length < kCommandLineCopySize - 1 && commandLine[length] != '\0') ++length;
    std::memcpy(copy, commandLine, length);
  }
  copy[length] = '\0';
}

const char* OptionValueEnd(const char* text, const char* valueStart, bool* quoteOpen) {
  // Quotes are counted from the text's beginning: a keyword inside a quoted
  // word ("/folder=C:\My /Apps") starts its value inside the quotes.
  bool quoted = false;
  for (const char* p = text; p < valueStart; ++p) {
    if (*p == '"') quoted = !quoted;
  }
  const char* p = valueStart;
  for (; *p != '\0' && (quoted || *p != '/'); ++p) {
    if (!quoted && (*p == ' ' || *p == '\t')) {
      // A word that starts with a quoted option ("\"/ini=...\"") ends the
      // value as a "/" does; its quote is not the value's.
      const char* next = p;
      while (*next == ' ' || *next == '\t') ++next;
      if (next[0] == '"' && next[1] == '/') break;
    }
    if (*p == '"') quoted = !quoted;
  }
  if (quoteOpen != nullptr) *quoteOpen = quoted;
  return p;
}

// The value runs from behind the keyword to its end (OptionValueEnd).
// Keyword and value together never take more than L characters, where L is
// the smaller of 260 and what is left of the text from the keyword on; so a
// value never exceeds 259 - strlen(keyword) characters and always fits the
// 260-character buffer.
bool ExtractOptionValue(const char* text, const char* keyword, char value[kPathSize]) {
  const char* found = std::strstr(text, keyword);
  if (found == nullptr) return false;
  const std::size_t keywordLength = std::strlen(keyword);
  const std::size_t rest = std::strlen(found);
  const std::size_t limit = rest < kPathSize ? rest : kPathSize;
  const std::size_t room = limit > keywordLength ? limit - keywordLength : 0;
  const char* start = found + keywordLength;
  const std::size_t whole = static_cast<std::size_t>(OptionValueEnd(text, start, nullptr) - start);
  std::size_t length = whole < room ? whole : room;
  if (length > kPathSize - 1) length = kPathSize - 1;
  std::memcpy(value, start, length);
  value[length] = '\0';
  return true;
}

void ApplyFolderArgument(char* value) {
  std::size_t length = std::strlen(value);
  while (length > 0 && value[length - 1] == ' ') value[--length] = '\0';
  if (length > 0 && value[length - 1] == '"') value[--length] = '\0';
  if (length > 0 && value[0] == '"') {
    std::memmove(value, value + 1, length);  // moves the terminator too
    --length;
  }
  while (length > 0 && value[length - 1] == ' ') value[--length] = '\0';
}

int ReadDecimal(const char* text) {
  const char* p = text;
  while (IsDecimalSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  // Stop accumulating once past every int: the result saturates.
  long long magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (magnitude <= static_cast<long long>(INT_MAX) + 1) magnitude = magnitude * 10 + (*p - '0');
  }
  if (negative) return magnitude > static_cast<long long>(INT_MAX) + 1 ? INT_MIN
                                                                         : static_cast<int>(-magnitude);
  return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

void SetSilentDefaults(InstallOptions& options) {
  options.startMenuGroup = false;
  options.desktopLink = false;
  options.thumbsLink = false;
  options.allUsers = false;
  options.iniFolder[0] = '\0';
  for (bool& flag : options.formatSelection) flag = false;
  options.associate = false;
}

void ApplyCommandLineOptions(const char* commandLine, InstallOptions& options) {
  char copy[kCommandLineCopySize];
  CopyCommandLine(commandLine, copy);
  char value[kPathSize];

  if (ExtractOptionValue(copy, "/folder=", value)) {
    // Even an empty value replaces the folder: the run then reports it.
    std::memcpy(options.targetFolder, value, sizeof value);
    ApplyFolderArgument(options.targetFolder);
    UseBackslashes(options.targetFolder);
  }
  if (ExtractOptionValue(copy, "/desktop=", value)) options.desktopLink = ReadDecimal(value) != 0;
  if (ExtractOptionValue(copy, "/thumbs=", value)) options.thumbsLink = ReadDecimal(value) != 0;
  if (ExtractOptionValue(copy, "/group=", value)) options.startMenuGroup = ReadDecimal(value) != 0;
  if (ExtractOptionValue(copy, "/allusers=", value)) options.allUsers = ReadDecimal(value) != 0;
  if (ExtractOptionValue(copy, "/assoc=", value)) {
    switch (ReadDecimal(value)) {
      case 1: SetFormatRange(options, kImageRowCount); break;
      case 2: SetFormatRange(options, kFormatRowCount); break;
      default: break;  // other numbers choose nothing
    }
  }
  if (ExtractOptionValue(copy, "/ini=", value)) {
    std::memcpy(options.iniFolder, value, sizeof value);
    ApplyFolderArgument(options.iniFolder);
    UseBackslashes(options.iniFolder);
  }
}
