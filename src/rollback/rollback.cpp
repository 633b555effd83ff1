#include "rollback/rollback.h"

#include "install/install_record_file.h"
#include "install/payload_placement.h"
#include "platform/journal_store.h"
#include "shell/link_undo.h"
#include "shell/registry_journal.h"

void UndoJournal(const journal::Journal& entries) {
  // Newest first: the record, the registry, the links, the settings file,
  // the payload's files and folders, the user's files moved aside, the
  // folders made on the way.
  if (entries.recordStep) UndoRecordFile(entries.folder, entries.recordReplaced);
  RestoreRegistry(entries);
  UndoLinks(entries.links, entries.createdGroups);
  if (entries.hasSettings) UndoSettings(entries.settings);
  UndoPayloadFiles(entries.folder, entries.files);
  UndoPayloadFolders(entries.folder, entries.payloadFolders);
  UndoKept(entries.folder, entries.kept);
  UndoCreatedFolders(entries.createdFolders);
}

void CompleteJournal(const journal::Journal& entries) {
  DeleteReplacedFiles(entries.folder, entries.files);
  if (entries.recordReplaced) DeleteReplacedRecord(entries.folder);
}

Recovery RecoverInterruptedRun(installrecord::Scope scope, std::string* why, const std::string& folder) {
  std::string text;
  const JournalFound found = ReadJournal(scope, &text);
  if (found == JournalFound::kNone) return Recovery::kNothing;
  journal::Journal entries;
  bool later = false;
  std::string reason = "unreadable";
  if (found == JournalFound::kRead && journal::Parse(text, &entries, &reason, &later) && entries.scope == scope) {
    if (!folder.empty() && !installrecord::SameName(entries.folder, folder)) return Recovery::kNothing;
    if (entries.state == journal::State::kFinished) {
      CompleteJournal(entries);
    } else {
      UndoJournal(entries);
    }
    RemoveJournal(scope);
    return entries.state == journal::State::kFinished ? Recovery::kCompleted : Recovery::kUndone;
  }
  if (!folder.empty()) return Recovery::kNothing;
  if (why != nullptr) *why = reason;
  if (later) return Recovery::kLater;
  // Nothing this program wrote: it lists nothing that can be taken back.
  RemoveJournal(scope);
  return Recovery::kUnreadable;
}
