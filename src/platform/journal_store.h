// Where the installation journal is kept: a value of its own key in the
// registry of the installation's scope, which only that account (for every
// user's installation, an administrator) can write. Thin calls; the text is
// core/journal.h's.
//
// The user's journal lies in HKEY_CURRENT_USER, which every process of the
// user writes, with administrator rights or without. A run with those
// rights therefore keeps the same text a second time in the machine's
// journal key, under a value named for the user's account, where only an
// administrator writes; a run with administrator rights reads the user's
// journal only from there. A journal of the user without that copy was
// written by a run without administrator rights, or by anybody: such a run
// does not act on it (kUnvouched).
#pragma once

#include <string>

#include "core/install_record.h"
#include "core/step_result.h"

enum class JournalFound {
  kNone,        // no journal: no run is under way or cut off
  kRead,        // text holds it
  kUnreadable,  // there, but too large, of another type, or the key is a link
  // The user's journal, read by a run with administrator rights, without
  // its copy in the machine's key. text holds what HKEY_CURRENT_USER says
  // (only to tell which folder it is about), or "" when it cannot be read.
  kUnvouched,
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
