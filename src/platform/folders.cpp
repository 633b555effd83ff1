#include "platform/folders.h"

#include <windows.h>

#include "core/folder_text.h"

namespace {

bool CanEnterFolder(const char* path, void*) {
  char previous[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, previous);
  if (!SetCurrentDirectoryA(path)) return false;
  if (length > 0 && length < MAX_PATH) SetCurrentDirectoryA(previous);
  return true;
}

void CreateOneFolder(const char* path, void* context) {
  const bool made = CreateDirectoryA(path, nullptr) != FALSE;
  const DWORD error = made ? ERROR_SUCCESS : GetLastError();
  if (context == nullptr) return;
  auto* creation = static_cast<FolderCreation*>(context);
  if (made) {
    creation->created.push_back(path);
  } else if (error != ERROR_ALREADY_EXISTS && !(path[0] != '\0' && path[1] == ':' && path[2] == '\0')) {
    // "X:" itself is never created; an existing folder is no failure.
    creation->failedFolder = path;
    creation->error = error;
  }
}

}  // namespace

bool EnsureFolderExists(char path[kPathSize]) { return EnsureFolderExists(path, nullptr); }

bool EnsureFolderExists(char path[kPathSize], FolderCreation* creation) {
  const FolderOps ops{CanEnterFolder, CreateOneFolder, creation};
  return EnsureFolderChain(path, ops);
}

void RemoveEmptyFolders(const std::vector<std::string>& folders) {
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) RemoveDirectoryA(folder->c_str());
}
