// Shell links (.lnk files) and the special folders they go to.
#pragma once

// Writes one link at linkPath through IShellLinkA and IPersistFile, with COM
// initialised and released around it. Only the given fields are set, in the
// order icon, target, arguments, description (iconPath, arguments or
// description nullptr: not set); never a working folder. 1 when the file was
// saved, else 0 (also when linkPath is too long for a 260-character path).
int SaveShellLink(const char* linkPath, const char* target, const char* arguments,
                  const char* iconPath, int iconIndex, const char* description);

// The special folder csidl with a trailing backslash; the Windows folder when
// the shell cannot locate it. "" only when even that fails.
void GetSpecialFolder(int csidl, char folder[260]);

// Removes a file (an older version's link); a missing file is no error.
void DeleteLinkFile(const char* path);
