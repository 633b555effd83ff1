// What the registration is about to replace, and the links it made, for the
// install record.
#pragma once

#include <string>
#include <vector>

#include "core/install_record.h"
#include "core/journal.h"
#include "platform/registry_edit.h"

// The registry before the registration, read once for the install record and
// the installation journal: the data of every value of
// footprint::KnownReplacedValues (in its order) and whether each key of
// footprint::KnownCreatedKeys exists (in its order).
struct EarlierRegistry {
  installrecord::Scope scope = installrecord::Scope::kMachine;
  std::vector<RegData> values;
  std::vector<bool> keysPresent;
};
EarlierRegistry ReadEarlierRegistry(installrecord::Scope scope);

// Before the registration: the data of every value it may replace (an
// extension's default, a user choice, a store app's NoOpenWith) and which of
// the keys it may create do not exist yet. All of them, chosen or not: a
// value the run leaves alone is never restored, since it does not name our
// ProgID afterwards.
// found: the data as found, in the order of the known values.
void CaptureEarlierState(installrecord::InstallRecord* record, std::vector<RegData>* found);
// The same from a reading of the record's scope that has already been made.
void CaptureEarlierState(installrecord::InstallRecord* record, std::vector<RegData>* found,
                         const EarlierRegistry& read);

// Before the registration: when key (one of the product's own keys) exists,
// notes it and every key below it as found, and each of their values (up to
// kMaxFoundValueSize) as earlier data: someone else made them, and only what
// the setup adds to them may go again.
void CaptureFoundKey(const installrecord::KeyName& key, installrecord::InstallRecord* record);
// The same from the journal's notes of the registry (before: CaptureRegistry's
// lists), without reading the key again; a key the notes do not have, or
// one with a registry link in it, is read.
void CaptureFoundKey(const installrecord::KeyName& key, const journal::Journal& before,
                     installrecord::InstallRecord* record);

// After the registration: the product's keys it wrote and the values that
// now hold the setup's data (the record's list of what was set; the
// uninstaller itself goes by the product's names). The registration writes
// an extension's default and user choice only for a chosen format
// (chosenRows[row], null: none) and the store classes' values only with
// associated; every other known value is taken from found (as
// CaptureEarlierState gave it) instead of being read again. An empty found
// reads them all.
void RecordRegistration(installrecord::InstallRecord* record, const std::vector<RegData>& found,
                        const bool* chosenRows, bool associated);

// True when the Start-menu group folder exists for the current user or all
// users.
bool GroupFolderExists(bool allUsers);

// After the registration: every product link in the group and on the desktop
// of that kind of user that points into folder, and the group folder when
// groupExisted was false and it exists now.
void RecordLinks(const std::string& folder, bool allUsers, bool groupExisted, installrecord::InstallRecord* record);
