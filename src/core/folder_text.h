// Pure text rules on folder paths (no Windows header).
#pragma once

#include <cstddef>

#include "core/product.h"

// Removes blanks (code 32) from both ends of path, in place.
void TrimSpaces(char* path);

// Appends a backslash when the text does not end in one and has at most 258
// characters (the empty text gets one too).
void AppendBackslashIfRoom(char path[kPathSize]);

// The folder part of a registered open command for the viewer, ending in a
// backslash. False and "" when the command does not name px_main64.exe or
// names no folder. A command that starts with a quote is read up to the
// closing quote; one without quotes is read from its start up to and
// including "px_main64.exe".
bool ReadOpenCommandFolder(const char* command, char folder[kPathSize]);

// The Browse button's rule for a chosen folder: a backslash at the end, then
// "Pixorra\" unless the last component already is "pixorra" (any case);
// a drive root such as "D:\" always gets it. False, with folder unchanged,
// when the result would not fit in 259 characters.
bool AppendProductFolderText(char folder[kPathSize]);

// The two platform steps of creating a folder chain, injected so the walk
// itself can be tested as text.
struct FolderOps {
  // True when the folder exists and can be entered (the current folder must
  // be left as it was).
  bool (*canEnter)(const char* path, void* context);
  // Creates one folder; failures are ignored by the walk.
  void (*createFolder)(const char* path, void* context);
  void* context;
};

// Trims path, ends it in a backslash, creates every missing folder of the
// chain (blanks at the end of each component dropped) and answers true when the
// folder can be entered afterwards. The path is normalised in place.
bool EnsureFolderChain(char path[kPathSize], const FolderOps& ops);
