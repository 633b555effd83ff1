#include "install/viewer_settings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "install/folder_text.h"
#include "install/install_folder.h"
#include "install/percent_variables.h"
#include "install/toolbar_skin.h"

namespace {

constexpr char kSettingsFileFormat[] = "%spx_main64.ini";

LookupResult LookUpEnvironment(const char* name, char value[kExpandBufferSize], void*) {
  SetLastError(ERROR_SUCCESS);
  const DWORD length = GetEnvironmentVariableA(name, value, kExpandBufferSize);
  if (length >= kExpandBufferSize) return LookupResult::kTooLong;
  if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return LookupResult::kMissing;
  value[length] = '\0';
  return LookupResult::kFound;
}

int QueryFullScreenHeight() { return GetSystemMetrics(SM_CYFULLSCREEN); }

int QueryScale() {
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (display == nullptr) return 100;
  const int scale = ScaleFromLogicalDpi(GetDeviceCaps(display, LOGPIXELSX));
  DeleteDC(display);
  return scale;
}

// The settings file's name in a folder that ends in a backslash; false when
// it would not fit.
bool SettingsFileIn(const char* folder, char file[kFolderBufferSize]) {
  const int length = std::snprintf(file, kFolderBufferSize, kSettingsFileFormat, folder);
  return length > 0 && length < kFolderBufferSize;
}

}  // namespace

ScreenMetrics PlatformScreenMetrics() { return {QueryFullScreenHeight, QueryScale}; }

int ExpandPercentVariables(const char* text, char expanded[260]) {
  return ExpandPercentVariables(text, expanded, LookUpEnvironment, nullptr);
}

void WriteViewerSettings(const char* targetFolder, const char* iniFolder) {
  WriteViewerSettings(targetFolder, iniFolder, PlatformScreenMetrics());
}

void WriteViewerSettings(const char* targetFolder, const char* iniFolder, const ScreenMetrics& metrics) {
  char programFolder[kFolderBufferSize] = {};
  for (int i = 0; i < kFolderBufferSize - 1 && targetFolder[i] != '\0'; ++i) programFolder[i] = targetFolder[i];
  TrimSpaces(programFolder);
  AppendBackslashIfRoom(programFolder);
  char programFile[kFolderBufferSize];
  if (!SettingsFileIn(programFolder, programFile)) return;

  char settingsFile[kFolderBufferSize];
  std::memcpy(settingsFile, programFile, sizeof settingsFile);
  if (iniFolder[0] != '\0') {
    // A folder whose references all vanish (or expand too long) would put the
    // settings into the Windows folder; the program folder keeps them instead,
    // and no pointer is written that the viewer could not follow.
    char settingsFolder[kFolderBufferSize];
    char candidate[kFolderBufferSize];
    if (ExpandPercentVariables(iniFolder, settingsFolder) == 1 && settingsFolder[0] != '\0') {
      EnsureFolderExists(settingsFolder);
      if (settingsFolder[0] != '\0' && SettingsFileIn(settingsFolder, candidate)) {
        WritePrivateProfileStringA("Others", "INI_Folder", iniFolder, programFile);
        std::memcpy(settingsFile, candidate, sizeof settingsFile);
      }
    }
  }

  WritePrivateProfileStringA("Language", "DLL", "DEUTSCH.DLL", settingsFile);
  WritePrivateProfileStringA("Language", "Lang", "Deutsch", settingsFile);

  char skin[kFolderBufferSize] = {};
  GetPrivateProfileStringA("Toolbar", "Skin", "", skin, sizeof skin, settingsFile);
  if (skin[0] != '\0') return;  // an update keeps the user's skin
  const ToolbarSkin chosen = ChooseToolbarSkin(metrics.fullScreenHeight(), metrics.scale());
  WritePrivateProfileStringA("Toolbar", "Skin", chosen.skin, settingsFile);
  WritePrivateProfileStringA("Toolbar", "Size", chosen.size, settingsFile);
}
