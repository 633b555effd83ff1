// The journal of one installation run (core/journal.h): begun before the
// first change, written again before each step with what the step is about
// to change and what stood there before, and either finished or taken back
// at the end. The run calls it around its steps.
#pragma once

#include <string>
#include <vector>

#include "core/journal.h"
#include "core/step_result.h"

class RunJournal {
 public:
  RunJournal(installrecord::Scope scope, const std::string& folder);
  // Undoes what the run changed unless it was finished.
  ~RunJournal();
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;

  // The first write, before the folder is created: the folders it will
  // create on the way. Failed: nothing may be changed.
  StepResult Begin(const std::vector<std::string>& foldersToCreate);
  installrecord::Scope scope() const { return entries_.scope; }
  // The entries to add to before the next Write.
  journal::Journal& entries() { return entries_; }
  // Writes the journal as it stands now (the whole text at once).
  StepResult Write();
  // The run succeeded: the journal says so, the replaced files go, and the
  // journal is removed. Failed when the journal could not say so: then the
  // run has been taken back.
  StepResult Finish();
  // The run failed: every change is undone, newest first, and the journal
  // is removed (or kept, marked, when the undo left something: see
  // UndoLeft). False when nothing had been changed.
  bool RollBack();
  // What the undo of RollBack (or of a Finish that failed) could not put
  // back; empty when it put everything back or did not run.
  const StepReport& UndoLeft() const { return left_; }

 private:
  journal::Journal entries_;
  StepReport left_;
  bool begun_ = false;
  bool ended_ = false;
};

class Reporter;
struct PayloadContents;
struct ProductLink;

// Takes back, or completes, what a run of scope cut off before this one
// left, and tells the reporter. False when a later version's journal is in
// the way, or its undo left something (reported): then nothing may be
// changed.
bool RecoverBeforeRun(installrecord::Scope scope, Reporter& reporter);

// Where the journal of scope is kept, as the log names it.
std::string JournalKeyPath(installrecord::Scope scope);

// Tells the reporter each item of left, then ends the run with messageId
// (an undo that could not put everything back). Nothing when left is empty.
void ReportUndoLeft(const StepReport& left, unsigned messageId, const std::string& subject, Reporter& reporter);

// The folders that creating folder (ending in a backslash or not) would
// create, outermost first, each ending in a backslash.
std::vector<std::string> FoldersToCreate(const std::string& folder);

// The user's files at payload names in folder (a file there that no earlier
// installation of ours wrote): the preparation moves them aside.
std::vector<std::string> UsersFilesAtPayloadNames(const std::string& folder, const std::vector<std::string>& files,
                                                  const std::vector<std::string>& earlierFiles);

// Notes every payload folder that is missing and every payload file with
// whether a file stands at its name, and writes the journal.
StepResult NotePayload(const std::string& folder, const PayloadContents& payload, RunJournal& journal);

// Notes each link the run will save or delete, and whether one stands there
// (with its bytes, see CaptureLink).
void NoteLinks(const std::vector<ProductLink>& links, bool allUsers, journal::Journal* entries);

bool FilePresent(const std::string& path);

// Notes the settings files the run will write (the program folder's, and
// the settings folder's when iniFolder names one) with what they hold now,
// and the settings folders it will create.
void NoteSettings(const char* folder, const char* iniFolder, journal::Journal* entries);

// Takes the registry lists of before (as the run's notes found them).
void NoteRegistry(const journal::Journal& before, journal::Journal* entries);
