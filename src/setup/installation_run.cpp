#include "setup/installation_run.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/folder_text.h"
#include "core/install_record.h"
#include "core/product.h"
#include "core/step_result.h"
#include "core/target_folder.h"
#include "core/uninstall_rules.h"
#include "install/install_folder.h"
#include "install/install_log.h"
#include "install/install_record_file.h"
#include "install/run_files.h"
#include "install/payload_extraction.h"
#include "install/target_preparation.h"
#include "install/viewer_settings.h"
#include "platform/folders.h"
#include "platform/journal_store.h"
#include "platform/resource_text.h"
#include "platform/run_progress.h"
#include "platform/shell_links.h"
#include "platform/system_folders.h"
#include "resources/resource.h"
#include "setup/account_run.h"
#include "rollback/rollback.h"
#include "setup/install_recording.h"
#include "setup/run_journal.h"
#include "setup/side_work.h"
#include "shell/registration.h"
#include "shell/shortcuts.h"

namespace {

constexpr char kPayloadType[] = "ZIP";
constexpr char kTempArchiveName[] = "pxmaing_x64.zip";

// Tells the reporter which step failed on what; the reporter decides how
// its entry looks.
bool Fail(Reporter& reporter, FailedStep step, unsigned messageId, const std::string& subject) {
  reporter.Failure(step, LoadResourceString(messageId), subject);
  return false;
}

// The same with the file or folder the system refused and its error code;
// an empty path means no cause is known.
bool FailWithCause(Reporter& reporter, FailedStep step, unsigned messageId, const std::string& subject,
                   const std::string& path, unsigned long error) {
  if (path.empty()) return Fail(reporter, step, messageId, subject);
  reporter.FailureWithCause(step, LoadResourceString(messageId), subject, path + ": " + SystemErrorText(error));
  return false;
}

// Scopes never share a folder: each removal takes its own registration and
// the folder's files, so a second scope's installation there would leave
// the first one registered with nothing behind it. The other scope's
// registration, or the record in the folder, says whose folder it is.
bool HeldByOtherScope(const std::string& folder, installrecord::Scope scope) {
  using installrecord::Scope;
  const Scope other = scope == Scope::kUser ? Scope::kMachine : Scope::kUser;
  char registered[kPathSize] = {};
  if (FindPreviousInstallFolder(registered, other) &&
      installrecord::SameName(uninstallrules::WithBackslash(registered), folder)) {
    return true;
  }
  std::string text;
  installrecord::InstallRecord record;
  return ReadRecordText(folder, &text) && installrecord::Parse(text, &record, nullptr) && record.scope != scope;
}

// The per-user installation's links and a machine installation's links for
// the current user (without "all users") share their places. A link there
// that leads into the other scope's installation is that installation's:
// it is neither overwritten nor deleted, and this run's record does not
// name it (the record takes the links that lead into its own folder), so
// that neither removal takes the other's links. The log names each one.
void LeaveOtherScopesLinks(installrecord::Scope scope, std::vector<ProductLink>* links, Reporter& reporter) {
  using installrecord::Scope;
  char other[kPathSize] = {};
  if (!FindPreviousInstallFolder(other, scope == Scope::kUser ? Scope::kMachine : Scope::kUser)) return;
  const std::string otherFolder = uninstallrules::WithBackslash(other);
  std::vector<std::string> paths;
  for (const ProductLink& link : *links) paths.push_back(link.folder.empty() ? std::string() : link.folder + link.name);
  const std::vector<std::string> targets = ReadLinkTargets(paths);
  std::vector<ProductLink> kept;
  for (std::size_t i = 0; i < links->size(); ++i) {
    const std::string& target = targets[i];
    const bool others = !paths[i].empty() && target.size() > otherFolder.size() &&
                        installrecord::SameName(target.substr(0, otherFolder.size()), otherFolder);
    if (!others) {
      kept.push_back((*links)[i]);
    } else if (!(*links)[i].earlierVersion) {
      reporter.Notice(LoadResourceString(IDS_LINK_FAILED), paths[i]);
    }
  }
  links->swap(kept);
}

// The journal could not be written: nothing more may be changed.
bool FailJournal(Reporter& reporter, const StepResult& written) {
  return FailWithCause(reporter, FailedStep::kStart, IDS_JOURNAL_FAILED, written.subject, written.subject,
                       written.error);
}

// Tells what the journal's undo could not put back, if anything; otherwise,
// when sayUndone, that the run was taken back.
bool ReportUndo(Reporter& reporter, const RunJournal& journal, bool sayUndone) {
  if (!journal.UndoLeft().ok()) {
    ReportUndoLeft(journal.UndoLeft(), IDS_UNDO_INCOMPLETE, JournalKeyPath(journal.scope()), reporter);
  } else if (sayUndone) {
    reporter.Notice(LoadResourceString(IDS_ROLLED_BACK), std::string());
  }
  return false;
}

// A failure after files were written: everything the run changed is taken
// back, and the log says so after the failure itself (or names what could
// not be put back).
bool TakeBack(Reporter& reporter, RunJournal& journal) { return ReportUndo(reporter, journal, journal.RollBack()); }

// The same where a run that went back leaves the failure alone to tell.
void TakeBackQuietly(Reporter& reporter, RunJournal& journal) {
  journal.RollBack();
  ReportUndo(reporter, journal, false);
}

// What failed without failing the run, in the order of the steps: links,
// associations, the record. A run whose open command or uninstall entry
// could not be written is told by that one cause, not by the associations
// the same denial kept from being written.
void ReportNotices(Reporter& reporter, const RegistrationOutcome& outcome, bool recorded, const char* folder) {
  const std::string linkFailed = LoadResourceString(IDS_LINK_FAILED);
  for (const std::string& link : outcome.failedLinks) reporter.Notice(linkFailed.c_str(), link.c_str());
  if (outcome.essential.ok) {
    const std::string associationFailed = LoadResourceString(IDS_ASSOCIATION_FAILED);
    for (const std::string& extension : outcome.failedAssociations) {
      reporter.Notice(associationFailed.c_str(), extension.c_str());
    }
  }
  if (!recorded) {
    const std::string recordFailed = LoadResourceString(IDS_RECORD_FAILED);
    const std::string recordPath = std::string(folder) + installrecord::kRecordFileName;
    reporter.Notice(recordFailed.c_str(), recordPath.c_str());
  }
}

// Before anything is unpacked: the program folder and its folders must be
// where their names say, and the user's files at payload names are moved
// aside into pv_kept (an earlier installation's files are simply replaced).
// movedAny: on failure, whether files had been moved aside (and went back).
bool PrepareFolder(const char* folder, const std::vector<std::string>& createdFolders, InstallRecording& recording,
                   RunJournal& journal, Reporter& reporter, bool* movedAny) {
  PayloadContents payload;
  ReadPayloadContents(IDR_PAYLOAD, kPayloadType, &payload);
  // The run made the folder itself when the last folder it created is it.
  const bool created = !createdFolders.empty() &&
                       installrecord::SameName(uninstallrules::WithBackslash(createdFolders.back()), folder);
  // What will be moved aside is in the journal before anything is moved.
  if (!created) {
    journal.entries().kept = UsersFilesAtPayloadNames(folder, payload.files, recording.FilesOfEarlierInstallation());
    const StepResult written = journal.Write();
    if (!written) return FailJournal(reporter, written);
  }
  std::vector<std::string> setAside;
  const PreparationOutcome prepared = PrepareProgramFolder(folder, created, payload.folders, payload.files,
                                                          recording.FilesOfEarlierInstallation(), &setAside);
  if (prepared.result) {
    if (!setAside.empty()) recording.NoteSetAside(setAside);
    return true;
  }
  const StepResult& failure = prepared.result;
  *movedAny = prepared.problem != PreparationProblem::kLinkedFolder;
  if (prepared.problem == PreparationProblem::kLinkedFolder) {
    return Fail(reporter, FailedStep::kTargetFolder, IDS_FOLDER_IS_LINK, failure.subject);
  }
  return FailWithCause(reporter, FailedStep::kTargetFolder, IDS_NOT_SET_ASIDE, folder, failure.subject,
                       failure.error);
}

}  // namespace

std::size_t LongestInstalledName() {
  std::size_t longest = sizeof kViewerProgramFile - 1;
  const long longestEntry = LongestPayloadEntryName(IDR_PAYLOAD, kPayloadType);
  if (longestEntry > static_cast<long>(longest)) longest = static_cast<std::size_t>(longestEntry);
  // While the run goes on, each file has a staged and a replaced name too.
  return runfiles::LongestStagedName(longest);
}

bool RunInstallation(const InstallOptions& chosen, Reporter& reporter) {
  // Before anything is written, and before the record notes where the links
  // go: a run as a service account writes nothing into its own profile.
  const InstallOptions options = PlaceForRunningAccount(chosen, reporter);
  char folder[kPathSize] = {};
  for (int i = 0; i < kPathSize - 1 && options.targetFolder[i] != '\0'; ++i) {
    folder[i] = options.targetFolder[i];
  }
  char normalised[kPathSize];
  const TargetFolderProblem problem = CheckTargetFolder(folder, LongestInstalledName(), normalised);
  // Blanks alone have always been told as a folder that cannot be created;
  // the creation below refuses them before it makes anything.
  const bool onlyBlanks = problem == TargetFolderProblem::kEmpty && folder[0] != '\0';
  if (problem != TargetFolderProblem::kNone && !onlyBlanks) {
    return Fail(reporter, FailedStep::kTargetFolder, IDS_INVALID_FOLDER, folder);
  }
  // What the uninstaller would refuse to remove from (a system folder, a
  // parent of one, the Windows folder, a share) is no place to install.
  if (problem == TargetFolderProblem::kNone && IsProtectedProgramFolder(normalised)) {
    return Fail(reporter, FailedStep::kTargetFolder, IDS_INVALID_FOLDER, folder);
  }
  const installrecord::Scope scope = options.perUser ? installrecord::Scope::kUser : installrecord::Scope::kMachine;
  if (!RecoverBeforeRun(scope, reporter)) return false;
  if (problem == TargetFolderProblem::kNone && HeldByOtherScope(uninstallrules::WithBackslash(normalised), scope)) {
    return Fail(reporter, FailedStep::kTargetFolder,
                scope == installrecord::Scope::kUser ? IDS_FOLDER_OF_MACHINE : IDS_FOLDER_OF_USER, folder);
  }
  InstallRecording recording(scope);
  recording.BeforeFolder(folder);
  // Before the first change: the journal, with the folders the creation
  // will make. A run that cannot keep it changes nothing.
  RunJournal journal(scope, normalised);
  const StepResult begun = journal.Begin(FoldersToCreate(normalised));
  if (!begun) return FailJournal(reporter, begun);
  std::vector<std::string> createdFolders;
  const StepResult folderMade = EnsureFolderExists(folder, &createdFolders);
  if (!folderMade) {
    TakeBackQuietly(reporter, journal);
    return FailWithCause(reporter, FailedStep::kTargetFolder, IDS_CANNOT_CREATE_FOLDER, folder, folderMade.subject,
                         folderMade.error);
  }
  // The folder as it was made (the creation drops blanks at the ends of its
  // names): every later entry names its files there.
  journal.entries().folder = uninstallrules::WithBackslash(folder);
  recording.BeforeUnpacking(folder, IDR_PAYLOAD, kPayloadType);
  // Started now, the one helper thread works while the folder is prepared
  // and the payload noted and unpacked (see SideWork); nothing is written
  // unless the unpacking succeeds.
  const bool withLinks = options.startMenuGroup || options.desktopLink || options.thumbsLink;
  SideWork sideWork(recording, options.allUsers, withLinks);
  bool movedAny = false;
  if (!PrepareFolder(folder, createdFolders, recording, journal, reporter, &movedAny)) {
    sideWork.WaitForNotes();
    // The files moved so far went back: the log says so; a folder that
    // leads elsewhere was refused before anything was touched.
    if (movedAny) return TakeBack(reporter, journal);
    TakeBackQuietly(reporter, journal);
    return false;
  }
  // Every file and folder of the payload, each with what stands at its name
  // now, before the first is written.
  const StepResult payloadNoted = NotePayload(folder, recording.Payload(), journal);
  if (!payloadNoted) {
    sideWork.WaitForNotes();
    FailJournal(reporter, payloadNoted);
    return TakeBack(reporter, journal);
  }
  runprogress::BeginStage(progressrule::Stage::kUnpacking, recording.PayloadBytes());
  char destination[kPathSize];
  std::memcpy(destination, folder, sizeof destination);
  // Each file is unpacked beside the one it replaces and put in place only
  // when all of them are there: a failed upgrade keeps the earlier files.
  StepResult unpacked = ExtractPayload(IDR_PAYLOAD, kPayloadType, kTempArchiveName, destination, EntryNaming::kStaged);
  if (unpacked) unpacked = runfiles::PutStagedFilesInPlace(journal.entries().folder, journal.entries().files);
  if (!unpacked) {
    sideWork.WaitForNotes();
    FailWithCause(reporter, FailedStep::kUnpacking, IDS_INSTALL_FAILED, folder, unpacked.subject, unpacked.error);
    return TakeBack(reporter, journal);
  }
  runprogress::BeginStage(progressrule::Stage::kRegistering, 0);

  // From here on the folder is the one that was created and filled: the text
  // as given may still hold blanks at the end of a folder name, which the
  // creation dropped, and would name a program that does not exist. The
  // helper's notes are complete first: whether the Start-menu group exists
  // must be seen before any link is written. The links are written from now
  // on while the rest goes on; the record waits for the last of them.
  const ScreenMetrics metrics = sideWork.WaitForNotes();
  // The group folder, the settings files and the registry as they are now,
  // in one write before any of them changes; then the links, once their
  // names are known (naming them makes the group folder).
  if (options.startMenuGroup && !recording.GroupExisted()) {
    journal.entries().createdGroups.push_back(options.allUsers ? installrecord::LinkPlace::kCommonPrograms
                                                               : installrecord::LinkPlace::kUserPrograms);
  }
  NoteSettings(folder, options.iniFolder, &journal.entries());
  NoteRegistry(recording.RegistryBefore(), &journal.entries());
  StepResult noted = journal.Write();
  std::vector<ProductLink> links;
  if (noted) {
    links = ProductLinks(options, folder);
    LeaveOtherScopesLinks(scope, &links, reporter);
    NoteLinks(links, options.allUsers, &journal.entries());
    noted = journal.Write();
  }
  if (!noted) {
    FailJournal(reporter, noted);
    return TakeBack(reporter, journal);
  }
  sideWork.SaveLinks(std::move(links));
  // The settings file never fails the run, whatever it could not write.
  WriteViewerSettings(folder, options.iniFolder, metrics);

  // Asked only now, so that answering No still leaves a complete installation.
  bool confirmed = true;
  if (options.associate) {
    const std::string question = LoadResourceString(IDS_ASSOCIATE_QUESTION);
    confirmed = reporter.Confirm(question.c_str());
  }
  // The links are written on the helper thread while the registry is
  // written here.
  RegistrationOutcome outcome = WriteShellRegistration(options, folder, confirmed, recording.PayloadBytes());
  // Without its open command or uninstall entry the installation is not
  // usable: a standard user's run ends here, and takes back what it did.
  if (!outcome.essential.ok) {
    sideWork.FinishLinks();
    FailWithCause(reporter, FailedStep::kRegistration, IDS_NEEDS_ADMIN, outcome.essential.subject,
                  outcome.essential.subject, outcome.essential.error);
    return TakeBack(reporter, journal);
  }
  // The record is what lets the uninstaller take the installation back.
  // Without it a first installation is still complete, and the log says so;
  // the uninstaller then says that it cannot know the files and offers to
  // remove only the registration. An update fails without it (below). The registry part is noted while the last
  // links are still being written.
  bool chosenRows[kFormatRowCount];
  for (int row = 0; row < kFormatRowCount; ++row) chosenRows[row] = options.formatSelection[row] && confirmed;
  recording.AfterRegistration(chosenRows, options.associate && confirmed);
  outcome.failedLinks = sideWork.FinishLinks();
  const std::string recordFolder = uninstallrules::WithBackslash(folder);
  journal.entries().recordStep = true;
  journal.entries().recordReplaced = FilePresent(recordFolder + installrecord::kRecordFileName);
  const StepResult recordNoted = journal.Write();
  if (!recordNoted) {
    FailJournal(reporter, recordNoted);
    return TakeBack(reporter, journal);
  }
  // The earlier record stays until the run has ended, for a failure to
  // put back. Something else at its name (a folder) is no record: the
  // record then cannot be written, which the log tells without failing the
  // run, as the entry's copy still lets the uninstaller take it back.
  const StepResult setAside =
      journal.entries().recordReplaced ? runfiles::SetRecordAside(recordFolder) : StepResult::Done();
  if (!setAside) {
    FailWithCause(reporter, FailedStep::kRegistration, IDS_RECORD_FAILED, recordFolder + installrecord::kRecordFileName,
                  setAside.subject, setAside.error);
    return TakeBack(reporter, journal);
  }
  const bool recorded = recording.Finish(outcome.essential.ok);
  // An update without its record would leave the earlier installation's
  // files listed nowhere: it fails, and the earlier record is put back.
  if (!recorded && (journal.entries().recordReplaced || recording.CarriesEarlierRecord())) {
    Fail(reporter, FailedStep::kRegistration, IDS_RECORD_FAILED, recordFolder + installrecord::kRecordFileName);
    return TakeBack(reporter, journal);
  }
  // The one moment the run becomes the installation.
  const StepResult finished = journal.Finish();
  if (!finished) {
    FailJournal(reporter, finished);
    return ReportUndo(reporter, journal, true);
  }
  ReportNotices(reporter, outcome, recorded, folder);
  if (recording.UnreadLines() > 0) {
    std::string unread = LoadResourceString(IDS_RECORD_LINES_UNREAD);
    const std::size_t at = unread.find("%u");
    if (at != std::string::npos) unread.replace(at, 2, std::to_string(recording.UnreadLines()));
    reporter.Notice(unread, std::string(folder) + installrecord::kRecordFileName);
  }
  runprogress::BeginStage(progressrule::Stage::kDone, 0);
  return true;
}
