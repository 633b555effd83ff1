// The one operation that installs the viewer.
#pragma once

#include "app/install_options.h"

// 1 = installed (the registration step was reached), 0 = stopped at a failure
// that has been shown (wizard) or logged (silent).
int RunInstallation(const InstallOptions& options);
