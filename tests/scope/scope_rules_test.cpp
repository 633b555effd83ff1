// The current user's installation as data: which scope a run takes, the
// footprint it describes (the same registration below HKEY_CURRENT_USER,
// links in the user's own folders), the lists its uninstaller goes by, and
// the record line that names the scope.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/command_arguments.h"
#include "core/footprint.h"
#include "core/install_scope.h"
#include "core/shell_text.h"
#include "core/uninstall_rules.h"

using namespace footprint;
using installscope::Request;

namespace {

// ---------------------------------------------------------------- the choice

struct ChoiceCase {
  const char* arguments;
  bool elevated;
  Request request;
  Scope scope;
};

TEST(RunScope, TheOptionWinsAndWithoutItElevationDecides) {
  const ChoiceCase cases[] = {
      // An administrator's run without the option stays the machine's.
      {"/silent", true, Request::kNone, Scope::kMachine},
      {"/silent", false, Request::kNone, Scope::kUser},
      {"", false, Request::kNone, Scope::kUser},
      {"/silent /scope=user", true, Request::kUser, Scope::kUser},
      // A standard user may ask for the machine: the run then fails as before.
      {"/silent /scope=machine", false, Request::kMachine, Scope::kMachine},
      {"\"/scope=user\" /silent", true, Request::kUser, Scope::kUser},
      // The first word decides; a folder that merely contains the text does not.
      {"/scope=machine /scope=user", false, Request::kMachine, Scope::kMachine},
      {"/folder=C:\\x/scope=user", true, Request::kNone, Scope::kMachine},
      {"/scope=User", false, Request::kInvalid, Scope::kMachine},
      {"/scope=", false, Request::kInvalid, Scope::kMachine},
      {"/scope=users", true, Request::kInvalid, Scope::kMachine},
  };
  for (const ChoiceCase& c : cases) {
    EXPECT_EQ(c.request, installscope::ReadRequest(c.arguments)) << c.arguments;
    EXPECT_EQ(c.scope, installscope::Choose(installscope::ReadRequest(c.arguments), c.elevated)) << c.arguments;
  }
}

TEST(RunScope, OnlyTheTwoWordsAreKnownOptions) {
  const struct {
    const char* arguments;
    const char* unknown;  // "" for none
  } cases[] = {
      {"/silent /scope=user", ""},
      {"/silent /scope=machine /folder=D:\\Apps", ""},
      {"/silent /scope=usr", "/scope=usr"},
      {"/scope=", "/scope="},
      {"/silent /scope=Machine", "/scope=Machine"},
  };
  for (const auto& c : cases) {
    std::string word;
    EXPECT_EQ(c.unknown[0] != '\0', FindUnknownOption(c.arguments, kSetupOptions, &word)) << c.arguments;
    if (c.unknown[0] != '\0') {
      EXPECT_EQ(c.unknown, word);
    }
  }
  // The uninstaller takes no scope: it finds its own.
  EXPECT_TRUE(FindUnknownOption("/silent /scope=user", kUninstallerOptions, nullptr));
}

// ------------------------------------------------------------- the footprint

struct FootprintCase {
  const char* name;
  bool group, desktop, thumbs, allUsers, associate, windows8;
};

const FootprintCase kFootprintCases[] = {
    {"nothing chosen", false, false, false, false, false, false},
    {"every link, all formats", true, true, true, false, true, false},
    {"links for all users asked", true, true, true, true, true, true},
    {"associations on Windows 8", false, false, false, false, true, true},
};

Choices ChoicesOf(const FootprintCase& c, bool perUser) {
  Choices choices;
  choices.group = c.group;
  choices.desktop = c.desktop;
  choices.thumbs = c.thumbs;
  choices.allUsers = c.allUsers;
  choices.associate = choices.confirmed = c.associate;
  for (bool& format : choices.formats) format = c.associate;
  choices.windows8OrLater = c.windows8;
  choices.installDate = "20261208";
  choices.perUser = perUser;
  return choices;
}

Footprint Of(const FootprintCase& c, bool perUser) {
  shelltext::InstallTexts texts;
  EXPECT_TRUE(shelltext::ComposeInstallTexts("C:\\Users\\anna\\AppData\\Local\\Programs\\Pixorra", &texts));
  return Describe(ChoicesOf(c, perUser), texts);
}

TEST(UserFootprint, TheMachinesRegistrationBelowTheCurrentUser) {
  for (const FootprintCase& c : kFootprintCases) {
    const Footprint machine = Of(c, false);
    const Footprint user = Of(c, true);
    ASSERT_EQ(machine.registry.size(), user.registry.size()) << c.name;
    for (std::size_t i = 0; i < user.registry.size(); ++i) {
      const RegistryItem& m = machine.registry[i];
      const RegistryItem& u = user.registry[i];
      EXPECT_EQ(Hive::kUser, u.hive) << c.name << ": " << u.key;
      // The same item in the same place below the other root: the classes
      // of HKEY_CLASSES_ROOT below the user's SOFTWARE\Classes.
      EXPECT_EQ(RootKeyPath(m), u.key) << c.name;
      EXPECT_EQ(m.action, u.action) << c.name << ": " << u.key;
      EXPECT_EQ(m.name, u.name) << c.name << ": " << u.key;
      EXPECT_EQ(m.text, u.text) << c.name << ": " << u.key;
      EXPECT_EQ(m.essential, u.essential) << c.name << ": " << u.key;
    }
    EXPECT_EQ(Root::kCurrentUser, user.uninstallEntry.root) << c.name;
    EXPECT_EQ(Root::kLocalMachine, machine.uninstallEntry.root) << c.name;
    for (const KeyItem& key : user.ownKeys) EXPECT_EQ(Root::kCurrentUser, key.root) << c.name << ": " << key.key;
    for (const KeyItem& key : user.createdKeys) EXPECT_EQ(Root::kCurrentUser, key.root) << c.name << ": " << key.key;
    ASSERT_EQ(machine.links.size(), user.links.size()) << c.name;
    for (const LinkItem& link : user.links) {
      EXPECT_TRUE(link.place == LinkPlace::kUserPrograms || link.place == LinkPlace::kUserDesktop)
          << c.name << ": " << link.name;
    }
  }
}

TEST(UserFootprint, KeysAUsersHiveMayLackAreCreatedAndGoAgain) {
  const std::vector<KnownKey>& created = KnownCreatedKeys(Scope::kUser);
  for (const char* parent :
       {kRegisteredApplicationsKey, kAppPathsParentKey, kUninstallParentKey, kUserApplicationsKey, kUserClassesKey}) {
    bool listed = false;
    for (const KnownKey& key : created) listed = listed || (key.root == Root::kCurrentUser && key.key == parent);
    EXPECT_TRUE(listed) << parent;
  }
  // The machine has them: its lists do not name them.
  for (const KnownKey& key : KnownCreatedKeys(Scope::kMachine)) {
    EXPECT_NE(kUninstallParentKey, key.key);
    EXPECT_NE(kAppPathsParentKey, key.key);
    EXPECT_NE(kUserClassesKey, key.key);
  }
  // The registered application's value is opened with its key created.
  for (const RegistryItem& item : Union(Scope::kUser).registry) {
    if (item.replaces == ValueKind::kRegisteredApplication) {
      EXPECT_EQ(Opening::kCreate, item.opening);
    }
  }
}

// The user's part of the associations lies below HKEY_CURRENT_USER in both
// scopes; everything else the uninstaller may take back, below its scope's root.
TEST(UserFootprint, EachScopesListsNameOnlyItsOwnRoot) {
  for (Scope scope : {Scope::kMachine, Scope::kUser}) {
    for (const KeyItem& key : OwnKeys(scope)) EXPECT_EQ(ScopeRoot(scope), key.root) << key.key;
    for (const KnownValue& value : KnownReplacedValues(scope)) {
      const bool usersPart = value.kind == ValueKind::kUserChoice || value.kind == ValueKind::kUserChoiceHash ||
                             value.kind == ValueKind::kNoOpenWith;
      EXPECT_EQ(usersPart ? Root::kCurrentUser : ScopeRoot(scope), value.root) << value.key;
    }
  }
}

// ------------------------------------------------------------------ the record

installrecord::InstallRecord UserRecord() {
  installrecord::InstallRecord record;
  record.folder = "C:\\Users\\anna\\AppData\\Local\\Programs\\Pixorra\\";
  record.scope = Scope::kUser;
  record.ownKeys.push_back({Root::kCurrentUser, kUninstallEntryKey});
  return record;
}

TEST(UserRecord, TheScopeLineRoundTripsAndOnlyTheUsersIsWritten) {
  const std::string user = installrecord::Serialize(UserRecord());
  EXPECT_NE(std::string::npos, user.find("\r\nScope\tuser\r\n")) << user;
  installrecord::InstallRecord parsed;
  ASSERT_TRUE(installrecord::Parse(user, &parsed, nullptr));
  EXPECT_EQ(Scope::kUser, parsed.scope);

  installrecord::InstallRecord machine = UserRecord();
  machine.scope = Scope::kMachine;
  EXPECT_EQ(std::string::npos, installrecord::Serialize(machine).find("Scope")) << "a machine record reads as before";

  const struct {
    const char* line;
    bool parses;
  } lines[] = {{"Scope\tuser", true}, {"Scope\tmachine", false}, {"Scope\tUser", false}, {"Scope", false},
               {"Scope\tuser\tuser", false}};
  for (const auto& l : lines) {
    std::string text = installrecord::Serialize(machine);
    // Among the facts: before the folder line, after the header's lines.
    text.insert(text.find("\r\nFolder\t") + 2, std::string(l.line) + "\r\n");
    installrecord::InstallRecord read;
    EXPECT_EQ(l.parses, installrecord::Parse(text, &read, nullptr)) << l.line;
  }
}

TEST(UserRecord, ARecordNamesOnlyItsScopesKeys) {
  const std::string folder = UserRecord().folder;
  const struct {
    const char* name;
    Scope scope;
    Root root;
    const char* key;
    uninstallrules::RecordVerdict verdict;
  } cases[] = {
      {"user's own key", Scope::kUser, Root::kCurrentUser, kProductClassKey, uninstallrules::RecordVerdict::kUsable},
      {"user's uninstall entry", Scope::kUser, Root::kCurrentUser, kUninstallEntryKey,
       uninstallrules::RecordVerdict::kUsable},
      {"machine key in a user's record", Scope::kUser, Root::kLocalMachine, kProductClassKey,
       uninstallrules::RecordVerdict::kDamaged},
      {"user key in a machine record", Scope::kMachine, Root::kCurrentUser, kProductClassKey,
       uninstallrules::RecordVerdict::kDamaged},
      {"machine's own key", Scope::kMachine, Root::kLocalMachine, kProductClassKey,
       uninstallrules::RecordVerdict::kUsable},
  };
  for (const auto& c : cases) {
    installrecord::InstallRecord record;
    record.folder = folder;
    record.scope = c.scope;
    record.ownKeys.push_back({c.root, c.key});
    EXPECT_EQ(c.verdict, uninstallrules::CheckRecord(record, folder, {}, nullptr)) << c.name;
  }
}

}  // namespace
