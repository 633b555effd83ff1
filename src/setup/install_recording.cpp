#include "setup/install_recording.h"

#include <windows.h>

#include <cstring>

#include "core/folder_text.h"
#include "core/uninstall_rules.h"
#include "install/install_folder.h"
#include "shell/earlier_state.h"

using installrecord::InstallRecord;

namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The record of folder when it is one the setup wrote for that folder.
bool ReadUsableRecord(const std::string& folder, const PayloadContents& payload, InstallRecord* record) {
  std::string text;
  if (!ReadRecordText(folder, &text) || !installrecord::Parse(text, record, nullptr)) return false;
  return uninstallrules::CheckRecord(*record, folder, payload.files, nullptr) == uninstallrules::RecordVerdict::kUsable;
}

}  // namespace

void InstallRecording::BeforeFolder(const char* folderText) {
  char trimmed[kPathSize] = {};
  std::strncpy(trimmed, folderText, sizeof trimmed - 1);
  TrimSpaces(trimmed);
  folderExisted_ = trimmed[0] != '\0' && IsFolder(trimmed);
}

bool InstallRecording::BeforeUnpacking(const char* folder, int resourceId, const char* resourceType) {
  listed_ = ReadPayloadContents(resourceId, resourceType, &payload_);
  if (!listed_) return false;
  record_ = InstallRecord();
  record_.folder = uninstallrules::WithBackslash(folder);
  record_.folderCreated = !folderExisted_;
  record_.files = payload_.files;
  record_.createdFolders = MissingFolders(record_.folder, payload_.folders);
  return true;
}

void InstallRecording::BeforeRegistration(bool allUsers) {
  if (!listed_) return;
  allUsers_ = allUsers;
  groupExisted_ = GroupFolderExists(allUsers);
  CaptureEarlierState(&record_, &found_);
  // An installation in another folder hands its earlier data on: the
  // registration moves here, and only this folder's record can give it back.
  char previous[kPathSize] = {};
  InstallRecord old;
  if (FindPreviousInstallFolder(previous) && !installrecord::SameName(previous, record_.folder) &&
      ReadUsableRecord(previous, payload_, &old)) {
    InstallRecord handed;
    handed.earlier = old.earlier;
    handed.createdKeys = old.createdKeys;
    record_ = installrecord::Merge(handed, record_);
    record_.folderCreated = !folderExisted_;
  }
}

void InstallRecording::AfterRegistration(const bool* chosenRows, bool associated) {
  if (listed_) RecordRegistration(&record_, found_, chosenRows, associated);
}

bool InstallRecording::Finish() {
  if (!listed_) return false;
  RecordLinks(record_.folder, allUsers_, groupExisted_, &record_);
  InstallRecord older;
  InstallRecord written = record_;
  if (ReadUsableRecord(record_.folder, payload_, &older)) written = installrecord::Merge(older, record_);
  return WriteRecordFile(record_.folder, written);
}
