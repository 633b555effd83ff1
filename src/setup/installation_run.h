// The one operation that installs the viewer.
#pragma once

#include <cstddef>

#include "core/install_options.h"
#include "core/reporter.h"

// Places the choices for the running account (PlaceForRunningAccount),
// checks the folder, creates it, unpacks the payload, writes the settings
// file and registers with the shell, telling runprogress how far it got. True: installed; false: stopped at a
// failure that went to reporter (also when the open command or the
// uninstall entry could not be written: the files then stay).
bool RunInstallation(const InstallOptions& options, Reporter& reporter);

// The longest name the installation puts below the target folder: the
// viewer's file or the payload's longest entry. A target folder must leave
// room for it in a 259-character path.
std::size_t LongestInstalledName();
