#include "platform/system_folders.h"

#include <windows.h>
#include <shlobj.h>

#include "core/uninstall_rules.h"
#include "platform/shell_links.h"

using uninstallrules::WithBackslash;

std::vector<std::string> SystemFolders() {
  std::vector<std::string> folders;
  for (int csidl : {CSIDL_PROFILE, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL,
                    CSIDL_PROGRAMS, CSIDL_STARTMENU, CSIDL_STARTUP, CSIDL_COMMON_DESKTOPDIRECTORY,
                    CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_APPDATA, CSIDL_COMMON_DOCUMENTS,
                    CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_SYSTEM,
                    CSIDL_SYSTEMX86, CSIDL_WINDOWS, CSIDL_FONTS, CSIDL_MYPICTURES}) {
    const std::string path = ShellFolderPath(csidl);
    if (!path.empty()) folders.push_back(path);
  }
  char temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof temp, temp);
  if (length > 0 && length < sizeof temp) folders.push_back(WithBackslash(temp));
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
