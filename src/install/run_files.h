// The files of one setup run as its journal lists them (core/journal.h):
// putting the staged payload files in place, deleting the earlier files they
// replaced once the run has succeeded, and taking every file change of the
// run back when it failed or was cut off. Every rename and deletion acts on
// a name that leads exactly where it says: never through a link, never a
// copy.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/journal.h"
#include "core/step_result.h"

namespace runfiles {

// The longest name a run puts into the program folder while it runs, for
// the longest name it installs there: the staged and replaced names are
// longer by their suffix, and the record keeps its replaced name for a while.
std::size_t LongestStagedName(std::size_t longestInstalledName);

// The journal's entries for the payload's files (with size and CRC-32), to
// be listed once the user's files are set aside: an entry replaces when a
// file of its own stands at its name then (an earlier installation's); a
// link there replaces nothing, its name is simply taken.
std::vector<journal::File> PayloadFileEntries(const std::string& folder,
                                              const std::vector<installrecord::RecordedFile>& stamps);

// Puts each staged file (name + kStagedSuffix, unpacked into folder, which
// ends in a backslash) in place, in the order given: an existing file at
// the name is renamed to name + kReplacedSuffix first when the entry
// replaces one (a replaced name an earlier run left behind is overwritten
// when it is a plain file of its own), then the staged file takes the name.
// For an entry that replaces nothing, a name that leads elsewhere (a link)
// is replaced as a name; a plain file there fails the step. Failed, with the
// name concerned, at the first file that could not be put in place; what was
// done so far stays for Undo to take back.
StepResult PutStagedFilesInPlace(const std::string& folder, const std::vector<journal::File>& files);

// Before the new record is written: an existing record file of folder is
// renamed to its replaced name. Done when there is none.
StepResult SetRecordAside(const std::string& folder);

// After success: deletes the replaced files of every entry that replaces
// one, and the record's replaced name when journal.recordReplaced. A name
// that is missing already is no failure; every name is tried.
StepResult DeleteReplacedFiles(const journal::Journal& journal);

// Takes back the file changes an unfinished run made in journal.folder,
// whatever point it reached: the record file, the payload files newest
// first, the payload folders it created (deepest first, when empty), the
// user's files it set aside into pv_kept (each back at its name when that is
// free; pv_kept's folders removed when empty), then the folders it created
// on the way to the program folder (innermost first, when empty). Running
// it again changes nothing more. Every step is tried; the report names each
// file that could not be put back.
//
// Record file: only once journal.recordStep says the run came to it, and
// then by journal.recordReplaced.
StepReport UndoRunFiles(const journal::Journal& journal);

// Fills settings for the settings file at path before the run writes it:
// whether it existed and, if so, its content. False when undo must leave
// the file as it will be (it is larger than 64 KB, a folder, a link or a
// second hard link, or cannot be read): the run then leaves it out of the
// journal.
bool CaptureSettings(const std::string& path, journal::Settings* settings);

// Takes the settings file back: deleted when the run created it, its
// earlier content written back (a new file that replaces the name) when it
// existed. Never writes through a link.
StepResult UndoSettings(const journal::Settings& settings);

}  // namespace runfiles
