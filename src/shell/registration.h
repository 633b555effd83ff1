// The registration step: shortcuts, shell registration, uninstall entry,
// file-type associations.
#pragma once

#include "core/install_options.h"

// Registers the installation whose files are in installedFolder (the folder
// as it was created, not as typed) with the links, verbs and associations
// that options choose. The chosen formats become the viewer's only when
// associationsConfirmed; their ProgIDs are written either way. Every write
// is fire-and-forget.
void RegisterWithShell(const InstallOptions& options, const char* installedFolder, bool associationsConfirmed);
