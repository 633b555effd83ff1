// Where the payload archive comes from: the program's own resource, its
// place in the program file, and the temporary copy that is unpacked.
#pragma once

#include <windows.h>

#include <string>

#include "core/step_result.h"

// The bytes of one of the program's own resources, inside its image.
struct ResourceBytes {
  const void* data = nullptr;
  DWORD size = 0;
};

// Finds, loads and locks the resource (id, type); failed with the system's
// error, named by the program file, when it is missing or cannot be had.
StepResult LockProgramResource(int resourceId, const char* resourceType, ResourceBytes* bytes);

// The payload's temporary copy: a file in the user's temporary folder that
// others may read while it exists, that nobody may write, rename or delete,
// and that the system deletes when its handle closes (also when the process
// ends in the middle of the unpacking). It is read through the handle that
// wrote it, so between writing and the end of the unpacking nobody can swap
// or change it.
class TemporaryArchive {
 public:
  TemporaryArchive() = default;
  TemporaryArchive(const TemporaryArchive&) = delete;
  TemporaryArchive& operator=(const TemporaryArchive&) = delete;
  // Closes the file and deletes what the system could not delete on close.
  ~TemporaryArchive();

  // Creates the file tempName in the user's temporary folder. Failed with
  // the file as Shown() names it, or with the program file when the
  // temporary folder itself cannot be had.
  StepResult Create(const char* tempName);

  // Writes bytes (part of the program's image) into the file. A failed write
  // is returned, yet the file stays for the unpacking: a short write (a full
  // disk) shows up when it no longer opens as an archive, and this error is
  // the cause to name.
  StepResult Write(const ResourceBytes& bytes);

  HANDLE File() const { return file_; }
  // The file as the log names it: exactly in the ANSI code page when it can
  // be; else through the short name of TEMP, which the system keeps in
  // ASCII; else "(TEMP)\" and the name, never a best-fit guess that would
  // name another folder.
  const std::string& Shown() const { return shown_; }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::wstring path_;
  std::string shown_;
};
