#include "setup/install_recording.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "core/folder_text.h"
#include "core/uninstall_rules.h"
#include "install/install_folder.h"
#include "shell/earlier_state.h"
#include "shell/registry_journal.h"

using installrecord::InstallRecord;
using installrecord::KeyName;

namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ParseUsable(const std::string& text, const std::string& folder, const PayloadContents& payload,
                 InstallRecord* record) {
  return installrecord::Parse(text, record, nullptr) &&
         uninstallrules::AdoptRecord(record, folder, payload.files, nullptr) == uninstallrules::RecordVerdict::kUsable;
}

// The record file of folder when it is one the setup wrote for that folder.
bool ReadUsableRecord(const std::string& folder, const PayloadContents& payload, InstallRecord* record) {
  std::string text;
  return ReadRecordText(folder, &text) && ParseUsable(text, folder, payload, record);
}

// The uninstall entry's copy, written by the installation that owns the
// registration.
bool ReadUsableCopy(const PayloadContents& payload, installrecord::Scope scope, InstallRecord* record) {
  std::string text;
  if (!ReadRecordCopy(&text, scope) || !installrecord::Parse(text, record, nullptr)) return false;
  return uninstallrules::AdoptRecord(record, record->folder, payload.files, nullptr) ==
         uninstallrules::RecordVerdict::kUsable;
}

// What a record says of the disk; its registry facts count only from the
// uninstall entry's copy.
InstallRecord DiskFacts(const InstallRecord& record) {
  InstallRecord disk;
  disk.folder = record.folder;
  disk.folderCreated = record.folderCreated;
  disk.files = record.files;
  disk.kept = record.kept;
  disk.createdFolders = record.createdFolders;
  disk.links = record.links;
  disk.createdGroups = record.createdGroups;
  return disk;
}

InstallRecord RegistryFacts(const InstallRecord& record) {
  InstallRecord registry;
  registry.ownKeys = record.ownKeys;
  registry.foundKeys = record.foundKeys;
  registry.setValues = record.setValues;
  registry.createdKeys = record.createdKeys;
  registry.earlier = record.earlier;
  return registry;
}

bool Lists(const std::vector<KeyName>& keys, const KeyName& key) {
  for (const KeyName& listed : keys) {
    if (listed.root == key.root && installrecord::SameName(listed.key, key.key)) return true;
  }
  return false;
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
  record_.scope = scope_;
  record_.folder = uninstallrules::WithBackslash(folder);
  record_.folderCreated = !folderExisted_;
  record_.files = payload_.stamps;
  record_.createdFolders = MissingFolders(record_.folder, payload_.folders);

  InstallRecord file, copy;
  const bool haveFile = ReadUsableRecord(record_.folder, payload_, &file);
  const std::size_t unreadInFile = haveFile ? file.unreadLines : 0;
  // The other scope's installation in this folder: its files are known, its
  // registration stays that scope's own.
  if (haveFile && file.scope != scope_) {
    file = DiskFacts(file);
    file.scope = scope_;
  }
  const bool haveCopy = ReadUsableCopy(payload_, scope_, &copy);
  unreadLines_ = std::max(unreadInFile, haveCopy ? copy.unreadLines : std::size_t{0});
  if (haveCopy && installrecord::SameName(copy.folder, record_.folder)) {
    older_ = copy;
    haveOlder_ = true;
  } else if (haveCopy) {
    // The registration moves here from another folder: its registry facts
    // come along, and only this folder's uninstaller can give them back.
    handed_ = RegistryFacts(copy);
    haveHanded_ = true;
    NoteEarlierFolders(copy);
    if (haveFile) older_ = DiskFacts(file);
    haveOlder_ = haveFile;
  } else if (haveFile) {
    // Written before the entry kept a copy.
    older_ = file;
    haveOlder_ = true;
  }
  if (!haveCopy) {
    char previous[kPathSize] = {};
    InstallRecord old;
    if (FindPreviousInstallFolder(previous, scope_) && !installrecord::SameName(previous, record_.folder) &&
        ReadUsableRecord(previous, payload_, &old)) {
      handed_ = RegistryFacts(old);
      handed_.ownKeys.clear();
      handed_.setValues.clear();
      handed_.foundKeys.clear();
      haveHanded_ = true;
      NoteEarlierFolders(old);
    }
  }
  earlierFiles_.clear();
  if (haveOlder_) {
    for (const installrecord::RecordedFile& recorded : older_.files) earlierFiles_.push_back(recorded.name);
  }
  return true;
}

void InstallRecording::NoteEarlierFolders(const InstallRecord& previous) {
  // The previous installation's folder and those it had taken over: each
  // keeps its files and record, and this installation's removal takes them
  // along. Not this folder itself (a move back).
  std::vector<std::string> folders = previous.earlierFolders;
  folders.push_back(previous.folder);
  for (const std::string& folder : folders) {
    const std::string withBackslash = uninstallrules::WithBackslash(folder);
    if (installrecord::SameName(withBackslash, record_.folder)) continue;
    bool listed = false;
    for (const std::string& earlier : record_.earlierFolders) listed = listed || installrecord::SameName(earlier, withBackslash);
    if (!listed) record_.earlierFolders.push_back(withBackslash);
  }
  // The Start-menu group it made now holds this installation's links: its
  // removal takes the group too, also after the earlier folder was removed.
  handedGroups_ = previous.createdGroups;
}

void InstallRecording::NoteSetAside(const std::vector<std::string>& names) {
  if (listed_) setAside_.insert(setAside_.end(), names.begin(), names.end());
}

bool InstallRecording::CreatedByUs(const KeyName& key) const {
  for (const InstallRecord* earlier : {&older_, &handed_}) {
    if (Lists(earlier->ownKeys, key) && !Lists(earlier->foundKeys, key)) return true;
  }
  return false;
}

void InstallRecording::BeforeRegistration(bool allUsers) {
  if (!listed_) return;
  allUsers_ = allUsers;
  groupExisted_ = GroupFolderExists(allUsers);
  // One reading of the registry for the record and the journal.
  const EarlierRegistry read = ReadEarlierRegistry(scope_);
  CaptureEarlierState(&record_, &found_, read);
  CaptureRegistry(scope_, &registryBefore_, read);
  // The product's keys that someone else made before: what they hold stays.
  for (const footprint::KnownKey& own : footprint::OwnKeys(scope_)) {
    const KeyName key{own.root, own.key};
    if (!CreatedByUs(key)) CaptureFoundKey(key, registryBefore_, &record_);
  }
  if (haveHanded_) {
    record_ = installrecord::Merge(handed_, record_);
    record_.folderCreated = !folderExisted_;
  }
}

void InstallRecording::AfterRegistration(const bool* chosenRows, bool associated) {
  if (listed_) RecordRegistration(&record_, found_, chosenRows, associated);
}

bool InstallRecording::Finish(bool registered) {
  if (!listed_) return false;
  for (const std::string& name : setAside_) {
    bool listed = false;
    for (const std::string& kept : record_.kept) listed = listed || installrecord::SameName(kept, name);
    if (!listed) record_.kept.push_back(name);
  }
  RecordLinks(record_.folder, allUsers_, groupExisted_, &record_);
  for (const installrecord::LinkPlace place : handedGroups_) {
    bool listed = false;
    for (const installrecord::LinkPlace recorded : record_.createdGroups) listed = listed || recorded == place;
    if (!listed) record_.createdGroups.push_back(place);
  }
  const InstallRecord written = haveOlder_ ? installrecord::Merge(older_, record_) : record_;
  const bool fileWritten = WriteRecordFile(record_.folder, written);
  const bool copyWritten = WriteRecordCopy(written);
  return fileWritten && (copyWritten || !registered);
}
