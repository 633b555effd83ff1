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

void CreateOneFolder(const char* path, void*) { CreateDirectoryA(path, nullptr); }

}  // namespace

bool EnsureFolderExists(char path[kPathSize]) {
  const FolderOps ops{CanEnterFolder, CreateOneFolder, nullptr};
  return EnsureFolderChain(path, ops);
}
