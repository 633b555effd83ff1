// Creating folders on the disk.
#pragma once

#include "core/product.h"

// Trims, appends a backslash, creates the whole chain; true when the folder
// exists afterwards. The path is normalised in place.
bool EnsureFolderExists(char path[kPathSize]);
