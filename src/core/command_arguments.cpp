#include "core/command_arguments.h"

#include <cstring>

#include "core/command_line.h"

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
