// Links made on the host side for the tests: Wine makes none itself
// (CreateSymbolicLinkW and "mklink /j" do nothing), but a host symbolic link
// shows to Windows programs as a plain file or folder that leads elsewhere.
#pragma once

#include <string>

namespace outcomes {

// The host path of a Windows path (its last name need not exist).
std::string HostPath(const std::string& windowsPath);

// Runs a host shell script and waits (up to timeoutMs) until it has ended.
bool RunHostScript(const std::string& script, unsigned long timeoutMs = 20000);

// A host symbolic link at link (a Windows path) to target (a Windows path);
// true once the link is there.
bool MakeHostLink(const std::string& target, const std::string& link);

// Removes every host symbolic link below folder (the links, not what they
// lead to), so that the folder can be removed from Windows afterwards.
void RemoveHostLinksBelow(const std::string& folder);

// WriteFileBytes, creating the folders on the way first.
void WriteFileWithFolders(const std::string& path, const std::string& bytes);

}  // namespace outcomes
