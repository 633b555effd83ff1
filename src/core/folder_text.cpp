#include "core/folder_text.h"

#include <cstring>

#include "core/product.h"

namespace {

constexpr char kProductFolder[] = "Pixorra\\";

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (LowerAscii(*a) != LowerAscii(*b)) return false;
  }
  return *a == *b;
}

// Drive and directory of a program path, the way the platform splits paths:
// "X:" when the second character is a colon, then everything up to and
// including the last "\" or "/".
std::size_t DriveAndDirectoryLength(const char* path, std::size_t length) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (path[i] == '\\' || path[i] == '/') end = i + 1;
  }
  if (end == 0 && length >= 2 && path[1] == ':') end = 2;
  return end;
}

}  // namespace

void TrimSpaces(char* path) {
  std::size_t length = std::strlen(path);
  while (length > 0 && path[length - 1] == ' ') path[--length] = '\0';
  if (path[0] == ' ' && length < kPathSize) {
    std::size_t skip = 0;
    while (path[skip] == ' ') ++skip;
    std::memmove(path, path + skip, length - skip + 1);
  }
}

void AppendBackslashIfRoom(char path[kPathSize]) {
  const std::size_t length = std::strlen(path);
  if (length <= kPathSize - 2 && (length == 0 || path[length - 1] != '\\')) {
    path[length] = '\\';
    path[length + 1] = '\0';
  }
}

bool ReadOpenCommandFolder(const char* command, char folder[kPathSize]) {
  folder[0] = '\0';
  if (command == nullptr || command[0] == '\0') return false;
  const char* exe = std::strstr(command, kViewerProgramFile);
  if (exe == nullptr) return false;

  const char* program;
  std::size_t length;
  if (command[0] == '"') {
    program = command + 1;
    const char* closing = std::strchr(program, '"');
    length = closing != nullptr ? static_cast<std::size_t>(closing - program) : std::strlen(program);
  } else {
    // Written by some other tool without quotes: the program path is
    // everything up to the executable's name.
    program = command;
    length = static_cast<std::size_t>(exe - command) + sizeof kViewerProgramFile - 1;
  }

  const std::size_t folderLength = DriveAndDirectoryLength(program, length);
  // A command that names no folder would make the current drive's root the
  // target: better to offer the default folder instead.
  if (folderLength == 0 || folderLength > kPathSize - 2) return false;
  std::memcpy(folder, program, folderLength);
  folder[folderLength] = '\0';
  AppendBackslashIfRoom(folder);
  return true;
}

bool AppendProductFolderText(char folder[kPathSize]) {
  char result[kPathSize];
  std::size_t length = std::strlen(folder);
  if (length > kPathSize - 1) return false;
  std::memcpy(result, folder, length + 1);
  if (length == 0 || result[length - 1] != '\\') {
    if (length > kPathSize - 2) return false;
    result[length++] = '\\';
    result[length] = '\0';
  }

  long p = -1;
  for (long i = static_cast<long>(length) - 2; i >= 0; --i) {
    if (result[i] == '\\') {
      p = i;
      break;
    }
  }
  const bool isDriveRoot = length == 3;
  const bool namedAfterProduct = p >= 1 && EqualsIgnoringCase(result + p, "\\pixorra\\");
  if ((p >= 1 && !namedAfterProduct) || isDriveRoot) {
    if (length + sizeof kProductFolder - 1 > kPathSize - 1) return false;
    std::memcpy(result + length, kProductFolder, sizeof kProductFolder);
  }
  std::memcpy(folder, result, std::strlen(result) + 1);
  return true;
}

bool EnsureFolderChain(char path[kPathSize], const FolderOps& ops) {
  if (path[0] == '\0') return false;
  TrimSpaces(path);
  if (path[0] == '\0') return false;
  AppendBackslashIfRoom(path);
  if (ops.canEnter(path, ops.context)) return true;

  char built[kPathSize] = {};
  std::size_t used = 0;
  std::size_t i = 0;
  const std::size_t length = std::strlen(path);
  if (length >= 2 && path[0] == '\\' && path[1] == '\\') {
    // A network path: the walk starts behind the two backslashes.
    built[0] = built[1] = '\\';
    used = 2;
    i = 2;
  }
  for (; i < length && i < kPathSize; ++i) {
    if (path[i] != '\\') {
      if (used < kPathSize - 1) built[used++] = path[i];
      built[used] = '\0';
      continue;
    }
    TrimSpaces(built);
    ops.createFolder(built, ops.context);
    AppendBackslashIfRoom(built);
    used = std::strlen(built);
  }
  std::memcpy(path, built, used + 1);
  AppendBackslashIfRoom(path);
  return ops.canEnter(path, ops.context);
}
