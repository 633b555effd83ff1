// Where an installation goes when nobody names a folder.
#pragma once

#include "core/install_record.h"
#include "core/product.h"

using installrecord::Scope;

// True and the folder of an earlier installation of the scope (ending in a
// backslash), as its registered open command names it (the machine's
// classes, or the current user's); false and "" when there is none.
bool FindPreviousInstallFolder(char folder[kPathSize], Scope scope = Scope::kMachine);

// The machine's: "<ProgramFilesDir>\Pixorra", or the fallback "C:\Pixorra\"
// when the system does not say where programs go (or that folder is too
// long). The current user's: "<local application data>\Programs\Pixorra",
// with the same fallback when the shell cannot name that folder.
void GetDefaultInstallFolder(char folder[kPathSize], Scope scope = Scope::kMachine);
