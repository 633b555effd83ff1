// Creating folders on the disk.
#pragma once

#include <string>
#include <vector>

#include "core/product.h"

// Trims, appends a backslash, creates the whole chain; true when the folder
// exists afterwards. The path is normalised in place.
bool EnsureFolderExists(char path[kPathSize]);

// What one EnsureFolderExists call did: every folder it created (outermost
// first), so that a run that fails later can take them away again, and the
// last folder it could not create with the system's error code.
struct FolderCreation {
  std::vector<std::string> created;
  std::string failedFolder;
  unsigned long error = 0;
};
bool EnsureFolderExists(char path[kPathSize], FolderCreation* creation);

// Removes the given folders, innermost first, as far as they are empty: a
// failed run leaves no empty folders behind, and never takes anything that
// holds a file.
void RemoveEmptyFolders(const std::vector<std::string>& folders);
