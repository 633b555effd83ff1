#include "install/install_folder.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "core/folder_text.h"
#include "core/footprint_names.h"
#include "platform/registry.h"
#include "platform/shell_links.h"

namespace {

constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kFallbackFolder[] = "C:\\Pixorra\\";

}  // namespace

bool FindPreviousInstallFolder(char folder[kPathSize], Scope scope) {
  folder[0] = '\0';
  char command[kPathSize];
  const HKEY root = scope == Scope::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  if (!ReadRegistryText(root, footprint::kOpenCommandKey, nullptr, command) || command[0] == '\0') return false;
  return ReadOpenCommandFolder(command, folder);
}

void GetDefaultInstallFolder(char folder[kPathSize], Scope scope) {
  std::memcpy(folder, kFallbackFolder, sizeof kFallbackFolder);
  if (scope == Scope::kUser) {
    const std::string local = ShellFolderPath(CSIDL_LOCAL_APPDATA);
    using footprint::kUserProgramsFolder;
    if (local.empty() || local.size() + sizeof kUserProgramsFolder > kPathSize) return;
    std::memcpy(folder, local.data(), local.size());
    std::memcpy(folder + local.size(), kUserProgramsFolder, sizeof kUserProgramsFolder);
    return;
  }
  char programFiles[kPathSize];
  if (!ReadMachineText(kCurrentVersionKey, "ProgramFilesDir", programFiles)) return;
  std::size_t length = std::strlen(programFiles);
  if (length == 0 || programFiles[length - 1] != '\\') {
    if (length + 1 >= kPathSize) return;
    programFiles[length++] = '\\';
    programFiles[length] = '\0';
  }
  using footprint::kProgramFilesFolder;
  if (length + sizeof kProgramFilesFolder > kPathSize) return;  // keep the fallback
  std::memcpy(programFiles + length, kProgramFilesFolder, sizeof kProgramFilesFolder);
  std::memcpy(folder, programFiles, length + sizeof kProgramFilesFolder);
}
