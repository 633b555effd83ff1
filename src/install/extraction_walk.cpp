#include "install/extraction_walk.h"

#include <algorithm>
#include <memory>

#include "core/footprint_names.h"
#include "install/archive_reader.h"
#include "install/entry_writer.h"
#include "platform/thread_stack.h"

namespace {

// The first failure of a walk: later ones are mostly its consequences. rank:
// the archive index of the entry it belongs to in a walk by two readers, -1
// for everything else. Two readers may meet a later entry's failure first;
// the one kept is the one a walk by one reader meets first.
struct FirstFailure {
  StepResult result;
  LONG rank = -1;

  void Note(const StepResult& failure, LONG entryRank) {
    if (failure.ok) return;
    if (result.ok || entryRank < rank) {
      result = failure;
      rank = entryRank;
    }
  }
};

// The walk by one reader, in archive order. True when every entry was
// unpacked.
bool WalkInOrder(unzFile archive, UnpackFolder& folder, FirstFailure& first) {
  unz_global_info64 global;
  if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) return false;
  if (global.number_entry == 0) return true;

  // One copy buffer serves every entry of the walk.
  EntryWriter writer(folder);
  if (!writer.Ready()) return false;

  bool allWritten = true;
  for (ZPOS64_T entry = 0;; ++entry) {
    const EntryStep step = writer.WriteCurrentEntry(archive);
    first.Note(step.result, -1);
    if (step.outcome == EntryOutcome::kStop) return false;
    if (step.outcome == EntryOutcome::kLeftOut) allWritten = false;

    if (entry + 1 >= global.number_entry) break;
    if (unzGoToNextFile(archive) != UNZ_OK) return false;
  }
  return allWritten;
}

// A large payload is unpacked by two readers of the kept archive, each with
// its own minizip handle and position, on two threads: the entries are
// independent, and inflating is what the time goes into. The readers take the
// entries largest first, so that the longest one does not start last and
// leave one thread alone with it. A walk-ending failure lets the readers
// finish every entry before it in archive order and skip those after it, so
// the folder holds what a walk by one reader leaves, and at most the entries
// the other reader was already working on come in addition.
constexpr ZPOS64_T kMostSharedEntries = 4096;  // bounds the list of entry positions

struct SharedEntry {
  unz64_file_pos position;
  ZPOS64_T packedSize;
  LONG index;  // in archive order
};

struct SharedWalk {
  HANDLE file;
  UnpackFolder* folder;
  const SharedEntry* entries;  // in the order the readers take them
  LONG count;
  volatile LONG next;
  volatile LONG stopAt;  // the archive index of the first entry that ended the walk; count when none did
  volatile LONG leftOut;
  FirstFailure second;  // the second reader's own; read once its thread has ended
};

void NoteStop(SharedWalk& walk, LONG index) {
  LONG seen = walk.stopAt;
  while (index < seen) {
    const LONG before = InterlockedCompareExchange(&walk.stopAt, index, seen);
    if (before == seen) return;
    seen = before;
  }
}

void TakeEntries(unzFile archive, SharedWalk& walk, EntryWriter& writer, FirstFailure& first) {
  for (;;) {
    const LONG taken = InterlockedIncrement(&walk.next) - 1;
    if (taken >= walk.count) return;
    const SharedEntry& entry = walk.entries[taken];
    if (entry.index > walk.stopAt) continue;  // after the entry that ended the walk
    unz64_file_pos position = entry.position;
    EntryStep step;
    if (unzGoToFilePos64(archive, &position) == UNZ_OK) {
      step = writer.WriteCurrentEntry(archive);
    } else {
      step.outcome = EntryOutcome::kStop;
    }
    first.Note(step.result, entry.index);
    if (step.outcome == EntryOutcome::kStop) NoteStop(walk, entry.index);
    if (step.outcome == EntryOutcome::kLeftOut) InterlockedExchange(&walk.leftOut, 1);
  }
}

DWORD WINAPI SecondReader(void* parameter) {
  ReleaseUnusedStack();
  SharedWalk& walk = *static_cast<SharedWalk*>(parameter);
  KeptArchive kept(walk.file, 0);
  unzFile archive = OpenKeptArchive(&kept);
  if (archive == nullptr) return 1;  // the first reader then takes every entry
  {
    EntryWriter writer(*walk.folder);
    if (writer.Ready()) TakeEntries(archive, walk, writer, walk.second);
  }
  unzClose(archive);
  return 0;
}

// WalkInOrder for the kept archive in file, on two threads; same result.
bool WalkShared(unzFile archive, HANDLE file, UnpackFolder& folder, FirstFailure& first) {
  unz_global_info64 global;
  if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) return false;
  if (global.number_entry < 2 || global.number_entry > kMostSharedEntries) {
    return WalkInOrder(archive, folder, first);
  }
  std::unique_ptr<SharedEntry[]> entries(new (std::nothrow) SharedEntry[global.number_entry]);
  if (!entries) return WalkInOrder(archive, folder, first);
  EntryWriter writer(folder);
  if (!writer.Ready()) return WalkInOrder(archive, folder, first);

  // An entry that cannot be reached ends the walk after the ones before it.
  LONG listed = 0;
  bool reachedAll = true;
  for (;;) {
    SharedEntry& entry = entries[listed];
    unz_file_info64 info;
    if (unzGetFilePos64(archive, &entry.position) != UNZ_OK ||
        unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
      reachedAll = false;
      break;
    }
    entry.packedSize = info.compressed_size;
    entry.index = listed;
    if (static_cast<ZPOS64_T>(++listed) >= global.number_entry) break;
    if (unzGoToNextFile(archive) != UNZ_OK) {
      reachedAll = false;
      break;
    }
  }
  std::sort(entries.get(), entries.get() + listed, [](const SharedEntry& a, const SharedEntry& b) {
    return a.packedSize != b.packedSize ? a.packedSize > b.packedSize : a.index < b.index;
  });

  SharedWalk walk{file, &folder, entries.get(), listed, 0, listed, 0, FirstFailure()};
  HANDLE second = CreateThread(nullptr, 0, SecondReader, &walk, 0, nullptr);
  TakeEntries(archive, walk, writer, first);
  if (second != nullptr) {
    WaitForSingleObject(second, INFINITE);
    CloseHandle(second);
  }
  first.Note(walk.second.result, walk.second.rank);
  return reachedAll && walk.stopAt == listed && walk.leftOut == 0;
}

// UnpackArchive on an archive that is already open (and closed here);
// shared: the archive's file when two readers take the entries.
StepResult UnpackOpenArchive(unzFile archive, const char* destination, HANDLE shared, EntryNaming naming) {
  StepResult entered = CheckEnterable(destination);
  UnpackFolder folder;
  if (naming == EntryNaming::kStaged) folder.nameSuffix = footprint::kStagedSuffix;
  if (entered) entered = OpenUnpackFolder(destination, &folder);
  if (!entered) {
    unzClose(archive);
    return entered;
  }
  FirstFailure first;
  const bool allWritten =
      shared != nullptr ? WalkShared(archive, shared, folder, first) : WalkInOrder(archive, folder, first);
  unzClose(archive);
  if (allWritten) return StepResult::Done();
  return first.result.ok ? StepResult::Failed("", 0) : first.result;
}

}  // namespace

StepResult UnpackArchive(HANDLE archiveFile, const std::string& shownArchive, const char* destination,
                         ArchiveReaders readers, EntryNaming naming) {
  KeptArchive kept(archiveFile, 0);
  unzFile archive = OpenKeptArchive(&kept);
  if (archive != nullptr) {
    return UnpackOpenArchive(archive, destination, readers == ArchiveReaders::kTwo ? archiveFile : nullptr,
                             naming);
  }
  if (HoldsNoEntries(archiveFile)) return CheckEnterable(destination);
  return FailedShown(shownArchive, ERROR_INVALID_DATA);  // no archive, or a cut one
}
