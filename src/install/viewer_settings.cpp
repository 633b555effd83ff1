#include "install/viewer_settings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/folder_text.h"
#include "core/footprint_names.h"
#include "core/percent_variables.h"
#include "core/target_folder.h"
#include "core/toolbar_skin.h"
#include "platform/file_identity.h"
#include "platform/folders.h"

namespace {

constexpr char kSettingsFileFormat[] = "%s%s";

LookupResult LookUpEnvironment(const char* name, char value[kPathSize], void*) {
  SetLastError(ERROR_SUCCESS);
  const DWORD length = GetEnvironmentVariableA(name, value, kPathSize);
  if (length >= kPathSize) return LookupResult::kTooLong;
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

// The figures AskScreenMetrics asked, for the functions it hands out.
int askedHeight = 0;
int askedScale = 100;
int AskedHeight() { return askedHeight; }
int AskedScale() { return askedScale; }

// The settings file's name in a folder that ends in a backslash; false when
// it would not fit.
bool SettingsFileIn(const char* folder, char file[kPathSize]) {
  const int length = std::snprintf(file, kPathSize, kSettingsFileFormat, folder, footprint::kSettingsFileName);
  return length > 0 && length < kPathSize;
}

// "X:\..." or "\\server\share\...", a root included, with names Windows
// accepts.
bool IsAbsoluteFolder(const char* folder) {
  char normalised[kPathSize];
  const TargetFolderProblem problem = CheckTargetFolder(folder, sizeof footprint::kSettingsFileName - 1, normalised);
  return problem == TargetFolderProblem::kNone || problem == TargetFolderProblem::kRoot;
}


// The settings file as a file of its own before anything is written into
// it: a name that is a second hard link of another file, or a link that
// leads elsewhere, would have the private-profile writes land in that other
// file (win.ini, say). Such a name is replaced by a new file holding the
// same text, moved over the name itself; what it led to stays untouched.
// Failed when it could not be made so: then nothing is written there.
StepResult MakeOwnFile(const char* path) {
  const FileIdentity identity = IdentifyFile(path);
  if (!identity.exists) return StepResult::Done();
  const std::string text(path);
  const std::size_t cut = text.find_last_of('\\');
  std::wstring wide;
  if (cut == std::string::npos || !AnsiToWide(text.substr(cut), &wide)) return StepResult::Failed(text, 0);
  const std::wstring expected = FullLongFolderPath(text.substr(0, cut)) + wide;
  if (identity.directory || identity.error != 0) return StepResult::Failed(text, identity.error);
  if (IsExactlyAt(identity, expected)) return StepResult::Done();
  std::string content;
  HANDLE source = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (source == INVALID_HANDLE_VALUE) return StepResult::Failed(text, GetLastError());
  char buffer[4096];
  DWORD got = 0;
  while (content.size() < 1024 * 1024 && ReadFile(source, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  CloseHandle(source);
  const std::string fresh = text + ".new";
  HANDLE file = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return StepResult::Failed(fresh, GetLastError());
  DWORD written = 0;
  const bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                  written == content.size();
  const DWORD writeError = ok ? ERROR_SUCCESS : GetLastError();
  CloseHandle(file);
  if (!ok) return StepResult::Failed(fresh, writeError);
  if (!MoveFileExA(fresh.c_str(), path, MOVEFILE_REPLACE_EXISTING)) return StepResult::Failed(text, GetLastError());
  if (!IsExactlyAt(IdentifyFile(path), expected)) return StepResult::Failed(text, 0);
  return StepResult::Done();
}

// One private-profile value; failed with the file and the system's error.
StepResult WriteValue(const char* section, const char* key, const char* value, const char* file) {
  if (WritePrivateProfileStringA(section, key, value, file)) return StepResult::Done();
  return StepResult::Failed(file, GetLastError());
}

}  // namespace

ScreenMetrics PlatformScreenMetrics() { return {QueryFullScreenHeight, QueryScale}; }

ScreenMetrics AskScreenMetrics() {
  askedHeight = QueryFullScreenHeight();
  askedScale = QueryScale();
  return {AskedHeight, AskedScale};
}

bool ExpandPercentVariables(const char* text, char expanded[kPathSize]) {
  return ExpandPercentVariables(text, expanded, LookUpEnvironment, nullptr);
}

std::vector<std::string> ViewerSettingsFiles(const char* targetFolder, const char* iniFolder) {
  std::vector<std::string> files;
  char programFolder[kPathSize] = {};
  for (int i = 0; i < kPathSize - 1 && targetFolder[i] != '\0'; ++i) programFolder[i] = targetFolder[i];
  TrimSpaces(programFolder);
  AppendBackslashIfRoom(programFolder);
  char file[kPathSize];
  if (!SettingsFileIn(programFolder, file)) return files;
  files.push_back(file);
  char settingsFolder[kPathSize];
  if (iniFolder[0] == '\0' || !ExpandPercentVariables(iniFolder, settingsFolder) ||
      !IsAbsoluteFolder(settingsFolder)) {
    return files;
  }
  TrimSpaces(settingsFolder);
  AppendBackslashIfRoom(settingsFolder);
  if (SettingsFileIn(settingsFolder, file)) files.push_back(file);
  return files;
}

StepResult WriteViewerSettings(const char* targetFolder, const char* iniFolder) {
  return WriteViewerSettings(targetFolder, iniFolder, PlatformScreenMetrics());
}

StepResult WriteViewerSettings(const char* targetFolder, const char* iniFolder, const ScreenMetrics& metrics) {
  char programFolder[kPathSize] = {};
  for (int i = 0; i < kPathSize - 1 && targetFolder[i] != '\0'; ++i) programFolder[i] = targetFolder[i];
  TrimSpaces(programFolder);
  AppendBackslashIfRoom(programFolder);
  char programFile[kPathSize];
  if (!SettingsFileIn(programFolder, programFile)) return StepResult::Failed(programFolder, ERROR_FILENAME_EXCED_RANGE);
  StepResult result = MakeOwnFile(programFile);
  if (!result) return result;

  char settingsFile[kPathSize];
  std::memcpy(settingsFile, programFile, sizeof settingsFile);
  if (iniFolder[0] != '\0') {
    // A folder whose references all vanish (or expand too long) would put the
    // settings into the Windows folder; the program folder keeps them instead,
    // and no pointer is written that the viewer could not follow.
    char settingsFolder[kPathSize];
    char candidate[kPathSize];
    // The same holds for a folder that is relative (it would land in some
    // current folder), cannot be created, or is a file: the language and
    // toolbar settings would otherwise be written nowhere.
    if (ExpandPercentVariables(iniFolder, settingsFolder) && IsAbsoluteFolder(settingsFolder)) {
      std::vector<std::string> created;
      StepResult own = EnsureFolderExists(settingsFolder, &created);
      // A file of that name refuses the folder without an error of its own.
      if (!own && own.subject.empty()) own.subject = settingsFolder;
      if (own && !SettingsFileIn(settingsFolder, candidate)) {
        own = StepResult::Failed(settingsFolder, ERROR_FILENAME_EXCED_RANGE);
      }
      if (own) own = MakeOwnFile(candidate);
      if (own) {
        result.KeepFirst(WriteValue("Others", "INI_Folder", iniFolder, programFile));
        std::memcpy(settingsFile, candidate, sizeof settingsFile);
      } else {
        RemoveEmptyFolders(created);
        result.KeepFirst(own);
      }
    }
  }

  result.KeepFirst(WriteValue("Language", "DLL", "DEUTSCH.DLL", settingsFile));
  result.KeepFirst(WriteValue("Language", "Lang", "Deutsch", settingsFile));

  char skin[kPathSize] = {};
  GetPrivateProfileStringA("Toolbar", "Skin", "", skin, sizeof skin, settingsFile);
  if (skin[0] != '\0') return result;  // an update keeps the user's skin
  const ToolbarSkin chosen = ChooseToolbarSkin(metrics.fullScreenHeight(), metrics.scale());
  result.KeepFirst(WriteValue("Toolbar", "Skin", chosen.skin, settingsFile));
  result.KeepFirst(WriteValue("Toolbar", "Size", chosen.size, settingsFile));
  return result;
}
