// The one operation that takes an installation back, and the copy in TEMP
// that removes the uninstaller and its folder once it has ended.
#pragma once

#include <string>
#include <vector>

#include "core/leftover_rules.h"
#include "core/uninstall_rules.h"
#include "core/reporter.h"

// The names the payload archive can hold (generated from the payload's build
// inputs), "/" separated as in the archive.
const std::vector<std::string>& PayloadNames();

// Removes the installation in folder (ending in a backslash: the folder the
// uninstaller was started from). Exit code: 0 removed, 1602 the user said
// No or gave up while the viewer ran, 1618 viewer running (silent, nothing
// touched), 1603 failed (the reason went to ui). A removal that succeeds has
// started the copy in TEMP that removes the uninstaller (and the folder,
// when the installation created it) once this process has ended; a copy
// that cannot be made or started fails the run.
int RunUninstall(const std::string& folder, bool silent, Reporter& ui);

// Copies the running program to TEMP (all paths UTF-16, as the system gives
// them) and starts it with "/cleanup": it waits for this process to end,
// then removes folder's pv_uninstall.exe while it is still the file stamp
// describes and, when removeFolder, folder itself if it is empty.
bool StartCleanupCopy(const std::string& folder, bool removeFolder, const leftoverrules::FileStamp& stamp);
// The copy's side of it; stamp null (none on its command line) deletes
// nothing in the folder.
int RunCleanup(const uninstallrules::UninstallOptions& options, const leftoverrules::FileStamp* stamp);

// Where a silent run logs: Pixorra_Uninstall.log in the current folder, or in
// TEMP when the current folder is the program folder or inside it (the log
// would keep the folder alive).
std::string UninstallLogPath(const std::string& folder);
