#include "uninstall/uninstall_run.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/install_record.h"
#include "rollback/rollback.h"
#include "core/product.h"
#include "core/leftover_rules.h"
#include "install/install_log.h"
#include "install/install_record_file.h"
#include "platform/environment.h"
#include "core/footprint_names.h"
#include "platform/file_identity.h"
#include "platform/journal_store.h"
#include "platform/private_copy.h"
#include "platform/registry.h"
#include "platform/resource_text.h"
#include "platform/run_lock.h"
#include "platform/running_account.h"
#include "platform/system_folders.h"
#include "platform/viewer_process.h"
#include "uninstall/earlier_folders.h"
#include "uninstall/registration_removal.h"
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

std::vector<LeftItem> CannotRemove(const std::vector<std::string>& paths) {
  std::vector<LeftItem> items;
  for (const std::string& path : paths) items.push_back({path, LoadResourceString(IDS_UN_CANNOT_REMOVE)});
  return items;
}

// Nothing of the disk is touched; the registration is offered, since it is
// derived from the product alone. Without a record nobody knows what the
// replaced values held: they stay, and so does the uninstall entry, so that
// a later run (or a new installation and its uninstaller) can finish.
int RefuseDisk(unsigned messageId, const std::string& folder, bool owned, Scope scope, Reporter& ui) {
  ui.Failure(FailedStep::kRemoval, LoadResourceString(messageId), folder);
  if (owned && ui.Confirm(LoadResourceString(IDS_UN_REGISTRATION_QUESTION))) {
    std::vector<std::string> failed;
    RemoveRegistration(nullptr, &failed, scope);
    if (!failed.empty()) ui.NotRemoved(CannotRemove(failed));
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

namespace {

unsigned RecordMessage(RecordFileState state) {
  switch (state) {
    case RecordFileState::kMissing: return IDS_UN_NO_RECORD;
    case RecordFileState::kTooLarge: return IDS_UN_RECORD_TOO_LARGE;
    case RecordFileState::kNotAFile: return IDS_UN_RECORD_IS_FOLDER;
    case RecordFileState::kRedirected: return IDS_UN_RECORD_REDIRECTED;
    case RecordFileState::kUnreadable: return IDS_UN_RECORD_UNREADABLE;
    case RecordFileState::kRead: break;
  }
  return IDS_UN_DAMAGED_RECORD;
}

std::wstring Wide(const std::string& text) {
  std::wstring wide;
  return AnsiToWide(text, &wide) ? wide : std::wstring();
}

// The uninstaller file as it is now, for the copy in TEMP.
bool StampOwnFile(const ProgramFolder& program, leftoverrules::FileStamp* stamp) {
  const std::wstring path = Wide(program.path + kUninstallerFileName);
  return !path.empty() && TakeFileStamp(path, program.resolved + L"\\" + Wide(kUninstallerFileName), stamp);
}

// A run killed after it had deleted the record left only the uninstaller and
// folders it had emptied; with no uninstall entry for this folder either, a
// retried run removes those and ends like the first would have.
bool FinishesLeftovers(const ProgramFolder& program, Reporter& ui, int* result) {
  bool complete = false;
  std::vector<leftoverrules::ListedEntry> listing;
  for (const auto& entry : ListProgramFolder(program, &complete)) listing.push_back({entry.first, entry.second});
  std::vector<std::string> folders;
  if (!complete || !leftoverrules::MayFinishLeftovers(listing, PayloadNames(), &folders)) return false;
  const RemovalReport report = RemoveLeftoverFolders(program, folders);
  leftoverrules::FileStamp stamp;
  if (!report.failed.empty()) {
    ui.NotRemoved(report.failed);
    *result = kExitFailed;
  } else if (!StampOwnFile(program, &stamp) || !StartCleanupCopy(program.path, true, stamp)) {
    ui.Failure(FailedStep::kCleanup, LoadResourceString(IDS_UN_CLEANUP_FAILED), program.path + kUninstallerFileName);
    *result = kExitFailed;
  } else {
    ui.Finished(LoadResourceString(IDS_UN_DONE));
    *result = kExitRemoved;
  }
  return true;
}

// The scope whose registration names the folder; the user's removal
// touches nothing of the machine's. When both do (the user's installation
// went into the machine's folder), the record there says whose files these
// are: the later installation's.
Scope ScopeToRemove(const std::string& folder, bool ownedByMachine, bool ownedByUser) {
  if (!ownedByUser) return Scope::kMachine;
  if (!ownedByMachine) return Scope::kUser;
  std::string text;
  InstallRecord record;
  if (ReadRecordFile(folder, &text) == RecordFileState::kRead && installrecord::Parse(text, &record, nullptr)) {
    return record.scope;
  }
  return Scope::kMachine;
}

}  // namespace

int RunUninstall(const std::string& folder, bool silent, Reporter& ui) {
  if (!silent && !ui.Confirm(LoadResourceString(IDS_UN_CONFIRM))) return kExitCancelled;
  // The folder's viewer counts in any session: a deployment tool removes as
  // a service account, which sees no window of a user's desktop.
  while (IsViewerInUse(folder.c_str())) {
    if (!ui.RetryWhileViewerRuns(LoadResourceString(IDS_UN_VIEWER_RUNNING))) {
      return silent ? kExitViewerRunning : kExitCancelled;
    }
  }
  // Taken once the user has agreed and the viewer is gone (a question on
  // the screen blocks no other run) and held until the end: a setup at
  // work on the same folder or registration makes this run change nothing.
  RunLock lock;
  if (!lock.Acquire(footprint::kRunWaitMs)) {
    const unsigned text = lock.holder() == RunLock::Holder::kUnknown    ? IDS_UN_LOCK_UNKNOWN_HOLDER
                          : lock.holder() == RunLock::Holder::kNotALock ? IDS_UN_LOCK_NAME_TAKEN
                                                                        : IDS_UN_OTHER_RUN;
    ui.Failure(FailedStep::kStart, LoadResourceString(text), "");
    return kExitViewerRunning;
  }
  // A setup run into this folder that was cut off is taken back first: what
  // it wrote goes, what it replaced comes back, and the removal goes on with
  // the installation that was there before it (if any). An undo that could
  // not put everything back keeps its journal, and the removal waits for an
  // undo that does. This program's own file cannot go while it runs: the
  // removal leaves it to the copy in TEMP, so an undo that left only that
  // file has nothing more to do.
  for (const Scope journalScope : {Scope::kMachine, Scope::kUser}) {
    StepReport left;
    std::string why;
    const Recovery recovery = RecoverInterruptedRun(journalScope, &why, folder, &left);
    if (recovery == Recovery::kUntrusted) {
      ui.FailureWithCause(FailedStep::kStart, LoadResourceString(IDS_UN_UNTRUSTED_JOURNAL),
                          RegistryPath(HKEY_CURRENT_USER, footprint::kJournalKey), why);
      return kExitFailed;
    }
    if (recovery != Recovery::kUndoIncomplete) continue;
    const std::string self = folder + kUninstallerFileName;
    left.failed.erase(std::remove_if(left.failed.begin(), left.failed.end(),
                                     [&self](const StepResult& item) { return SameName(item.subject, self); }),
                      left.failed.end());
    if (!left.ok()) {
      const std::string notPutBack = LoadResourceString(IDS_UN_NOT_PUT_BACK);
      std::vector<LeftItem> items;
      for (const StepResult& item : left.failed) {
        items.push_back({item.subject, item.error != 0 ? notPutBack + ": " + SystemErrorText(item.error) : notPutBack});
      }
      ui.NotRemoved(items);
      ui.Failure(FailedStep::kStart, LoadResourceString(IDS_UN_UNDO_INCOMPLETE), folder);
      return kExitFailed;
    }
    RemoveJournal(journalScope);
  }

  const bool ownedByMachine = RegistrationBelongsTo(folder, Scope::kMachine);
  const bool ownedByUser = RegistrationBelongsTo(folder, Scope::kUser);
  const bool owned = ownedByMachine || ownedByUser;
  const Scope scope = ScopeToRemove(folder, ownedByMachine, ownedByUser);
  if (IsProtectedFolder(folder, SystemFolders(), WindowsFolder()) || LeadsThroughReparsePoint(folder, "")) {
    return RefuseDisk(IDS_UN_PROTECTED_FOLDER, folder, owned, scope, ui);
  }
  ProgramFolder program;
  if (!ResolveProgramFolder(folder, &program)) return RefuseDisk(IDS_UN_FOLDER_REDIRECTED, folder, owned, scope, ui);
  // The uninstall entry's copy of the record (for a machine installation one
  // only an administrator can change; for a user's, one the user can, as
  // everything else of that installation) is what the registry gets back;
  // the file in the folder
  // serves when there is no copy (an installation made before the copy was
  // kept) and for a folder whose registration has moved elsewhere.
  InstallRecord trusted;
  const bool haveTrusted = owned && ReadTrustedRecord(folder, PayloadNames(), &trusted, scope);
  std::string text;
  const RecordFileState state = ReadRecordFile(folder, &text);
  if (state == RecordFileState::kMissing && !owned) {
    int result = kExitFailed;
    if (FinishesLeftovers(program, ui, &result)) return result;
  }
  InstallRecord record;
  std::string why;
  unsigned refusal = 0;
  if (state != RecordFileState::kRead) {
    refusal = RecordMessage(state);
  } else if (!installrecord::Parse(text, &record, &why)) {
    refusal = IDS_UN_DAMAGED_RECORD;
  } else {
    switch (AdoptRecord(&record, folder, PayloadNames(), &why)) {
      case RecordVerdict::kUsable: break;
      case RecordVerdict::kForeign: refusal = IDS_UN_FOREIGN_RECORD; break;
      case RecordVerdict::kDamaged: refusal = IDS_UN_DAMAGED_RECORD; break;
    }
  }
  if (haveTrusted) {
    record = trusted;
  } else if (refusal != 0) {
    return RefuseDisk(refusal, folder, owned, scope, ui);
  }
  if (record.unreadLines > 0) {
    // A later version's record: what its unread lines name is left alone.
    std::string notice = LoadResourceString(IDS_UN_UNREAD_LINES);
    const std::size_t count = notice.find("%u");
    if (count != std::string::npos) notice.replace(count, 2, std::to_string(record.unreadLines));
    ui.Notice(notice, folder + footprint::kRecordFileName);
  }

  const std::string settingsFolder = SettingsFolderOf(folder);
  RemovalReport report;
  if (owned) {
    std::vector<std::string> failed;
    RemoveRegistration(&record, &failed, scope);
    for (const LeftItem& item : CannotRemove(failed)) report.failed.push_back(item);
  }
  RemoveLinks(record, folder, &report);
  RemoveProgramFiles(record, program, &report);
  // Folders this installation's registration moved from: only as the
  // machine entry's copy names them. A user's entry is the user's to write,
  // and an uninstaller started elevated must not take a folder list from it.
  if (haveTrusted && scope == Scope::kMachine) RemoveEarlierFolders(trusted, &report);

  if (!report.failed.empty()) {
    // The record, the uninstaller and the uninstall entry stay, so that a
    // second run can finish what this one could not.
    std::vector<LeftItem> items = report.failed;
    for (const std::string& path : report.changed) items.push_back({path, LoadResourceString(IDS_UN_CHANGED_FILE)});
    ui.NotRemoved(items);
    return kExitFailed;
  }
  // The entry first: a run killed after it leaves the record, whose files
  // are gone, and a second run finishes with it.
  const bool parentCreated =
      installrecord::HasCreatedKey(record, footprint::ScopeRoot(scope), footprint::kUninstallParentKey);
  if (owned && !RemoveUninstallEntry(scope, parentCreated)) {
    ui.NotRemoved(CannotRemove({std::string(scope == Scope::kUser ? "HKCU\\" : "HKLM\\") +
                                footprint::kUninstallEntryKey}));
    return kExitFailed;
  }
  // The copy in TEMP is started while the record is still there: a copy
  // that cannot be made or started fails the run, and a second run finds
  // the record and finishes. Killed once the record is gone, the run leaves
  // the uninstaller and emptied folders, which a second run recognises as
  // its own leftovers.
  leftoverrules::FileStamp stamp;
  if (!StampOwnFile(program, &stamp) || !StartCleanupCopy(folder, record.folderCreated, stamp)) {
    ui.Failure(FailedStep::kCleanup, LoadResourceString(IDS_UN_CLEANUP_FAILED), folder + kUninstallerFileName);
    return kExitFailed;
  }
  // A record that stays is not told: everything it names is gone, and the
  // closing report leaves it out as the uninstaller's own file.
  static_cast<void>(DeleteRecordFile(program));

  ui.LeftAsUsers(report.changed);
  std::string closing = LoadResourceString(IDS_UN_DONE);
  std::vector<std::string> left = RemainingEntries(folder);
  left.erase(std::remove_if(left.begin(), left.end(),
                            [&](const std::string& name) {
                              for (const std::string& path : report.changed) {
                                if (SameName(folder + name, path)) return true;
                              }
                              return false;
                            }),
             left.end());
  if (!report.changed.empty()) closing += "\n\n" + LoadResourceString(IDS_UN_CHANGED_FILES) + Lines("", report.changed);
  if (!left.empty()) closing += "\n\n" + LoadResourceString(IDS_UN_LEFT_FILES) + Lines(folder, left);
  if (!settingsFolder.empty() && !(settingsFolder.size() >= folder.size() &&
                                   SameName(settingsFolder.substr(0, folder.size()), folder))) {
    closing += "\n\n" + LoadResourceString(IDS_UN_LEFT_SETTINGS) + "\n" + settingsFolder;
  }
  ui.Finished(closing);
  return kExitRemoved;
}

namespace {

std::wstring TempFolderW() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  std::wstring folder(temp, length);
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

std::wstring OwnPathW() {
  std::vector<wchar_t> path(32768);
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return std::wstring();
  return std::wstring(path.data(), length);
}

// The uninstaller's replaced name, when it is a file of its own exactly
// there (never through a link). A virus scanner may hold it a moment.
void DeleteReplacedUninstaller(const ProgramFolder& program) {
  const std::string name = std::string(kUninstallerFileName) + footprint::kReplacedSuffix;
  const std::wstring expected = program.resolved + L"\\" + Wide(name);
  for (int attempt = 0; attempt < 20; ++attempt) {
    const FileIdentity found = IdentifyFile(program.path + name);
    if (!found.exists || found.directory || !IsExactlyAt(found, expected)) return;
    unsigned long error = 0;
    if (DeleteExactly(program.path + name, found, expected, &error)) return;
    Sleep(100);
  }
}

// Where the copy is started from. With administrator rights, a folder of
// its own made now in the system's temporary folder, which only
// Administrators and SYSTEM may change: the user's TEMP is writable by every
// process of the user, and a copy swapped there would run elevated. Without
// those rights the user's TEMP serves: whoever could change the copy there
// gains nothing by it.
std::wstring FolderForCopy(bool elevated) {
  if (!elevated) return TempFolderW();
  const std::wstring system = SystemTempFolder();
  if (system.empty()) return std::wstring();
  // Folders of earlier copies that are empty now (a copy's file may be
  // deleted only after its process ended, too late for its folder). Only
  // empty ones: removing a folder never goes into it, nor through a link.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((system + L"pv_uninstall-*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) RemoveDirectoryW((system + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  // A name somebody made first is not ours: the next one is tried.
  const std::wstring stem = system + L"pv_uninstall-" + std::to_wstring(GetCurrentProcessId());
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    const std::wstring folder = stem + (attempt == 0 ? L"" : L"-" + std::to_wstring(GetTickCount() + attempt)) + L"\\";
    if (CreatePrivateFolder(folder)) return folder;
  }
  return std::wstring();
}

}  // namespace

bool StartCleanupCopy(const std::string& folder, bool removeFolder, const leftoverrules::FileStamp& stamp) {
  const std::wstring self = OwnPathW();
  const bool elevated = IsProcessElevated();
  const std::wstring temp = FolderForCopy(elevated);
  const std::wstring wideFolder = Wide(folder);
  if (self.empty() || temp.empty() || wideFolder.empty()) {
    if (elevated && !temp.empty()) RemoveDirectoryW(temp.c_str());
    return false;
  }
  if (!elevated) {
    // Copies of earlier removals that Windows has not deleted yet (without
    // administrator rights it cannot be asked to at the next restart).
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((temp + L"pv_uninstall-*.exe").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((temp + found.cFileName).c_str());
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
  }
  const std::wstring stem = temp + L"pv_uninstall-" + std::to_wstring(GetCurrentProcessId());
  bool started = false;
  {
    // Held from its writing until the process runs from it. A name that is
    // taken (an earlier copy Windows keeps until the restart) is left.
    HeldCopy held;
    std::wstring copy;
    bool made = false;
    for (unsigned attempt = 0; attempt < 4 && !made; ++attempt) {
      copy = stem + (attempt == 0 ? L"" : L"-" + std::to_wstring(attempt)) + L".exe";
      made = held.Make(self, copy);
    }
    if (made) {
      // The copy waits on this handle: no process id that could be reused.
      HANDLE inherited = nullptr;
      if (DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &inherited, SYNCHRONIZE,
                          TRUE, 0)) {
        const std::string options = " /cleanup=" + std::to_string(reinterpret_cast<unsigned long long>(inherited)) +
                                    " /rmdir=" + (removeFolder ? "1" : "0") + " \"";
        const std::wstring commandLine = L"\"" + copy + L"\"" + Wide(options) + wideFolder + L"\"" +
                                         Wide(leftoverrules::FormatFileStamp(stamp));
        std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
        line.push_back(L'\0');
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        // Started in its own folder: a current folder inside the program
        // folder would keep it.
        started = CreateProcessW(copy.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, temp.c_str(), &startup,
                                 &process) != FALSE;
        CloseHandle(inherited);
        if (started) {
          held.Release();
          CloseHandle(process.hThread);
          CloseHandle(process.hProcess);
        }
      }
    }
  }
  if (!started && elevated) RemoveDirectoryW(temp.c_str());
  return started;
}

int RunCleanup(const UninstallOptions& options, const leftoverrules::FileStamp* stamp) {
  const std::wstring temp = TempFolderW();
  if (!temp.empty()) SetCurrentDirectoryW(temp.c_str());
  // The original may still show its closing box; a copy whose original has
  // not ended after this long deletes nothing (a second run finishes).
  constexpr DWORD kOriginalWait = 30 * 60 * 1000;
  bool originalEnded = options.waitHandle == 0;
  if (options.waitHandle != 0) {
    originalEnded = WaitForSingleObject(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(options.waitHandle)),
                                        kOriginalWait) == WAIT_OBJECT_0;
  }
  const std::string folder = WithBackslash(options.folder);
  ProgramFolder program;
  // A setup that started meanwhile may be filling the folder again: then
  // the copy leaves it (its own uninstaller replaces this one's file).
  RunLock lock;
  if (originalEnded && stamp != nullptr && lock.Acquire(footprint::kRunWaitMs) &&
      !IsProtectedFolder(folder, SystemFolders(), WindowsFolder()) &&
      ResolveProgramFolder(folder, &program)) {
    const std::wstring path = Wide(folder + kUninstallerFileName);
    const std::wstring expected = program.resolved + L"\\" + Wide(kUninstallerFileName);
    // Only the file the original was started from: a new installation made
    // since has written its own, which stays. A virus scanner may hold the
    // file a moment after the original ended.
    unsigned long error = 0;
    for (int attempt = 0; attempt < 50 && !DeleteIfStamped(path, *stamp, expected, &error) &&
                          error != ERROR_INVALID_HANDLE;
         ++attempt) {
      Sleep(100);
    }
    // An update that ran while an uninstaller was open (or was cut off
    // while replacing it) left the earlier uninstaller under its replaced
    // name: nobody else deletes it once the installation is gone.
    DeleteReplacedUninstaller(program);
    if (options.removeFolder) RemoveFolderExactly(Wide(program.path), program.resolved);
  }
  // Windows keeps a running program's file; it goes at the next restart,
  // and so does the folder made for it.
  const std::wstring self = OwnPathW();
  const std::wstring ownFolder = self.substr(0, self.find_last_of(L'\\') + 1);
  const std::wstring system = SystemTempFolder();
  const std::wstring privateStem = system + L"pv_uninstall-";
  const bool privateFolder = !system.empty() && ownFolder.size() > privateStem.size() &&
                             CompareStringOrdinal(ownFolder.c_str(), static_cast<int>(privateStem.size()),
                                                  privateStem.c_str(), static_cast<int>(privateStem.size()),
                                                  TRUE) == CSTR_EQUAL;
  if (self.empty()) return 0;
  if (DeleteFileW(self.c_str())) {
    // The file may go only once this process has ended: then the folder
    // goes at the restart, or with the next elevated removal.
    if (privateFolder && !RemoveDirectoryW(ownFolder.c_str())) {
      MoveFileExW(ownFolder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
  } else {
    MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (privateFolder) MoveFileExW(ownFolder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  return 0;
}
