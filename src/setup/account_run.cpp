#include "setup/account_run.h"

#include <string>
#include <vector>

#include "core/account_placement.h"
#include "install/viewer_settings.h"
#include "platform/resource_text.h"
#include "platform/running_account.h"
#include "resources/resource.h"

using namespace accountplacement;

namespace {

void Tell(Reporter& reporter, unsigned messageId, const std::string& subject) {
  reporter.Notice(LoadResourceString(messageId), subject);
}

}  // namespace

InstallOptions PlaceForRunningAccount(const InstallOptions& options, Reporter& reporter) {
  // The current user's installation writes only into that account's own
  // places, whoever the account is: no links for all users.
  if (options.perUser) {
    InstallOptions own = options;
    own.allUsers = false;
    return own;
  }
  const RunningAccount account = QueryRunningAccount();
  const AccountKind kind = ClassifyAccount(account.userSid.c_str(), account.interactiveStation);
  if (kind == AccountKind::kPerson) return options;

  // The profile folders are asked only for a settings folder: that loads
  // the shell, which a run without links never needs otherwise.
  char expanded[kPathSize] = {};
  std::vector<std::string> accountFolders;
  if (options.iniFolder[0] != '\0') {
    if (!ExpandPercentVariables(options.iniFolder, expanded)) expanded[0] = '\0';
    accountFolders = AccountProfileFolders();
  }
  const Placement placement = PlaceForAccount(kind, options, expanded, accountFolders);
  InstallOptions placed = options;
  ApplyPlacement(placement, &placed);

  const std::string who = account.userSid.empty() ? std::string("?") : account.userSid;
  if (placement.linksForAllUsers) Tell(reporter, IDS_MACHINE_LINKS, who);
  if (!placement.userAssociations) Tell(reporter, IDS_MACHINE_ASSOCIATIONS, who);
  if (placement.settingsInProgramFolder) Tell(reporter, IDS_MACHINE_SETTINGS, options.iniFolder);
  return placed;
}

installrecord::Scope RunScope(const char* arguments) {
  const installscope::Request request = installscope::ReadRequest(arguments);
  // Asked only when the command line leaves it open.
  const bool elevated = request == installscope::Request::kNone ? IsProcessElevated() : true;
  return installscope::Choose(request, elevated);
}
