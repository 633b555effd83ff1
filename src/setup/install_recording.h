// Keeps the install record of one installation run: what was there before
// each step, what the step left, and the merge with an earlier record of the
// same folder. The run calls it around its steps; the steps know nothing of it.
#pragma once

#include <string>

#include "core/install_record.h"
#include "install/install_record_file.h"

class InstallRecording {
 public:
  // folderText: the target folder as given, before it is created.
  void BeforeFolder(const char* folderText);
  // folder: the created folder, ending in a backslash. False when the payload
  // cannot be listed (then nothing is recorded).
  bool BeforeUnpacking(const char* folder, int resourceId, const char* resourceType);
  void BeforeRegistration(bool allUsers);
  // Links, merge with the folder's earlier record, write. False when the
  // record could not be written.
  bool Finish();

  // The payload's size once unpacked (0 before BeforeUnpacking).
  unsigned long long PayloadBytes() const { return payload_.unpackedBytes; }

 private:
  bool folderExisted_ = false;
  bool listed_ = false;
  bool allUsers_ = false;
  bool groupExisted_ = false;
  PayloadContents payload_;
  installrecord::InstallRecord record_;
};
