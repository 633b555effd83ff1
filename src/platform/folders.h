// Creating folders on the disk.
#pragma once

#include <string>
#include <vector>

#include "core/product.h"
#include "core/step_result.h"

// Trims, appends a backslash, creates the whole chain; done when the folder
// exists afterwards. The path is normalised in place. When created is given,
// every folder this call created is added to it (outermost first), so that a
// run that fails later can take them away again, whether this call succeeded
// or not. A failure names the last folder that could not be created, with
// the system's error code ("" and 0 when none refused: the text itself was
// no folder, or the folder cannot be entered).
StepResult EnsureFolderExists(char path[kPathSize], std::vector<std::string>* created = nullptr);

// Removes the given folders, innermost first, as far as they are empty: a
// failed run leaves no empty folders behind, and never takes anything that
// holds a file.
void RemoveEmptyFolders(const std::vector<std::string>& folders);
