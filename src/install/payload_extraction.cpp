#include "install/payload_extraction.h"

#include <windows.h>

#include "core/archive_entry.h"
#include "install/extraction_walk.h"
#include "install/payload_source.h"

namespace {

constexpr DWORD kTwoReadersFrom = 1u << 20;  // archive bytes; below, one reader

ArchiveReaders ReadersFor(DWORD archiveSize) {
  if (archiveSize < kTwoReadersFrom) return ArchiveReaders::kOne;
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  return system.dwNumberOfProcessors > 1 ? ArchiveReaders::kTwo : ArchiveReaders::kOne;
}

}  // namespace

StepResult ExtractPayload(int resourceId, const char* resourceType, const char* tempName, const char* destination,
                          EntryNaming naming) {
  ResourceBytes payload;
  const StepResult locked = LockProgramResource(resourceId, resourceType, &payload);
  if (!locked) return locked;
  TemporaryArchive archive;
  const StepResult created = archive.Create(tempName);
  if (!created) return created;
  StepResult result = archive.Write(payload);
  const StepResult unpacked = UnpackArchive(archive.File(), archive.Shown(), destination, ReadersFor(payload.size), naming);
  if (unpacked) return StepResult::Done();
  result.KeepFirst(unpacked);
  return result;
}

long LongestPayloadEntryName(int resourceId, const char* resourceType) {
  ResourceBytes payload;
  if (!LockProgramResource(resourceId, resourceType, &payload)) return -1;
  return LongestEntryNameLength(static_cast<const unsigned char*>(payload.data), payload.size);
}
