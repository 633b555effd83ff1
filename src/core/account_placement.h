// Where an installation may write for the account that runs it. Deployment
// tools run the setup as LocalSystem (or another service account) in a
// session nobody sees; what would go into that account's profile (links,
// the user part of the associations, a settings folder below the profile)
// would reach no user. Pure rules: no Windows header.
#pragma once

#include <string>
#include <vector>

#include "core/install_options.h"

namespace accountplacement {

// A person's account in an interactive session, or an account no person
// looks at: a service account or a window station without a screen.
enum class AccountKind { kPerson, kMachine };

// True for the string form of LocalSystem (S-1-5-18), LocalService
// (S-1-5-19) and NetworkService (S-1-5-20).
bool IsServiceAccountSid(const char* sidText);

// kMachine when the token's user is a service account or the process's
// window station is not interactive (a service's or session 0's station);
// an unknown SID ("" or null) decides nothing by itself.
AccountKind ClassifyAccount(const char* userSidText, bool interactiveStation);

// True when folder is base or lies below it, compared without regard to
// ASCII case after "." and ".." components, doubled and trailing
// backslashes are resolved as text; both must be absolute ("X:\..." or
// "\\server\share\..."). False for anything else.
bool IsAtOrBelow(const char* folder, const char* base);

// What the run does instead of writing into the running account's profile.
struct Placement {
  bool linksForAllUsers = false;   // links chosen for the account's own folders go to all users
  bool userAssociations = true;    // user choices and store-app entries of the account are written
  bool settingsInProgramFolder = false;  // the /ini= folder lies in the account's profile
};

// The rule. options: the run's choices; expandedIniFolder: options.iniFolder
// with its %NAME% references expanded ("" when none was given or it did not
// expand); accountFolders: the running account's profile folder and its
// application-data folders. For a person everything stays as chosen. For a
// machine account links go to all users, associations are written per
// machine only and a settings folder at or below any account folder is
// dropped. A flag is set only when it changes something the options chose.
Placement PlaceForAccount(AccountKind kind, const InstallOptions& options, const char* expandedIniFolder,
                          const std::vector<std::string>& accountFolders);

// Applies placement to options: allUsers set, user associations off, the
// settings folder cleared (the program folder then keeps the file).
void ApplyPlacement(const Placement& placement, InstallOptions* options);

}  // namespace accountplacement
