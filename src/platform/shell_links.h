// Shell links (.lnk files), the special folders they go to, and the shell's
// notice that associations changed.
#pragma once

#include <string>

#include "core/product.h"

// Writes one link at linkPath through IShellLinkA and IPersistFile, with COM
// initialised and released around it. Only the given fields are set, in the
// order icon, target, arguments, description (iconPath, arguments or
// description nullptr: not set); never a working folder. True when the file
// was saved (false also when linkPath is too long for a 260-character path).
bool SaveShellLink(const char* linkPath, const char* target, const char* arguments,
                   const char* iconPath, int iconIndex, const char* description);

// One link named linkName (the product's own text, Windows-1252) in folder
// (ANSI code page, ending in a backslash); the path is put together in
// UTF-16. False when folder is "", the path does not fit, or the file was
// not saved.
bool SaveNamedShellLink(const char* folder, const char* linkName, const char* target, const char* arguments,
                        const char* iconPath, int iconIndex, const char* description);

// The special folder csidl with a trailing backslash, created when it is
// missing; "" when the shell can neither locate nor create it.
void GetSpecialFolder(int csidl, char folder[kPathSize]);

// Removes a file (an older version's link); a missing file is no error.
void DeleteLinkFile(const char* path);

// Tells the shell that icons and associations changed: reload the system
// icons, then announce SHCNE_ASSOCCHANGED and wait for the flush.
void RefreshShellAssociations();

// A special folder (CSIDL) with a backslash at its end; "" when the shell
// cannot name it. No fallback: what is looked for there must not be looked
// for elsewhere.
std::string ShellFolderPath(int csidl);

// The target path stored in a .lnk file; "" when it cannot be read.
std::string ReadLinkTarget(const std::string& linkPath);
