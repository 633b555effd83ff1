// The Start-menu program group and the desktop links. Each function hands
// complete links to the batch, which writes them on its thread, and answers
// true when every link could be handed over; a link that fails never stops
// the following ones, and the batch's Finish names it by its path, or the
// group's folder when that cannot be made.
#pragma once

#include <vector>

#include "core/footprint.h"

class LinkBatch;

// The group's links (footprint::Footprint::links of a programs place, in
// that order) in the "Pixorra" group of the current user's or all users'
// programs folder; removes the 4.41 and 4.40 main links after the first.
// folder is the normalised install folder (ending in a backslash).
bool CreateProgramGroup(LinkBatch& links, const char* folder, bool allUsers,
                        const std::vector<footprint::LinkItem>& groupLinks);

// One link named linkName on the current user's or all users' desktop.
// iconPath, description and arguments may be nullptr (not set).
bool CreateDesktopLink(LinkBatch& links, const char* target, const char* linkName, const char* iconPath,
                       int iconIndex, const char* description, const char* arguments, bool allUsers);

// One link named linkName in linkFolder (ending in a backslash), without a
// description. iconPath and arguments may be nullptr (not set).
bool CreateLinkInFolder(LinkBatch& links, const char* linkFolder, const char* linkName, const char* target,
                        const char* arguments, const char* iconPath, int iconIndex);
