// Shared by the deployment tests: the setup and the uninstaller started the
// way deployment tools start them, and what their logs hold afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/px_test_support.h"

namespace deploytest {

using Texts = std::vector<std::string>;

// The area every deployment test works in; emptied by each fixture.
constexpr char kArea[] = "C:\\pxtest\\deploy\\";
// The setup's messages as the log holds them (Windows-1252, CR LF).
extern const char kUnknownOption[];   // ends with the hint, the word follows after ": "
extern const char kNoDesktop[];
extern const char kUsageStart[];      // first line of the usage text
extern const char kUninstallerUnknownOption[];
extern const char kUninstallerUsageStart[];

// The texts of the entries of any install-log file (date, time and the
// separator line checked and taken off); {} when there is no such file.
Texts EntriesOf(const std::string& file);

// The full exit code of a run within timeoutMs; a run still going then is
// ended and reported as timed out.
pxtest::RunResult RunWithin(const std::string& exe, const std::string& args, const std::string& workDir,
                      DWORD timeoutMs = 60000);

// A host symbolic link at link (a Windows path whose name is free) that
// leads to target; waits until the link shows.
bool MakeHostLink(const std::string& target, const std::string& link);
// Removes such a link on the host's side (Windows calls on it would reach
// its target) and waits until it is gone.
bool RemoveHostLink(const std::string& link);

// True when folder holds the viewer: the sign that an installation went
// there.
bool InstalledIn(const std::string& folder);

}  // namespace deploytest
