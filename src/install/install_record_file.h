// The install record on disk (core/install_record.h is its text), and what
// the payload archive will put into the program folder.
#pragma once

#include <string>
#include <vector>

#include "core/install_record.h"

// What reading the record file found.
enum class RecordFileState {
  kRead,
  kMissing,     // no such name
  kTooLarge,    // larger than any record the setup writes
  kNotAFile,    // a folder under the record's name
  kRedirected,  // a link or a second hard link: not a file of this folder
  kUnreadable,  // there, but it could not be opened or read
};
// The record file's whole text (folder ends in a backslash), read through a
// handle that does not follow a link; text is empty unless kRead.
RecordFileState ReadRecordFile(const std::string& folder, std::string* text);
// The same, true only for kRead.
bool ReadRecordText(const std::string& folder, std::string* text);

// Writes the record under its temporary name, flushed, then moves it over
// the old one: a run killed at any moment leaves the old record or the new
// one, never a mix. folder ends in a backslash.
bool WriteRecordFile(const std::string& folder, const installrecord::InstallRecord& record);

// The record's copy in the uninstall entry (HKEY_LOCAL_MACHINE, where only
// an administrator can change it): the data that goes back into the
// registry is taken from there, never from the file in a folder that a user
// may be able to write. Written only when the entry exists; false when it
// could not be written. Reading: false when there is none. The current
// user's installation keeps it in its own entry below HKEY_CURRENT_USER:
// what goes back there is that user's own.
using footprint::kRecordCopyValue;
bool WriteRecordCopy(const installrecord::InstallRecord& record);
bool ReadRecordCopy(std::string* text, installrecord::Scope scope = installrecord::Scope::kMachine);

// The files and folders of the payload archive (names as the record keeps
// them: "\" separated, folders ending in "\") and its size once unpacked.
struct PayloadContents {
  std::vector<std::string> files;
  std::vector<installrecord::RecordedFile> stamps;  // the same files with size and CRC-32
  std::vector<std::string> folders;
  unsigned long long unpackedBytes = 0;
};
bool ReadPayloadContents(int resourceId, const char* resourceType, PayloadContents* contents);

// Those of folders (relative to base) that do not exist now.
std::vector<std::string> MissingFolders(const std::string& base, const std::vector<std::string>& folders);
