// Writing one archive entry to one file of the folder being unpacked into:
// created as a new directory entry at the folder's path and the entry's name
// (never through an existing name), checked to be where that name says,
// dated from the archive and kept only when its CRC matches.
#pragma once

#include <windows.h>

#include <unzip.h>

#include <memory>
#include <string>

#include "core/step_result.h"

// The longest entry name taken from an archive (with its terminator).
constexpr int kEntryNameSize = 520;

// A failure as the log names it: the path taken as it is, the system's
// error (a failure without a known code is a general one).
StepResult FailedShown(const std::string& shown, DWORD error);

// A failure at path, named by its full path with backslashes; "" names the
// program file itself (the payload resource is part of it).
StepResult FailedAt(const char* path, DWORD error);

// The folder a walk unpacks into.
struct UnpackFolder {
  // The folder's full path ending in a backslash: an entry's file is created
  // at this and the entry's name.
  std::string prefix;
  // The folder as the system names it once resolved; every written file is
  // checked against it.
  std::wstring root;
  // Numbers the temporary names of replaced files; both readers take from it.
  volatile LONG replacementNumber = 0;
  // Appended to every file entry's name ("" for none): the files are then
  // written beside the names they will take once all of them are there.
  std::string nameSuffix;
};

// Whether destination is a folder that can be entered; failed with the
// system's error for it otherwise.
StepResult CheckEnterable(const char* destination);

// Fills folder for destination, an enterable folder; failed
// (ERROR_CANT_RESOLVE_FILENAME) when it is not exactly where its name says
// (a link, or behind one): then nothing may be unpacked into it.
StepResult OpenUnpackFolder(const char* destination, UnpackFolder* folder);

// Creates every folder of relativePath inside destination (a folder path,
// with or without a closing separator); true when it exists afterwards,
// false when a part could not be created because its parent is missing.
// Only the parts of relativePath are created, never destination's own.
bool MakeDirectoryChain(const char* destination, const char* relativePath);

// What became of one entry: kLeftOut when it could not be created (or its
// name would leave the folder) and the walk goes on; kStop when its
// information, data or CRC could not be read, or writing failed, and the walk
// ends.
enum class EntryOutcome { kWritten, kLeftOut, kStop };

struct EntryStep {
  EntryOutcome outcome = EntryOutcome::kWritten;
  // The failure as the log names it; done when none is known (an entry whose
  // information cannot be read stops the walk without one).
  StepResult result;
};

// One reader's writer: its copy buffer and the path of the entry at hand.
// Each reader of a walk has its own; the folder is shared.
class EntryWriter {
 public:
  explicit EntryWriter(UnpackFolder& folder);
  EntryWriter(const EntryWriter&) = delete;
  EntryWriter& operator=(const EntryWriter&) = delete;

  // False when the copy buffer could not be had.
  bool Ready() const { return buffer_ != nullptr; }

  // Unpacks the archive's current entry into the folder.
  EntryStep WriteCurrentEntry(unzFile archive);

 private:
  UnpackFolder& folder_;
  std::unique_ptr<char[]> buffer_;
  // The folder's prefix followed by the entry's name: the file's path.
  char path_[MAX_PATH + kEntryNameSize] = {};
  std::size_t prefixLength_ = 0;
};
