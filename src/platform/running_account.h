// Who runs the setup, as the account-placement rule asks it (see
// core/account_placement.h). Thin calls, no decision here.
#pragma once

#include <string>
#include <vector>

struct RunningAccount {
  std::string userSid;            // the token's user as "S-1-5-...", "" when it cannot be read
  bool interactiveStation = true;  // the window station is visible; true when the system cannot say
};

// The process token's user and whether the process's window station is the
// visible one (WSF_VISIBLE). A service or anything started on a service's
// window station or in session 0 has a station nobody sees.
RunningAccount QueryRunningAccount();

// The running account's profile folder and its roaming and local
// application-data folders, each ending in a backslash; folders the shell
// cannot name are left out.
std::vector<std::string> AccountProfileFolders();

// True when the process runs with its token's full rights: TokenElevation
// says elevated. A system that knows no elevation (before Vista) answers as
// an administrator's run always did: true. Group membership is not asked: a
// member of Administrators whose token is filtered is not elevated.
bool IsProcessElevated();
