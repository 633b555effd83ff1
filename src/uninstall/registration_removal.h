// Taking the registration back: what the setup wrote into the registry goes,
// what it replaced comes back, what others had there stays. The data that
// goes back is taken only from a record the caller trusts: the uninstall
// entry's copy, which only an administrator can change.
#pragma once

#include <string>
#include <vector>

#include "core/install_record.h"

using installrecord::Scope;

// The scope's registration belongs to folder (ending in a backslash): the
// uninstall entry's InstallLocation or, without an entry, the registered
// open command names it (below HKEY_LOCAL_MACHINE for the machine's, below
// HKEY_CURRENT_USER for the current user's installation). An installation
// into another folder has moved it there.
bool RegistrationBelongsTo(const std::string& folder, Scope scope = Scope::kMachine);

// The record kept in the scope's uninstall entry, when it is one the setup
// wrote for folder and that scope; false when there is none or it does not
// pass the checks.
bool ReadTrustedRecord(const std::string& folder, const std::vector<std::string>& payloadNames,
                       installrecord::InstallRecord* record, Scope scope = Scope::kMachine);

// With trusted: each value the setup replaced gets its earlier data back
// (only a string naming a ProgID that is still registered and does not run
// its file; else it goes), the product's keys go whole unless the record
// says they were found, in which case only what the setup added goes and
// their earlier content comes back; created keys go when empty.
// Without (no record can be trusted): the replaced values stay as they are,
// since nobody knows what they held; the product's keys go whole.
// The uninstall entry stays (RemoveUninstallEntry, last). failed: every key
// or value that could not be removed or restored, as "HKLM\key" or
// "HKLM\key: name". Only the scope's keys and values are looked at: the
// current user's installation touches nothing below HKEY_LOCAL_MACHINE (or
// HKEY_CLASSES_ROOT), the machine's none of the user's installation's keys.
void RemoveRegistration(const installrecord::InstallRecord* trusted, std::vector<std::string>* failed,
                        Scope scope = Scope::kMachine);
// The scope's uninstall entry; parentCreated: the installation created the
// list of entries too (a user's hive may not have had one), which goes when
// nothing else is left in it.
bool RemoveUninstallEntry(Scope scope = Scope::kMachine, bool parentCreated = false);
