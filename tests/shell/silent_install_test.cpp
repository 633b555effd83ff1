// Silent installations of the real setup program, then the registry and the
// links read back: what an administrator's unattended install leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "shell/shell_expectations.h"
#include "support/px_test_support.h"

using namespace shelltest;

namespace {

constexpr const char* kSetupName = "PixorraSetup64.exe";

std::set<std::string> ExpectedProgIds() {
  std::set<std::string> ids;
  for (int i = 0; i < kExtensionCount; ++i) ids.insert(std::string("Pixorra.") + kExtensions[i].sfx);
  return ids;
}

std::set<std::string> RegisteredProgIds() {
  std::set<std::string> ids;
  for (const std::string& key : pxtest::ListRegSubkeys(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes")) {
    if (key.rfind("Pixorra.", 0) == 0) ids.insert(key);
  }
  return ids;
}

std::set<std::string> CapabilityProgIds() {
  std::set<std::string> ids;
  for (const std::string& name : pxtest::ListRegValueNames(HKEY_LOCAL_MACHINE, kFileAssociationsKey)) {
    ids.insert("Pixorra" + name);
  }
  return ids;
}

class ShellSilent : public ::testing::Test {
 protected:
  void SetUp() override {
    CleanRegistry();
    CleanLinks();
    base_ = pxtest::MakeTempFolder("shell_silent");
    folder_ = base_ + "Pixorra\\";
  }
  void TearDown() override {
    CleanRegistry();
    CleanLinks();
    pxtest::RemoveFolderTree(base_);
  }

  // Runs the setup as the given Windows version; the folder option comes first.
  void Install(const std::string& options, const std::string& version = "win7",
               const std::string& folderOption = "") {
    pxtest::ScopedWineVersion wineVersion(kSetupName, version);
    std::string folder = folderOption.empty() ? folder_.substr(0, folder_.size() - 1) : folderOption;
    pxtest::RunResult run = pxtest::RunSetup("/silent /folder=" + folder + " " + options);
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
  }

  std::string base_;
  std::string folder_;  // normalised, as the registry names it
};

TEST_F(ShellSilent, ImagesWithEveryLinkOnWindows7) {
  const std::string group = GroupFolder(false);
  CreateDirectoryA(group.substr(0, group.size() - 1).c_str(), nullptr);
  pxtest::WriteFileBytes(group + "Pixorra 64 4.41.lnk", "previous version");

  Install("/group=1 /desktop=1 /thumbs=1 /assoc=1");
  ASSERT_TRUE(pxtest::FileExists(folder_ + "px_main64.exe")) << "the installation did not run";

  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(folder_, Choice::Images, true, InstalledPayloadKb(folder_))));
  EXPECT_EQ(ExpectedProgIds(), RegisteredProgIds());
  EXPECT_EQ(ExpectedProgIds(), CapabilityProgIds());
  EXPECT_FALSE(pxtest::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\DefaultIcon"));
  EXPECT_EQ(0, NoOpenWithCount());

  EXPECT_EQ(ExpectedGroupNames(false), pxtest::ListFolder(group));
  for (const ExpectedLink& link : kGroupLinks) EXPECT_EQ("", CompareLink(group, link, folder_));
  EXPECT_EQ("", CompareLink(DesktopFolder(false), kDesktopViewerLink, folder_));
  EXPECT_EQ("", CompareLink(DesktopFolder(false), kDesktopThumbsLink, folder_));
  // The link targets are the files that the installation unpacked.
  for (const ExpectedLink& link : kGroupLinks) {
    EXPECT_TRUE(pxtest::FileExists(folder_ + link.target)) << link.target;
  }
}

TEST_F(ShellSilent, AllFormatsOnWindows8) {
  Install("/group=1 /assoc=2", "win8");
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(folder_, Choice::All, false, InstalledPayloadKb(folder_))));
  EXPECT_EQ(ExpectedGroupNames(true), pxtest::ListFolder(GroupFolder(false)));
  EXPECT_EQ(5, NoOpenWithCount());
  EXPECT_FALSE(pxtest::FileExists(DesktopFolder(false) + kDesktopViewerLink.name));
}

TEST_F(ShellSilent, WithoutAssocOptionNothingIsAssociated) {
  Install("/group=1 /desktop=1", "win8");
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(folder_, Choice::None, false, InstalledPayloadKb(folder_))));
  EXPECT_EQ(ExpectedProgIds(), CapabilityProgIds());
  EXPECT_EQ(0, NoOpenWithCount());
  EXPECT_EQ(ExpectedGroupNames(true), pxtest::ListFolder(GroupFolder(false)));
}

TEST_F(ShellSilent, AllUsersLinksInTheCommonFolders) {
  Install("/group=1 /desktop=1 /thumbs=1 /allusers=1");
  for (const ExpectedLink& link : kGroupLinks) EXPECT_EQ("", CompareLink(GroupFolder(true), link, folder_));
  EXPECT_EQ("", CompareLink(DesktopFolder(true), kDesktopViewerLink, folder_));
  EXPECT_EQ("", CompareLink(DesktopFolder(true), kDesktopThumbsLink, folder_));
  EXPECT_FALSE(pxtest::FolderExists(GroupFolder(false)));
  // The registry roots do not depend on the option.
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(folder_, Choice::None, true, InstalledPayloadKb(folder_))));
}

TEST_F(ShellSilent, BlanksAroundTheFolderAreTrimmed) {
  const std::string bare = folder_.substr(0, folder_.size() - 1);
  Install("/thumbs=1 /assoc=1", "win7", "\" " + bare + " \"");
  EXPECT_EQ("\"" + folder_ + "px_main64.exe\" \"%1\"",
            pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command", "").text);
  EXPECT_EQ("\"" + folder_ + "px_main64.exe\" \"%1 /thumbs\"",
            pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Drive\\shell\\Browse with &Pixorra\\command",
                                 "").text);
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(folder_, Choice::Images, true, InstalledPayloadKb(folder_))));
}

// An update into another folder moves every registration along, and the next
// run without a folder option installs there again.
TEST_F(ShellSilent, SecondFolderBecomesThePreviousInstallation) {
  Install("/assoc=2");
  const std::string second = base_ + "Second\\";
  Install("/assoc=1", "win7", second.substr(0, second.size() - 1));
  // Rows not chosen the second time keep the first run's extension defaults.
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(second, Choice::All, false, InstalledPayloadKb(second))));

  pxtest::RemoveFolderTree(second);
  pxtest::ScopedWineVersion wineVersion(kSetupName, "win7");
  pxtest::RunResult run = pxtest::RunSetup("/silent");
  ASSERT_TRUE(run.started);
  EXPECT_TRUE(pxtest::FileExists(second + "px_main64.exe"));
  EXPECT_EQ(second, pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").text);
}

}  // namespace
