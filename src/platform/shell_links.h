// Shell links (.lnk files), the special folders they go to, and the shell's
// notice that associations changed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/product.h"

// One link named linkName (the product's own text, Windows-1252) in folder
// (ANSI code page, ending in a backslash), made through IShellLinkA and
// written as a new file that then replaces the name (a link planted there is
// replaced, never written through), with COM initialised and released
// around it; the path is
// put together in UTF-16. Only the given fields are set, in the order icon,
// target, arguments, description (iconPath, arguments or description
// nullptr: not set); never a working folder. False when folder is "", the
// path does not fit into a 260-character path (a cut name would be another
// link), or the file was not saved.
bool SaveNamedShellLink(const char* folder, const char* linkName, const char* target, const char* arguments,
                        const char* iconPath, int iconIndex, const char* description);

// COM set up on the calling thread for as long as the object lives, and the
// shell's link class created once: links saved on this thread afterwards pay
// for neither, so a thread that is to save links can do that part while the
// links' targets do not exist yet.
class ShellLinkThread {
 public:
  ShellLinkThread();
  ~ShellLinkThread();
  ShellLinkThread(const ShellLinkThread&) = delete;
  ShellLinkThread& operator=(const ShellLinkThread&) = delete;

 private:
  HRESULT init_;
};

// The special folder csidl with a trailing backslash, created when it is
// missing; "" when the shell can neither locate nor create it.
void GetSpecialFolder(int csidl, char folder[kPathSize]);

// Tells the shell that icons and associations changed: reload the system
// icons, then announce SHCNE_ASSOCCHANGED and wait for the flush.
void RefreshShellAssociations();

// A special folder (CSIDL) with a backslash at its end; "" when the shell
// cannot name it. No fallback: what is looked for there must not be looked
// for elsewhere.
std::string ShellFolderPath(int csidl);

// The target path stored in a .lnk file; "" when it cannot be read.
std::string ReadLinkTarget(const std::string& linkPath);
// ReadLinkTarget for each path, in their order, with one set-up of COM for
// all of them (each link is still read by an object of its own).
std::vector<std::string> ReadLinkTargets(const std::vector<std::string>& linkPaths);
