#include "core/target_folder.h"

#include <cstring>

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Characters no Windows file system takes in a name. The backslash separates
// names and is handled by the caller; "/" would be read as a separator by
// some calls and not by others, so it is refused rather than guessed at.
bool IsForbiddenInName(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u < 32 || std::strchr("<>:\"/|?*", c) != nullptr;
}

// Length of the prefix that names the volume: "X:" or "\\server\share";
// 0 when the text has neither form.
std::size_t VolumeLength(const char* folder) {
  if (IsAsciiLetter(folder[0]) && folder[1] == ':') return 2;
  if (folder[0] != '\\' || folder[1] != '\\') return 0;
  const char* server = folder + 2;
  const char* serverEnd = std::strchr(server, '\\');
  if (serverEnd == nullptr || serverEnd == server) return 0;
  const char* share = serverEnd + 1;
  const char* shareEnd = std::strchr(share, '\\');
  if (shareEnd == share) return 0;
  if (shareEnd == nullptr) shareEnd = share + std::strlen(share);
  return static_cast<std::size_t>(shareEnd - folder);
}

// Names of the volume part must follow the same character rules as folders.
bool NameIsAcceptable(const char* name, std::size_t length) {
  if (length == 0) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (IsForbiddenInName(name[i])) return false;
  }
  // Windows drops dots at the end of a name: "dots..." would be created as
  // "dots", and every later path naming "dots..." would miss it.
  return name[length - 1] != '.';
}

}  // namespace

bool NormaliseTargetFolder(const char* given, char normalised[kPathSize]) {
  normalised[0] = '\0';
  if (given == nullptr) return false;
  std::size_t start = 0;
  std::size_t end = std::strlen(given);
  while (start < end && given[start] == ' ') ++start;
  while (end > start && given[end - 1] == ' ') --end;

  char out[kPathSize];
  std::size_t used = 0;
  std::size_t i = start;
  // A network path keeps its two leading backslashes.
  if (end - start >= 2 && given[start] == '\\' && given[start + 1] == '\\') {
    out[used++] = '\\';
    out[used++] = '\\';
    i += 2;
  }
  while (i < end) {
    std::size_t nameEnd = i;
    while (nameEnd < end && given[nameEnd] != '\\') ++nameEnd;
    std::size_t trimmedEnd = nameEnd;
    while (trimmedEnd > i && given[trimmedEnd - 1] == ' ') --trimmedEnd;
    const std::size_t length = trimmedEnd - i;
    if (length > 0) {
      if (used + length + 1 > kPathSize - 1) return false;
      std::memcpy(out + used, given + i, length);
      used += length;
      out[used++] = '\\';
    }
    i = nameEnd + 1;
  }
  out[used] = '\0';
  std::memcpy(normalised, out, used + 1);
  return true;
}

void ShownTargetFolder(const char* typed, char shown[kPathSize]) {
  shown[0] = '\0';
  if (typed == nullptr) return;
  char trimmed[kPathSize];
  std::size_t length = std::strlen(typed);
  if (length > kPathSize - 1) length = kPathSize - 1;
  std::memcpy(trimmed, typed, length);
  trimmed[length] = '\0';
  TrimSpaces(trimmed);
  if (!NormaliseTargetFolder(trimmed, shown) || shown[0] == '\0') {
    std::memcpy(shown, trimmed, std::strlen(trimmed) + 1);
    return;
  }
  const std::size_t typedLength = std::strlen(trimmed);
  const std::size_t shownLength = std::strlen(shown);
  const bool typedBackslash = typedLength > 0 && trimmed[typedLength - 1] == '\\';
  // "X:\" keeps its backslash: without it the text means another folder.
  if (!typedBackslash && shownLength > 3) shown[shownLength - 1] = '\0';
}

TargetFolderProblem CheckTargetFolder(const char* given, std::size_t longestName,
                                      char normalised[kPathSize]) {
  char folder[kPathSize];
  normalised[0] = '\0';
  if (given == nullptr) return TargetFolderProblem::kEmpty;
  const bool fits = NormaliseTargetFolder(given, folder);
  if (fits && folder[0] == '\0') return TargetFolderProblem::kEmpty;
  if (!fits) return TargetFolderProblem::kTooLong;

  const std::size_t volume = VolumeLength(folder);
  // "C:relative" is relative to the drive's current folder: also refused.
  if (volume == 0 || folder[volume] != '\\') return TargetFolderProblem::kNotAbsolute;
  if (folder[0] == '\\') {
    // Server and share names, between the backslashes of "\\server\share".
    const char* server = folder + 2;
    const char* share = std::strchr(server, '\\') + 1;
    if (!NameIsAcceptable(server, static_cast<std::size_t>(share - 1 - server)) ||
        !NameIsAcceptable(share, static_cast<std::size_t>(folder + volume - share))) {
      return TargetFolderProblem::kForbiddenCharacter;
    }
  }
  const std::size_t length = std::strlen(folder);
  if (length == volume + 1) return TargetFolderProblem::kRoot;

  for (std::size_t i = volume + 1; i < length;) {
    std::size_t nameEnd = i;
    while (folder[nameEnd] != '\\') ++nameEnd;  // every name ends in one
    if (!NameIsAcceptable(folder + i, nameEnd - i)) return TargetFolderProblem::kForbiddenCharacter;
    i = nameEnd + 1;
  }
  if (length + longestName > kPathSize - 1) return TargetFolderProblem::kTooLong;
  std::memcpy(normalised, folder, length + 1);
  return TargetFolderProblem::kNone;
}
