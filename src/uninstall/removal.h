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

// The recorded links whose target still lies in folder, then the group
// folders the installation created, when empty.
void RemoveLinks(const installrecord::InstallRecord& record, const std::string& folder, RemovalReport* report);

// The recorded payload files but the uninstaller itself, the settings file,
// then the created folders that are empty. A file that cannot be deleted is
// reported; a folder that still holds other files is the user's and stays.
void RemoveProgramFiles(const installrecord::InstallRecord& record, const std::string& folder,
                        RemovalReport* report);

// Folders whose removal would take what is not ours: the profile, the
// shell's folders, Program Files, ProgramData, TEMP, the Windows folder.
std::vector<std::string> SystemFolders();
std::string WindowsFolder();
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
