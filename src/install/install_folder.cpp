#include "install/install_folder.h"

#include <windows.h>

#include <cstring>

#include "install/folder_text.h"

namespace {

constexpr char kOpenCommandKey[] = "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command";
constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kFallbackFolder[] = "C:\\Pixorra\\";

// Reads a text value of at most 259 characters into a 260-byte buffer; false
// when the key or value is missing or longer. The text is terminated whatever
// the registry holds (the value type is not looked at).
bool ReadRegistryText(const char* keyName, const char* valueName, char text[kFolderBufferSize]) {
  text[0] = '\0';
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  char data[kFolderBufferSize + 1] = {};
  DWORD size = kFolderBufferSize;
  const LONG status = RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return false;
  data[size < kFolderBufferSize ? size : kFolderBufferSize] = '\0';
  const std::size_t length = std::strlen(data);
  if (length > kFolderBufferSize - 1) return false;
  std::memcpy(text, data, length + 1);
  return true;
}

bool CanEnterFolder(const char* path, void*) {
  char previous[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, previous);
  if (!SetCurrentDirectoryA(path)) return false;
  if (length > 0 && length < MAX_PATH) SetCurrentDirectoryA(previous);
  return true;
}

void CreateOneFolder(const char* path, void*) { CreateDirectoryA(path, nullptr); }

}  // namespace

int FindPreviousInstallFolder(char folder[260]) {
  folder[0] = '\0';
  char command[kFolderBufferSize];
  if (!ReadRegistryText(kOpenCommandKey, nullptr, command) || command[0] == '\0') return 0;
  return ReadOpenCommandFolder(command, folder);
}

int GetDefaultInstallFolder(char folder[260]) {
  std::memcpy(folder, kFallbackFolder, sizeof kFallbackFolder);
  char programFiles[kFolderBufferSize];
  if (!ReadRegistryText(kCurrentVersionKey, "ProgramFilesDir", programFiles)) return 1;
  std::size_t length = std::strlen(programFiles);
  if (length == 0 || programFiles[length - 1] != '\\') {
    if (length + 1 >= kFolderBufferSize) return 1;
    programFiles[length++] = '\\';
    programFiles[length] = '\0';
  }
  constexpr char kProduct[] = "Pixorra";
  if (length + sizeof kProduct > kFolderBufferSize) return 1;  // keep the fallback
  std::memcpy(programFiles + length, kProduct, sizeof kProduct);
  std::memcpy(folder, programFiles, length + sizeof kProduct);
  return 1;
}

int EnsureFolderExists(char path[260]) {
  const FolderOps ops{CanEnterFolder, CreateOneFolder, nullptr};
  return EnsureFolderChain(path, ops);
}
