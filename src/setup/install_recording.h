// Keeps the install record of one installation run: what was there before
// each step, what the step left, and the merge with an earlier record of the
// same folder. The run calls it around its steps; the steps know nothing of it.
#pragma once

#include <string>
#include <vector>

#include "core/install_record.h"
#include "install/install_record_file.h"
#include "platform/registry_edit.h"

class InstallRecording {
 public:
  // folderText: the target folder as given, before it is created.
  void BeforeFolder(const char* folderText);
  // folder: the created folder, ending in a backslash. False when the payload
  // cannot be listed (then nothing is recorded).
  bool BeforeUnpacking(const char* folder, int resourceId, const char* resourceType);
  void BeforeRegistration(bool allUsers);
  // After the registration, while its links may still be written: the keys
  // and values it left. chosenRows and associated as the registration was
  // given them (see RecordRegistration).
  void AfterRegistration(const bool* chosenRows, bool associated);
  // Once the links are written: links, merge with the folder's earlier
  // record, write. False when the record could not be written.
  bool Finish();

  // The payload's size once unpacked (0 before BeforeUnpacking).
  unsigned long long PayloadBytes() const { return payload_.unpackedBytes; }

 private:
  bool folderExisted_ = false;
  bool listed_ = false;
  bool allUsers_ = false;
  bool groupExisted_ = false;
  PayloadContents payload_;
  std::vector<RegData> found_;  // the known values before the registration
  installrecord::InstallRecord record_;
};
