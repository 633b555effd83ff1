#include "uninstall/uninstall_run.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/install_record.h"
#include "core/product.h"
#include "install/install_record_file.h"
#include "platform/environment.h"
#include "platform/resource_text.h"
#include "platform/system_folders.h"
#include "uninstall/removal.h"
#include "uninstall/uninstall_resource.h"

using namespace uninstallrules;
using installrecord::InstallRecord;
using installrecord::SameName;

namespace {

constexpr const char* kLogName = "Pixorra_Uninstall.log";
constexpr int kListedEntries = 12;  // the closing message names no more than these

std::string Lines(const std::string& base, const std::vector<std::string>& items) {
  std::string text;
  int listed = 0;
  for (const std::string& item : items) {
    if (listed++ == kListedEntries) {
      text += "\n...";
      break;
    }
    text += "\n" + base + item;
  }
  return text;
}

// Nothing of the disk is touched; the registration is offered, since it is
// derived from the product alone and nothing else removes it.
int RefuseDisk(unsigned messageId, const std::string& folder, bool owned, UninstallUi& ui) {
  ui.Failure(LoadResourceString(messageId), folder);
  if (owned && ui.Confirm(LoadResourceString(IDS_UN_REGISTRATION_QUESTION))) {
    RemoveRegistration(InstallRecord());
    RemoveUninstallEntry();
  }
  return kExitFailed;
}

}  // namespace

std::string UninstallLogPath(const std::string& folder) {
  char current[MAX_PATH + 1] = {};
  const DWORD length = GetCurrentDirectoryA(sizeof current, current);
  std::string base = length > 0 && length < sizeof current ? WithBackslash(current) : std::string();
  if (base.empty() || (base.size() >= folder.size() && SameName(base.substr(0, folder.size()), folder))) {
    char temp[MAX_PATH + 1] = {};
    const DWORD tempLength = GetTempPathA(sizeof temp, temp);
    base = tempLength > 0 && tempLength < sizeof temp ? WithBackslash(temp) : std::string();
  }
  return base + kLogName;
}

int RunUninstall(const std::string& folder, bool silent, UninstallUi& ui, bool* cleanup, bool* removeFolder) {
  *cleanup = false;
  *removeFolder = false;
  if (!silent && !ui.Confirm(LoadResourceString(IDS_UN_CONFIRM))) return kExitCancelled;
  while (IsViewerRunning()) {
    if (!ui.RetryWhileViewerRuns(LoadResourceString(IDS_UN_VIEWER_RUNNING))) {
      return silent ? kExitViewerRunning : kExitCancelled;
    }
  }

  const bool owned = RegistrationBelongsTo(folder);
  if (IsProtectedFolder(folder, SystemFolders(), WindowsFolder()) || LeadsThroughReparsePoint(folder, "")) {
    return RefuseDisk(IDS_UN_PROTECTED_FOLDER, folder, owned, ui);
  }
  std::string text;
  if (!ReadRecordText(folder, &text)) {
    return RefuseDisk(IDS_UN_NO_RECORD, folder, owned, ui);
  }
  InstallRecord record;
  std::string why;
  if (!installrecord::Parse(text, &record, &why)) return RefuseDisk(IDS_UN_DAMAGED_RECORD, folder, owned, ui);
  switch (CheckRecord(record, folder, PayloadNames(), &why)) {
    case RecordVerdict::kUsable: break;
    case RecordVerdict::kForeign: return RefuseDisk(IDS_UN_FOREIGN_RECORD, folder, owned, ui);
    case RecordVerdict::kDamaged: return RefuseDisk(IDS_UN_DAMAGED_RECORD, folder, owned, ui);
  }

  const std::string settingsFolder = SettingsFolderOf(folder);
  RemovalReport report;
  if (owned) RemoveRegistration(record);
  RemoveLinks(record, folder, &report);
  RemoveProgramFiles(record, folder, &report);

  if (!report.failed.empty()) {
    // The record, the uninstaller and the uninstall entry stay, so that a
    // second run can finish what this one could not.
    ui.NotRemoved(report.failed);
    return kExitFailed;
  }
  DeleteFileA((folder + installrecord::kRecordFileName).c_str());
  if (owned) RemoveUninstallEntry();
  *cleanup = true;
  *removeFolder = record.folderCreated;

  std::string closing = LoadResourceString(IDS_UN_DONE);
  const std::vector<std::string> left = RemainingEntries(folder);
  if (!left.empty()) closing += "\n\n" + LoadResourceString(IDS_UN_LEFT_FILES) + Lines(folder, left);
  if (!settingsFolder.empty() && !(settingsFolder.size() >= folder.size() &&
                                   SameName(settingsFolder.substr(0, folder.size()), folder))) {
    closing += "\n\n" + LoadResourceString(IDS_UN_LEFT_SETTINGS) + "\n" + settingsFolder;
  }
  ui.Finished(closing);
  return kExitRemoved;
}

bool StartCleanupCopy(const std::string& folder, bool removeFolder) {
  char self[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= MAX_PATH) return false;
  char temp[MAX_PATH + 1] = {};
  const DWORD tempLength = GetTempPathA(sizeof temp, temp);
  if (tempLength == 0 || tempLength >= MAX_PATH) return false;
  // Copies of earlier removals that Windows has not deleted yet (without
  // administrator rights it cannot be asked to at the next restart).
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((WithBackslash(temp) + "pv_uninstall-*.exe").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      DeleteFileA((WithBackslash(temp) + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  char copy[MAX_PATH + 1] = {};
  const int copyLength = std::snprintf(copy, sizeof copy, "%spv_uninstall-%lu.exe", WithBackslash(temp).c_str(),
                                       GetCurrentProcessId());
  if (copyLength <= 0 || copyLength >= MAX_PATH) return false;
  if (!CopyFileA(self, copy, FALSE)) return false;

  // The copy waits on this handle: no process id that could be reused.
  HANDLE inherited = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &inherited, SYNCHRONIZE, TRUE,
                       0)) {
    DeleteFileA(copy);
    return false;
  }
  std::string commandLine = "\"" + std::string(copy) + "\" /cleanup=" +
                            std::to_string(reinterpret_cast<unsigned long long>(inherited)) +
                            " /rmdir=" + (removeFolder ? "1" : "0") + " \"" + folder + "\"";
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // Started in TEMP: a current folder inside the program folder would keep it.
  const BOOL started = CreateProcessA(copy, line.data(), nullptr, nullptr, TRUE, 0, nullptr, temp, &startup, &process);
  CloseHandle(inherited);
  if (!started) {
    DeleteFileA(copy);
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

int RunCleanup(const UninstallOptions& options) {
  char temp[MAX_PATH + 1] = {};
  const DWORD tempLength = GetTempPathA(sizeof temp, temp);
  if (tempLength > 0 && tempLength < sizeof temp) SetCurrentDirectoryA(temp);
  if (options.waitHandle != 0) {
    WaitForSingleObject(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(options.waitHandle)), 30000);
  }
  const std::string folder = WithBackslash(options.folder);
  if (!IsProtectedFolder(folder, SystemFolders(), WindowsFolder()) && !LeadsThroughReparsePoint(folder, "")) {
    const std::string program = folder + kUninstallerFileName;
    // A virus scanner may hold the file a moment after the original ended.
    for (int attempt = 0; attempt < 50 && !DeleteFileA(program.c_str()) &&
                          GetFileAttributesA(program.c_str()) != INVALID_FILE_ATTRIBUTES;
         ++attempt) {
      Sleep(100);
    }
    if (options.removeFolder) RemoveFolderIfEmpty(folder);
  }
  // Windows keeps a running program's file; it goes at the next restart.
  char self[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length > 0 && length < MAX_PATH && !DeleteFileA(self)) {
    MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  return 0;
}
