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

// What one walk did: the folders it made, and the last one it could not.
struct Creation {
  std::vector<std::string>* created;
  std::string failedFolder;
  unsigned long error = 0;
};

void CreateOneFolder(const char* path, void* context) {
  const bool made = CreateDirectoryA(path, nullptr) != FALSE;
  const DWORD error = made ? ERROR_SUCCESS : GetLastError();
  auto* creation = static_cast<Creation*>(context);
  if (made) {
    if (creation->created != nullptr) creation->created->push_back(path);
  } else if (error != ERROR_ALREADY_EXISTS && !(path[0] != '\0' && path[1] == ':' && path[2] == '\0')) {
    // "X:" itself is never created; an existing folder is no failure.
    creation->failedFolder = path;
    creation->error = error;
  }
}

}  // namespace

StepResult EnsureFolderExists(char path[kPathSize], std::vector<std::string>* created) {
  Creation creation{created, {}, 0};
  const FolderOps ops{CanEnterFolder, CreateOneFolder, &creation};
  if (EnsureFolderChain(path, ops)) return StepResult::Done();
  return StepResult::Failed(creation.failedFolder, creation.error);
}

void RemoveEmptyFolders(const std::vector<std::string>& folders) {
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) RemoveDirectoryA(folder->c_str());
}
