// The Start-menu program group and the desktop links. Each function writes
// complete links and answers true when every link was saved; a link that
// fails never stops the following ones, and is added to failed (when given)
// by its path, or the group's folder when that cannot be made.
#pragma once

#include <string>
#include <vector>

// Links 1 to 9 in the "Pixorra" group of the current user's or all users'
// programs folder; removes the 4.41 and 4.40 main links. folder is the
// normalised install folder (ending in a backslash).
bool CreateProgramGroup(const char* folder, bool allUsers, std::vector<std::string>* failed = nullptr);

// One link named linkName on the current user's or all users' desktop.
// iconPath, description and arguments may be nullptr (not set).
bool CreateDesktopLink(const char* target, const char* linkName, const char* iconPath, int iconIndex,
                      const char* description, const char* arguments, bool allUsers,
                      std::vector<std::string>* failed = nullptr);

// One link named linkName in linkFolder (ending in a backslash), without a
// description. iconPath and arguments may be nullptr (not set).
bool CreateLinkInFolder(const char* linkFolder, const char* linkName, const char* target,
                       const char* arguments, const char* iconPath, int iconIndex);
