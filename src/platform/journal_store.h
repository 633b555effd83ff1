// Where the installation journal is kept: a value of its own key in the
// registry of the installation's scope, which only that account (for every
// user's installation, an administrator) can write. Thin calls; the text is
// core/journal.h's.
#pragma once

#include <string>

#include "core/install_record.h"
#include "core/step_result.h"

enum class JournalFound {
  kNone,        // no journal: no run is under way or cut off
  kRead,        // text holds it
  kUnreadable,  // there, but too large, of another type, or the key is a link
};

// The largest journal a run writes (a record's size for the registry's
// earlier data, as much again for the files and keys).
constexpr unsigned long kMaxJournalSize = 2 * 256 * 1024;

JournalFound ReadJournal(installrecord::Scope scope, std::string* text);
// Replaces the whole journal in one write, creating its key when missing;
// refuses a key that is a link to another.
StepResult WriteJournal(installrecord::Scope scope, const std::string& text);
// Removes the journal and its key (when nothing else is in it).
StepResult RemoveJournal(installrecord::Scope scope);
