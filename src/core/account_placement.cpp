#include "core/account_placement.h"

#include <cstring>

namespace accountplacement {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// "x:\" or "\\server\share\" as the root, then the components; false for
// a relative or malformed path. "." is dropped, ".." takes the previous
// component back but never the root.
bool SplitAbsolute(const char* path, std::string* root, std::vector<std::string>* parts) {
  if (path == nullptr) return false;
  const std::size_t length = std::strlen(path);
  std::size_t at = 0;
  if (length >= 3 && path[1] == ':' && path[2] == '\\' &&
      ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'))) {
    *root = std::string(1, LowerAscii(path[0])) + ":";
    at = 3;
  } else if (length > 2 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\' && path[2] != '?' &&
             path[2] != '.') {
    // Server and share belong to the root.
    const char* server = path + 2;
    const char* slash = std::strchr(server, '\\');
    if (slash == nullptr || slash == server) return false;
    const char* share = slash + 1;
    const char* end = std::strchr(share, '\\');
    const std::size_t shareLength = end == nullptr ? std::strlen(share) : static_cast<std::size_t>(end - share);
    if (shareLength == 0) return false;
    *root = "\\\\" + std::string(server, slash) + "\\" + std::string(share, shareLength);
    for (char& c : *root) c = LowerAscii(c);
    at = static_cast<std::size_t>(share - path) + shareLength;
  } else {
    return false;
  }
  parts->clear();
  while (at < length) {
    while (at < length && path[at] == '\\') ++at;
    std::size_t end = at;
    while (end < length && path[end] != '\\') ++end;
    std::string part(path + at, end - at);
    at = end;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts->empty()) parts->pop_back();
      continue;
    }
    for (char& c : part) c = LowerAscii(c);
    parts->push_back(part);
  }
  return true;
}

bool SameText(const char* a, const char* b) { return a != nullptr && b != nullptr && std::strcmp(a, b) == 0; }

}  // namespace

bool IsServiceAccountSid(const char* sidText) {
  return SameText(sidText, "S-1-5-18") || SameText(sidText, "S-1-5-19") || SameText(sidText, "S-1-5-20");
}

AccountKind ClassifyAccount(const char* userSidText, bool interactiveStation) {
  if (IsServiceAccountSid(userSidText) || !interactiveStation) return AccountKind::kMachine;
  return AccountKind::kPerson;
}

bool IsAtOrBelow(const char* folder, const char* base) {
  std::string folderRoot;
  std::string baseRoot;
  std::vector<std::string> folderParts;
  std::vector<std::string> baseParts;
  if (!SplitAbsolute(folder, &folderRoot, &folderParts) || !SplitAbsolute(base, &baseRoot, &baseParts)) return false;
  if (folderRoot != baseRoot || folderParts.size() < baseParts.size()) return false;
  for (std::size_t i = 0; i < baseParts.size(); ++i) {
    if (folderParts[i] != baseParts[i]) return false;
  }
  return true;
}

Placement PlaceForAccount(AccountKind kind, const InstallOptions& options, const char* expandedIniFolder,
                          const std::vector<std::string>& accountFolders) {
  Placement placement;
  if (kind == AccountKind::kPerson) return placement;
  const bool anyLink = options.startMenuGroup || options.desktopLink || options.thumbsLink;
  placement.linksForAllUsers = anyLink && !options.allUsers;
  placement.userAssociations = !options.associate;
  if (options.iniFolder[0] != '\0' && expandedIniFolder != nullptr) {
    for (const std::string& accountFolder : accountFolders) {
      if (!accountFolder.empty() && IsAtOrBelow(expandedIniFolder, accountFolder.c_str())) {
        placement.settingsInProgramFolder = true;
        break;
      }
    }
  }
  return placement;
}

void ApplyPlacement(const Placement& placement, InstallOptions* options) {
  if (placement.linksForAllUsers) options->allUsers = true;
  if (!placement.userAssociations) options->userAssociations = false;
  if (placement.settingsInProgramFolder) options->iniFolder[0] = '\0';
}

}  // namespace accountplacement
