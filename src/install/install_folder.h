// Where an installation goes when nobody names a folder.
#pragma once

#include "core/product.h"

// True and the folder of an earlier installation (ending in a backslash), as
// its registered open command names it; false and "" when there is none.
bool FindPreviousInstallFolder(char folder[kPathSize]);

// "<ProgramFilesDir>\Pixorra", or the fallback "C:\Pixorra\" when the system
// does not say where programs go (or that folder is too long).
void GetDefaultInstallFolder(char folder[kPathSize]);
