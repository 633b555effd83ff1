// Unpacking an archive into a folder: one reader in archive order, or two
// readers of the same handle on two threads.
#pragma once

#include <windows.h>

#include <string>

#include "core/step_result.h"

enum class ArchiveReaders { kOne, kTwo };

// kFinal: each file entry is written under its own name. kStaged: under its
// name followed by footprint::kStagedSuffix, the names of folders unchanged;
// what an earlier run left under such a name is replaced when it is a plain
// file of its own there, and otherwise keeps the entry out.
enum class EntryNaming { kFinal, kStaged };

// Unpacks the archive in archiveFile (open for reading; only read at
// positions, so the file can stay open for writing by its owner) into
// destination, an existing folder that must be exactly where its name says.
// Every entry's file is created at destination and the entry's name, keeping
// folder parts and replacing existing files; the process's current folder is
// never changed. shownArchive names the archive in a failure.
//
// An entry that cannot be created (or whose name would leave the folder) is
// left out and the walk goes on; unreadable entry information, a read or
// write error, a CRC error or an unreachable next entry ends it. The files
// written so far stay.
//
// Done when every entry was unpacked (an archive without entries into a
// folder that can be entered included). Otherwise failed with the first
// failure: its file or folder as a full path and the system's error code
// (shownArchive and ERROR_INVALID_DATA when the file is no archive, or cut;
// "" and 0 when the walk ended on information that could not be read before
// any failure was met).
//
// kTwo: two readers on two threads, taking the largest entries first, for
// the same files, dates, result and first failure. The first failure is the
// one a walk in archive order meets first, whichever reader met it earlier in
// time. The entries before one whose failure ends the walk are all unpacked,
// and those the other reader was already unpacking at that moment are
// finished too. An archive of fewer than two or of very many entries is
// walked by one reader.
StepResult UnpackArchive(HANDLE archiveFile, const std::string& shownArchive, const char* destination,
                         ArchiveReaders readers, EntryNaming naming = EntryNaming::kFinal);
