// The one operation that installs the viewer.
#pragma once

#include "core/install_options.h"
#include "setup/reporter.h"

// Checks the folder, creates it, unpacks the payload, writes the settings
// file and registers with the shell. True: installed (the registration step
// was reached); false: stopped at a failure that went to reporter.
bool RunInstallation(const InstallOptions& options, Reporter& reporter);
