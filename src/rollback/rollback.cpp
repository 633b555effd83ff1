#include "rollback/rollback.h"

#include <utility>

#include "core/journal_trust.h"
#include "install/install_folder.h"
#include "install/run_files.h"
#include "platform/journal_store.h"
#include "platform/running_account.h"
#include "platform/system_folders.h"
#include "shell/link_undo.h"
#include "shell/registry_journal.h"

StepReport UndoJournal(const journal::Journal& entries) {
  // Newest first: the registry, the links, the settings files, then the
  // record, the payload's files and folders, the user's files moved aside
  // and the folders made on the way. Every part is tried whatever the
  // others achieved: what cannot be put back stays as the run left it.
  StepReport report = RestoreRegistry(entries);
  report.Add(UndoLinks(entries));
  for (auto it = entries.settings.rbegin(); it != entries.settings.rend(); ++it) {
    report.Add(runfiles::UndoSettings(*it));
  }
  report.Add(runfiles::UndoRunFiles(entries));
  return report;
}

StepReport TakeBackRun(journal::Journal entries) {
  StepReport left = UndoJournal(entries);
  if (left.ok()) {
    RemoveJournal(entries.scope);
    return left;
  }
  // Written whether or not it said so already: the journal as it stood may
  // still say the run is unfinished. Should the write fail, that text stays,
  // which the next run undoes all the same.
  entries.state = journal::State::kUndoIncomplete;
  left.Add(WriteJournal(entries.scope, journal::Serialize(entries)));
  return left;
}

void CompleteJournal(const journal::Journal& entries) { runfiles::DeleteReplacedFiles(entries); }

namespace {

// The current user's places, as a journal of the user's scope may name them.
journaltrust::UserPlaces CurrentUserPlaces() {
  journaltrust::UserPlaces places;
  const std::vector<std::string> profile = AccountProfileFolders();
  if (!profile.empty()) places.profile = profile.front();
  places.systemFolders = SystemFolders();
  places.windowsFolder = WindowsFolder();
  char machine[kPathSize] = {};
  if (FindPreviousInstallFolder(machine, installrecord::Scope::kMachine)) places.machineFolders.push_back(machine);
  return places;
}

}  // namespace

Recovery RecoverInterruptedRun(installrecord::Scope scope, std::string* why, const std::string& folder,
                               StepReport* left) {
  std::string text;
  const JournalFound found = ReadJournal(scope, &text);
  if (found == JournalFound::kNone) return Recovery::kNothing;
  journal::Journal entries;
  bool later = false;
  std::string reason = "unreadable";
  const bool parsed = journal::Parse(text, &entries, &reason, &later) && entries.scope == scope;
  if (found == JournalFound::kUnvouched) {
    // Which folder it claims serves only to tell whether it concerns the
    // uninstaller's; nothing else of it is read.
    if (!folder.empty() && parsed && !installrecord::SameName(entries.folder, folder)) return Recovery::kNothing;
    if (why != nullptr) *why = "written without administrator rights";
    return Recovery::kUntrusted;
  }
  if (found == JournalFound::kRead && parsed) {
    if (!folder.empty() && !installrecord::SameName(entries.folder, folder)) return Recovery::kNothing;
    if (scope == installrecord::Scope::kUser) {
      const std::string outside = journaltrust::FirstLineOutside(entries, CurrentUserPlaces());
      if (!outside.empty()) {
        if (why != nullptr) *why = outside;
        return Recovery::kUntrusted;
      }
    }
    if (entries.state == journal::State::kFinished) {
      CompleteJournal(entries);
      RemoveJournal(scope);
      return Recovery::kCompleted;
    }
    StepReport undone = TakeBackRun(entries);
    if (undone.ok()) return Recovery::kUndone;
    if (left != nullptr) *left = std::move(undone);
    return Recovery::kUndoIncomplete;
  }
  if (!folder.empty()) return Recovery::kNothing;
  if (why != nullptr) *why = reason;
  if (later) return Recovery::kLater;
  // Nothing this program wrote: it lists nothing that can be taken back.
  RemoveJournal(scope);
  return Recovery::kUnreadable;
}
