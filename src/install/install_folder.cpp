#include "install/install_folder.h"

#include <cstring>

#include "core/folder_text.h"
#include "core/footprint_names.h"
#include "platform/registry.h"

namespace {

constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char kFallbackFolder[] = "C:\\Pixorra\\";

}  // namespace

bool FindPreviousInstallFolder(char folder[kPathSize]) {
  folder[0] = '\0';
  char command[kPathSize];
  if (!ReadMachineText(footprint::kOpenCommandKey, nullptr, command) || command[0] == '\0') return false;
  return ReadOpenCommandFolder(command, folder);
}

void GetDefaultInstallFolder(char folder[kPathSize]) {
  std::memcpy(folder, kFallbackFolder, sizeof kFallbackFolder);
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
