#include "platform/system_folders.h"

#include <windows.h>
#include <initializer_list>

#include "core/uninstall_rules.h"
#include "platform/registry_edit.h"

using uninstallrules::WithBackslash;

namespace {

void AddFolder(const std::string& path, std::vector<std::string>* folders) {
  if (path.size() >= 3) folders->push_back(WithBackslash(path));
}

std::string Expanded(const std::string& text) {
  char expanded[MAX_PATH + 1] = {};
  const DWORD length = ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof expanded);
  return length > 0 && length <= sizeof expanded ? std::string(expanded) : std::string();
}

std::string Environment(const char* name) {
  char value[MAX_PATH + 1] = {};
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value) : std::string();
}

// The shell keeps where its folders are in the registry ("User Shell
// Folders", with %NAME% references); reading them there answers what
// SHGetFolderPath answers without loading the shell, which a silent run
// without links never needs.
void AddShellFolders(HKEY root, std::initializer_list<const char*> names, std::vector<std::string>* folders) {
  constexpr const char* kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  for (const char* name : names) {
    RegData value = ReadRegData(root, kUserShellFolders, name);
    if (!value.exists) value = ReadRegData(root, kShellFolders, name);
    if (!value.exists || (value.type != REG_SZ && value.type != REG_EXPAND_SZ)) continue;
    AddFolder(Expanded(uninstallrules::DataText(value.data)), folders);
  }
}

}  // namespace

std::vector<std::string> SystemFolders() {
  std::vector<std::string> folders;
  for (const char* name : {"USERPROFILE", "APPDATA", "LOCALAPPDATA", "ProgramFiles", "ProgramW6432",
                           "ProgramFiles(x86)", "CommonProgramFiles", "CommonProgramW6432",
                           "CommonProgramFiles(x86)", "ProgramData", "ALLUSERSPROFILE", "PUBLIC"}) {
    AddFolder(Environment(name), &folders);
  }
  AddShellFolders(HKEY_CURRENT_USER,
                  {"AppData", "Local AppData", "Desktop", "Personal", "Programs", "Start Menu", "Startup",
                   "My Pictures"},
                  &folders);
  AddShellFolders(HKEY_LOCAL_MACHINE,
                  {"Common Desktop", "Common Documents", "Common Programs", "Common Start Menu", "Common AppData"},
                  &folders);
  for (const char* name : {"ProgramFilesDir", "ProgramFilesDir (x86)", "CommonFilesDir"}) {
    const RegData value = ReadRegData(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", name);
    if (value.exists) AddFolder(uninstallrules::DataText(value.data), &folders);
  }
  char path[MAX_PATH + 1] = {};
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) AddFolder(path, &folders);
  length = GetSystemWow64DirectoryA(path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) AddFolder(path, &folders);
  const std::string windows = WindowsFolder();
  if (!windows.empty()) {
    AddFolder(windows, &folders);
    AddFolder(windows + "Fonts", &folders);
  }
  const DWORD tempLength = GetTempPathA(sizeof path, path);
  if (tempLength > 0 && tempLength < sizeof path) AddFolder(path, &folders);
  return folders;
}

std::string WindowsFolder() {
  char path[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? WithBackslash(path) : std::string();
}

bool IsProtectedProgramFolder(const std::string& folder) {
  return uninstallrules::IsProtectedFolder(folder, SystemFolders(), WindowsFolder());
}
