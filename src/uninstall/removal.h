// The removal steps of the uninstaller. Each takes its targets from the
// product's own names (uninstall_rules.h) and uses the install record only
// where the rules have accepted it.
#pragma once

#include <string>
#include <vector>

#include "core/install_record.h"

// What one removal could not take away.
struct RemovalReport {
  std::vector<std::string> failed;  // paths of the installation that are still there
};

// The registration belongs to folder (ending in a backslash): the uninstall
// entry's InstallLocation or, without an entry, the registered open command
// names it. An installation into another folder has moved it there.
bool RegistrationBelongsTo(const std::string& folder);

// Restores or removes the replaced values (earlier data from record, which
// may be empty), removes the keys it created when they are empty, the
// ProgIDs, application keys, verbs and the RegisteredApplications value.
// The uninstall entry stays (RemoveUninstallEntry, last).
void RemoveRegistration(const installrecord::InstallRecord& record);
void RemoveUninstallEntry();

// The recorded links whose target still lies in folder, then the group
// folders the installation created, when empty.
void RemoveLinks(const installrecord::InstallRecord& record, const std::string& folder, RemovalReport* report);

// The recorded payload files but the uninstaller itself, the settings file,
// then the created folders that are empty. A file that cannot be deleted is
// reported; a folder that still holds other files is the user's and stays.
void RemoveProgramFiles(const installrecord::InstallRecord& record, const std::string& folder,
                        RemovalReport* report);

// True when path or one of its folders below folder is a junction or a
// symbolic link (a file there would not lie inside folder).
bool LeadsThroughReparsePoint(const std::string& folder, const std::string& relativeName);

// Removes folder when it holds nothing.
void RemoveFolderIfEmpty(const std::string& folder);

// Entries of folder (relative, sorted, sub-folders ending in "\"), without
// the uninstaller and its record.
std::vector<std::string> RemainingEntries(const std::string& folder);
// The settings folder the settings file points to, expanded ("" when none).
std::string SettingsFolderOf(const std::string& folder);
