// Target folder defaults and folder creation.
#pragma once

// 1 and the folder of an earlier installation (ending in a backslash), or 0 and "".
int FindPreviousInstallFolder(char folder[260]);

// Always 1: "<ProgramFilesDir>\Pixorra" or the fallback "C:\Pixorra\".
int GetDefaultInstallFolder(char folder[260]);

// Trims, appends a backslash, creates the whole chain; 1 when the folder exists
// afterwards. The path is normalised in place.
int EnsureFolderExists(char path[260]);
