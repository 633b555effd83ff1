#include "setup/run_journal.h"

#include <windows.h>

#include <shlobj.h>

#include <utility>

#include "core/footprint_names.h"
#include "core/reporter.h"
#include "core/uninstall_rules.h"
#include "install/install_log.h"
#include "install/install_record_file.h"
#include "install/run_files.h"
#include "install/viewer_settings.h"
#include "platform/file_identity.h"
#include "platform/journal_store.h"
#include "platform/registry.h"
#include "platform/resource_text.h"
#include "platform/shell_links.h"
#include "resources/resource.h"
#include "rollback/rollback.h"
#include "shell/link_undo.h"
#include "shell/shortcuts.h"

namespace {

bool StartsWith(const std::string& text, const std::string& start) {
  return !start.empty() && text.size() >= start.size() && installrecord::SameName(text.substr(0, start.size()), start);
}

}  // namespace

RunJournal::RunJournal(installrecord::Scope scope, const std::string& folder) {
  entries_.version = installrecord::VersionText();
  entries_.scope = scope;
  entries_.folder = folder;
  if (!entries_.folder.empty() && entries_.folder.back() != '\\') entries_.folder += '\\';
}

RunJournal::~RunJournal() {
  if (begun_ && !ended_) RollBack();
}

StepResult RunJournal::Begin(const std::vector<std::string>& foldersToCreate) {
  entries_.createdFolders = foldersToCreate;
  const StepResult written = Write();
  begun_ = written.ok;
  return written;
}

StepResult RunJournal::Write() { return WriteJournal(entries_.scope, journal::Serialize(entries_)); }

StepResult RunJournal::Finish() {
  if (!begun_ || ended_) return StepResult::Done();
  // Nothing replaced is left to delete: removing the journal is the end.
  bool leftToComplete = entries_.recordReplaced;
  for (const journal::File& file : entries_.files) leftToComplete = leftToComplete || file.replaces;
  if (!leftToComplete) {
    const StepResult removed = RemoveJournal(entries_.scope);
    if (!removed) {
      RollBack();
      return removed;
    }
    ended_ = true;
    return removed;
  }
  entries_.state = journal::State::kFinished;
  // Once this write has happened, a cut-off clean-up is completed by the
  // next run, never undone. Without it the run's end is known nowhere: the
  // run is taken back instead, as any run that could not be completed.
  const StepResult marked = Write();
  if (!marked) {
    entries_.state = journal::State::kUnfinished;
    RollBack();
    return marked;
  }
  ended_ = true;
  CompleteJournal(entries_);
  RemoveJournal(entries_.scope);
  return marked;
}

bool RunJournal::RollBack() {
  if (!begun_ || ended_) return false;
  ended_ = true;
  left_ = TakeBackRun(entries_);
  return true;
}

std::vector<std::string> FoldersToCreate(const std::string& folder) {
  std::string path = folder;
  while (!path.empty() && path.back() == '\\') path.pop_back();
  std::vector<std::string> missing;
  // Up to the first folder that exists (or the drive or share, which the
  // creation never makes).
  while (path.size() > 3) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) break;
    missing.insert(missing.begin(), path + "\\");
    const std::size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos || slash < 2) break;
    path.resize(slash);
  }
  return missing;
}

bool FilePresent(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string JournalKeyPath(installrecord::Scope scope) {
  return RegistryPath(scope == installrecord::Scope::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                      footprint::kJournalKey);
}

bool RecoverBeforeRun(installrecord::Scope scope, Reporter& reporter) {
  std::string why;
  StepReport left;
  const Recovery recovery = RecoverInterruptedRun(scope, &why, std::string(), &left);
  const std::string where = JournalKeyPath(scope);
  if (recovery == Recovery::kLater) {
    reporter.Failure(FailedStep::kStart, LoadResourceString(IDS_LATER_JOURNAL), where);
    return false;
  }
  if (recovery == Recovery::kUndoIncomplete) {
    ReportUndoLeft(left, IDS_RECOVERY_INCOMPLETE, where, reporter);
    return false;
  }
  if (recovery == Recovery::kUntrusted) {
    reporter.FailureWithCause(FailedStep::kStart, LoadResourceString(IDS_UNTRUSTED_JOURNAL), where, why);
    return false;
  }
  if (recovery == Recovery::kUndone) reporter.Notice(LoadResourceString(IDS_RECOVERED), where);
  return true;
}

void ReportUndoLeft(const StepReport& left, unsigned messageId, const std::string& subject, Reporter& reporter) {
  if (left.ok()) return;
  const std::string notPutBack = LoadResourceString(IDS_NOT_PUT_BACK);
  for (const StepResult& item : left.failed) {
    reporter.Notice(notPutBack, item.error != 0 ? item.subject + ": " + SystemErrorText(item.error) : item.subject);
  }
  reporter.Failure(FailedStep::kStart, LoadResourceString(messageId), subject);
}

std::vector<std::string> UsersFilesAtPayloadNames(const std::string& folder, const std::vector<std::string>& files,
                                                  const std::vector<std::string>& earlierFiles) {
  std::vector<std::string> users;
  for (const std::string& name : files) {
    bool ours = false;
    for (const std::string& earlier : earlierFiles) ours = ours || installrecord::SameName(earlier, name);
    if (!ours && FilePresent(folder + name)) users.push_back(name);
  }
  return users;
}

StepResult NotePayload(const std::string& folder, const PayloadContents& payload, RunJournal& journal) {
  journal::Journal& entries = journal.entries();
  entries.payloadFolders = MissingFolders(folder, payload.folders);
  entries.files = runfiles::PayloadFileEntries(folder, payload.stamps);
  return journal.Write();
}

void NoteLinks(const std::vector<ProductLink>& links, bool allUsers, journal::Journal* entries) {
  using installrecord::LinkPlace;
  const std::string programs = ShellFolderPath(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
  const std::string desktop = ShellFolderPath(allUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY);
  const LinkPlace programsPlace = allUsers ? LinkPlace::kCommonPrograms : LinkPlace::kUserPrograms;
  const LinkPlace desktopPlace = allUsers ? LinkPlace::kCommonDesktop : LinkPlace::kUserDesktop;
  const std::wstring resolvedPrograms = ResolvedFolderPath(programs);
  const std::wstring resolvedDesktop = ResolvedFolderPath(desktop);
  std::size_t room = journal::kMostLinkBytesOfARun;
  for (const ProductLink& link : links) {
    if (link.folder.empty()) continue;
    journal::Link entry;
    const std::string path = link.folder + link.name;
    std::string placeFolder;
    const std::wstring* resolved = nullptr;
    if (StartsWith(path, programs)) {
      entry.place = programsPlace;
      placeFolder = programs;
      resolved = &resolvedPrograms;
    } else if (StartsWith(path, desktop)) {
      entry.place = desktopPlace;
      placeFolder = desktop;
      resolved = &resolvedDesktop;
    } else {
      continue;
    }
    entry.name = path.substr(placeFolder.size());
    // An earlier link is kept with its bytes, to be put back if the run is
    // undone. The shell folders themselves are left as they are: the link
    // step only asks the shell to make a missing one, as the shell would.
    CaptureLink(placeFolder, *resolved, room, &entry);
    // An earlier version's link that is not there is not deleted either.
    if (link.earlierVersion && !entry.existed) continue;
    room -= entry.content.size();
    entries->links.push_back(std::move(entry));
  }
}

void NoteSettings(const char* folder, const char* iniFolder, journal::Journal* entries) {
  const std::vector<std::string> paths = ViewerSettingsFiles(folder, iniFolder);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    // The settings folder: made by the run when missing.
    if (i > 0) {
      const std::string settingsFolder = paths[i].substr(0, paths[i].find_last_of('\\') + 1);
      for (const std::string& created : FoldersToCreate(settingsFolder)) entries->createdFolders.push_back(created);
    }
    journal::Settings settings;
    settings.path = paths[i];
    // A file that cannot be read as it is (a link, too large) is left as
    // the run leaves it.
    if (runfiles::CaptureSettings(paths[i], &settings)) entries->settings.push_back(settings);
  }
}

void NoteRegistry(const journal::Journal& before, journal::Journal* entries) {
  entries->ownKeys = before.ownKeys;
  entries->ownSubKeys = before.ownSubKeys;
  entries->ownValues = before.ownValues;
  entries->keys = before.keys;
  entries->values = before.values;
}
