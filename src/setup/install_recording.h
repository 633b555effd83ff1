// Keeps the install record of one installation run: what was there before
// each step, what the step left, and the merge with what earlier
// installations recorded. The run calls it around its steps; the steps know
// nothing of it.
#pragma once

#include <string>
#include <vector>

#include "core/install_record.h"
#include "core/journal.h"
#include "install/install_record_file.h"
#include "platform/registry_edit.h"

class InstallRecording {
 public:
  // scope: whose installation the run makes; its record, uninstall entry
  // and earlier installation are that scope's.
  explicit InstallRecording(installrecord::Scope scope = installrecord::Scope::kMachine) : scope_(scope) {}
  // folderText: the target folder as given, before it is created.
  void BeforeFolder(const char* folderText);
  // folder: the created folder, ending in a backslash. Reads what earlier
  // installations recorded. False when the payload cannot be listed (then
  // nothing is recorded).
  bool BeforeUnpacking(const char* folder, int resourceId, const char* resourceType);
  // The payload files that an earlier installation of ours wrote into this
  // folder (valid after BeforeUnpacking): only those may be replaced; any
  // other file at a payload name is the user's.
  const std::vector<std::string>& FilesOfEarlierInstallation() const { return earlierFiles_; }
  // The user's files that were moved to kKeptFolder before the unpacking;
  // they join the record in Finish, so this may be called while
  // BeforeRegistration runs on another thread.
  void NoteSetAside(const std::vector<std::string>& names);
  // Before the registration: the earlier data for the record, and the
  // registry as it is for the journal (RegistryBefore).
  void BeforeRegistration(bool allUsers);
  // Whether the Start-menu group folder existed (valid after BeforeRegistration).
  bool GroupExisted() const { return groupExisted_; }
  // The registry lists of a journal, as BeforeRegistration found them.
  const journal::Journal& RegistryBefore() const { return registryBefore_; }
  // After the registration, while its links may still be written: the keys
  // and values it left. chosenRows and associated as the registration was
  // given them (see RecordRegistration).
  void AfterRegistration(const bool* chosenRows, bool associated);
  // Once the links are written: links, merge with the earlier record, write
  // the file and the uninstall entry's copy. False when either could not be
  // written; registered false: the run failed to write its uninstall entry
  // and says so itself, the copy is not asked for.
  bool Finish(bool registered);
  // An earlier installation's record (this folder's or one whose
  // registration moves here) is carried on by the one Finish writes.
  bool CarriesEarlierRecord() const { return haveOlder_ || haveHanded_; }

  // Lines of a later version's record (the folder's or the entry's copy)
  // that this setup could not read: what they name is left alone, and they
  // are not written again.
  std::size_t UnreadLines() const { return unreadLines_; }

  // The payload's size once unpacked (0 before BeforeUnpacking).
  unsigned long long PayloadBytes() const { return payload_.unpackedBytes; }
  // The payload's names and stamps (valid after BeforeUnpacking).
  const PayloadContents& Payload() const { return payload_; }

 private:
  bool CreatedByUs(const installrecord::KeyName& key) const;
  void NoteEarlierFolders(const installrecord::InstallRecord& previous);

  installrecord::Scope scope_;
  bool folderExisted_ = false;
  bool listed_ = false;
  bool allUsers_ = false;
  bool groupExisted_ = false;
  PayloadContents payload_;
  std::vector<RegData> found_;  // the known values before the registration
  journal::Journal registryBefore_;
  installrecord::InstallRecord record_;
  // What earlier installations recorded for this folder, and the registry
  // facts of an installation in another folder whose registration moves here.
  installrecord::InstallRecord older_;
  installrecord::InstallRecord handed_;
  bool haveOlder_ = false;
  bool haveHanded_ = false;
  std::vector<std::string> earlierFiles_;
  std::vector<std::string> setAside_;
  std::vector<installrecord::LinkPlace> handedGroups_;
  std::size_t unreadLines_ = 0;
};
