// The folders of the system that neither program may take as a program
// folder: the setup refuses to install there, the uninstaller to remove from
// there. Both ask the same list, so that nothing is installed where it could
// never be removed again.
#pragma once

#include <string>
#include <vector>

// Folders whose removal would take what is not ours: the profile, the
// shell's folders, Program Files, ProgramData, TEMP, the Windows folder.
// Each ends in a backslash.
std::vector<std::string> SystemFolders();
// The Windows folder with a backslash at its end ("" when unknown).
std::string WindowsFolder();

// uninstallrules::IsProtectedFolder with the two above: the one rule for
// a program folder.
bool IsProtectedProgramFolder(const std::string& folder);
