// Takes a run back by its journal (core/journal.h): every change it lists,
// newest first, each back to what stood there before the run. An entry the
// run never got to changes nothing, so a journal of a run cut off at any
// point can be undone, and undoing twice does what undoing once did.
#pragma once

#include <string>

#include "core/install_record.h"
#include "core/journal.h"
#include "core/step_result.h"

// Puts the files, folders, settings file, links and registry back. Every
// step is tried whatever the others achieved; the report names each file,
// link, folder or key that could not be put back.
StepReport UndoJournal(const journal::Journal& entries);

// Undoes the run of entries and then removes its journal; when anything
// could not be put back, the journal stays instead, marked as an
// incomplete undo (journal::State::kUndoIncomplete), so that the next setup
// or the uninstaller undoes it again. Answers what is left.
StepReport TakeBackRun(journal::Journal entries);

// What a finished run left to do: the files it replaced are deleted.
void CompleteJournal(const journal::Journal& entries);

enum class Recovery {
  kNothing,      // no journal
  kUndone,       // a cut-off run was taken back
  kCompleted,    // a finished run's clean-up was done
  kLater,        // a later format: left as it is, nothing may be changed
  kUnreadable,   // not a journal this program can read: removed
  // The undo could not put everything back: the journal stays, marked, and
  // nothing else may be changed until an undo succeeds.
  kUndoIncomplete,
  // The user's journal names a place that is not the user's, or a run with
  // administrator rights finds one that no such run wrote: nothing is done
  // by it and it stays (see core/journal_trust.h, platform/journal_store.h).
  kUntrusted,
};

// Looks for the journal of scope and deals with it: undoes an unfinished
// run (or one whose undo was incomplete), completes a finished one, and
// removes the journal unless the undo left something. why: for the log,
// when the journal could not be read or is not trusted (then the line
// outside the user's places). folder: when given (ending in a
// backslash), only a journal of a run into that folder is dealt with.
// left: for kUndoIncomplete, what could not be put back.
Recovery RecoverInterruptedRun(installrecord::Scope scope, std::string* why, const std::string& folder = "",
                               StepReport* left = nullptr);
