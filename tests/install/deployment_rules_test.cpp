// The pure rules of unattended deployment: where a run may write for the
// account that runs it, and the progress mode's switch and bar position.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/account_placement.h"
#include "core/progress_rule.h"

using namespace accountplacement;

namespace {

// --- Which accounts count as machine accounts --------------------------------

struct AccountCase {
  const char* sid;
  bool interactive;
  AccountKind expected;
};

const AccountCase kAccountCases[] = {
    // The three service accounts, whatever the station says.
    {"S-1-5-18", true, AccountKind::kMachine},
    {"S-1-5-19", true, AccountKind::kMachine},
    {"S-1-5-20", false, AccountKind::kMachine},
    {"S-1-5-20", true, AccountKind::kMachine},
    // A person's account: decided by the window station.
    {"S-1-5-21-1004336348-1177238915-682003330-1001", true, AccountKind::kPerson},
    {"S-1-5-21-1004336348-1177238915-682003330-1001", false, AccountKind::kMachine},
    // Near misses of the service SIDs are persons.
    {"S-1-5-180", true, AccountKind::kPerson},
    {"S-1-5-1", true, AccountKind::kPerson},
    {"s-1-5-18 ", true, AccountKind::kPerson},
    // A SID that could not be read decides nothing by itself.
    {"", true, AccountKind::kPerson},
    {"", false, AccountKind::kMachine},
    {nullptr, true, AccountKind::kPerson},
};

TEST(AccountPlacementRule, ClassifiesAccountsByTokenAndStation) {
  for (const AccountCase& c : kAccountCases) {
    EXPECT_EQ(c.expected, ClassifyAccount(c.sid, c.interactive))
        << "SID " << (c.sid ? c.sid : "(null)") << ", interactive " << c.interactive;
  }
}

// --- Folder at or below another ----------------------------------------------

struct BelowCase {
  const char* folder;
  const char* base;
  bool expected;
};

const BelowCase kBelowCases[] = {
    {"C:\\Windows\\system32\\config\\systemprofile\\AppData\\Roaming\\Pixorra",
     "C:\\Windows\\system32\\config\\systemprofile\\", true},
    {"c:\\WINDOWS\\System32\\Config\\SystemProfile", "C:\\Windows\\system32\\config\\systemprofile", true},
    {"C:\\Windows\\system32\\config\\systemprofile\\..\\systemprofile\\x", "C:\\Windows\\system32\\config\\systemprofile", true},
    {"C:\\Windows\\system32\\config\\systemprofile\\..\\..\\Pixorra", "C:\\Windows\\system32\\config\\systemprofile", false},
    {"C:\\Windows\\system32\\config\\systemprofile2\\Pixorra", "C:\\Windows\\system32\\config\\systemprofile", false},
    {"C:\\\\Users\\\\Svc\\.\\AppData\\", "C:\\Users\\Svc", true},
    {"D:\\Users\\Svc\\AppData", "C:\\Users\\Svc", false},
    {"C:\\ProgramData\\Pixorra", "C:\\Users\\Svc", false},
    {"\\\\Server\\Share\\Profiles\\Svc\\Pixorra", "\\\\server\\share\\profiles\\svc\\", true},
    {"\\\\server\\other\\Profiles\\Svc", "\\\\server\\share\\Profiles\\Svc", false},
    // Relative or malformed folders are never "below" anything.
    {"Pixorra", "C:\\Users\\Svc", false},
    {"\\Users\\Svc\\Pixorra", "\\Users\\Svc", false},
    {"C:Users\\Svc", "C:\\Users\\Svc", false},
    {"\\\\?\\C:\\Users\\Svc", "C:\\Users\\Svc", false},
    {"", "C:\\", false},
    {"C:\\", "C:\\", true},
};

TEST(AccountPlacementRule, TellsWhetherAFolderLiesInAnother) {
  for (const BelowCase& c : kBelowCases) {
    EXPECT_EQ(c.expected, IsAtOrBelow(c.folder, c.base)) << c.folder << " below " << c.base;
  }
  EXPECT_FALSE(IsAtOrBelow(nullptr, "C:\\"));
  EXPECT_FALSE(IsAtOrBelow("C:\\", nullptr));
}

// --- What is written where -----------------------------------------------------

const std::vector<std::string> kSystemFolders = {
    "C:\\Windows\\system32\\config\\systemprofile\\",
    "C:\\Windows\\system32\\config\\systemprofile\\AppData\\Roaming\\",
    "C:\\Windows\\system32\\config\\systemprofile\\AppData\\Local\\",
};

struct PlacementCase {
  const char* name;
  AccountKind kind;
  bool links;          // group, desktop and thumbs links chosen
  bool allUsers;
  bool associate;
  const char* ini;     // /ini= as given ("" none); expanded below
  const char* expanded;
  // Expected placement, then the options afterwards.
  bool linksForAllUsers;
  bool userAssociations;
  bool settingsInProgramFolder;
  bool allUsersAfter;
  bool userAssociationsAfter;
  bool iniKept;
};

const PlacementCase kPlacementCases[] = {
    // A person's run keeps every choice.
    {"person, per-user links and associations", AccountKind::kPerson, true, false, true, "%APPDATA%\\Pixorra",
     "C:\\Users\\Ann\\AppData\\Roaming\\Pixorra", false, true, false, false, true, true},
    // A machine account: links to all users, associations per machine only.
    {"machine, per-user links", AccountKind::kMachine, true, false, false, "", "", true, true, false, true, true, true},
    {"machine, links already for all users", AccountKind::kMachine, true, true, false, "", "", false, true, false,
     true, true, true},
    {"machine, no links", AccountKind::kMachine, false, false, false, "", "", false, true, false, false, true, true},
    {"machine, associations", AccountKind::kMachine, false, false, true, "", "", false, false, false, false, false,
     true},
    // The settings folder: dropped inside the account's profile only.
    {"machine, ini in the roaming folder", AccountKind::kMachine, false, false, false, "%APPDATA%\\Pixorra",
     "C:\\Windows\\system32\\config\\systemprofile\\AppData\\Roaming\\Pixorra", false, true, true, false, true,
     false},
    {"machine, ini spelled differently", AccountKind::kMachine, false, false, false, "%USERPROFILE%\\.\\Pixorra",
     "c:\\windows\\SYSTEM32\\config\\systemprofile\\.\\Pixorra", false, true, true, false, true, false},
    {"machine, ini for all users", AccountKind::kMachine, false, false, false, "%ProgramData%\\Pixorra",
     "C:\\ProgramData\\Pixorra", false, true, false, false, true, true},
    {"machine, ini leaving the profile", AccountKind::kMachine, false, false, false,
     "%USERPROFILE%\\..\\..\\..\\..\\Pixorra", "C:\\Windows\\system32\\config\\systemprofile\\..\\..\\..\\..\\Pixorra",
     false, true, false, false, true, true},
    {"machine, ini that did not expand", AccountKind::kMachine, false, false, false, "%NOSUCH%\\Pixorra", "", false,
     true, false, false, true, true},
    {"machine, everything at once", AccountKind::kMachine, true, false, true, "%LOCALAPPDATA%\\Pixorra",
     "C:\\Windows\\system32\\config\\systemprofile\\AppData\\Local\\Pixorra", true, false, true, true, false, false},
};

TEST(AccountPlacementRule, PlacesEachChoiceForTheAccount) {
  for (const PlacementCase& c : kPlacementCases) {
    InstallOptions options;
    options.startMenuGroup = options.desktopLink = options.thumbsLink = c.links;
    options.allUsers = c.allUsers;
    options.associate = c.associate;
    if (c.associate) options.formatSelection[0] = true;
    std::snprintf(options.iniFolder, sizeof options.iniFolder, "%s", c.ini);

    const Placement placement = PlaceForAccount(c.kind, options, c.expanded, kSystemFolders);
    EXPECT_EQ(c.linksForAllUsers, placement.linksForAllUsers) << c.name;
    EXPECT_EQ(c.userAssociations, placement.userAssociations) << c.name;
    EXPECT_EQ(c.settingsInProgramFolder, placement.settingsInProgramFolder) << c.name;

    ApplyPlacement(placement, &options);
    EXPECT_EQ(c.allUsersAfter, options.allUsers) << c.name;
    EXPECT_EQ(c.userAssociationsAfter, options.userAssociations) << c.name;
    EXPECT_EQ(c.iniKept ? std::string(c.ini) : std::string(), std::string(options.iniFolder)) << c.name;
    // What the rule never touches.
    EXPECT_EQ(c.links, options.startMenuGroup && options.desktopLink && options.thumbsLink) << c.name;
    EXPECT_EQ(c.associate, options.associate) << c.name;
  }
}

// --- The progress mode -----------------------------------------------------------

struct SwitchCase {
  const char* arguments;
  bool expected;
};

const SwitchCase kSwitchCases[] = {
    {"/progress", true},
    {" /progress", true},
    {"/silent /progress /folder=C:\\P\\", true},
    {"/folder=C:\\P\\\t/progress", true},
    {"/progress\t/assoc=1", true},
    {"/progressive", false},
    {"x/progress", false},
    {"/folder=C:\\progress\\", false},
    {"/Progress", false},
    {"/PROGRESS", false},
    {"/silent", false},
    {"", false},
    {nullptr, false},
};

TEST(ProgressRule, FindsTheSwitchAsAWholeArgument) {
  for (const SwitchCase& c : kSwitchCases) {
    EXPECT_EQ(c.expected, progressrule::HasProgressSwitch(c.arguments)) << (c.arguments ? c.arguments : "(null)");
  }
}

struct PositionCase {
  progressrule::Stage stage;
  unsigned long long done;
  unsigned long long total;
  int expected;
};

const PositionCase kPositionCases[] = {
    {progressrule::Stage::kUnpacking, 0, 1000, 0},
    {progressrule::Stage::kUnpacking, 500, 1000, 400},
    {progressrule::Stage::kUnpacking, 1000, 1000, 800},
    {progressrule::Stage::kUnpacking, 5000, 1000, 800},  // more than announced stays at the stage's end
    {progressrule::Stage::kUnpacking, 7, 0, 0},          // nothing announced
    {progressrule::Stage::kRegistering, 0, 68, 800},
    {progressrule::Stage::kRegistering, 34, 68, 900},
    {progressrule::Stage::kRegistering, 68, 68, 1000},
    {progressrule::Stage::kRegistering, 0, 0, 800},
    {progressrule::Stage::kDone, 0, 0, 1000},
    // Huge payloads neither overflow nor pass the stage's end.
    {progressrule::Stage::kUnpacking, 1ull << 62, 1ull << 63, 400},
    {progressrule::Stage::kUnpacking, ~0ull, ~0ull, 800},
};

TEST(ProgressRule, PlacesEachStageOnTheBar) {
  for (const PositionCase& c : kPositionCases) {
    EXPECT_EQ(c.expected, progressrule::OverallPosition(c.stage, c.done, c.total))
        << "stage " << static_cast<int>(c.stage) << ", " << c.done << " of " << c.total;
  }
}

}  // namespace
