// The registration run inside this test program, read back from Wine's real
// registry and link files. This program runs as Windows 7 (Wine's default).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "install/install_folder.h"
#include "shell/association.h"
#include "shell/register_as_setup.h"
#include "shell/shell_expectations.h"
#include "support/px_test_support.h"

using namespace shelltest;

namespace {

constexpr const char* kFolder = "C:\\Tools\\Pixorra\\";

// The options a run with these choices hands to the registration.
InstallOptions Options(Choice choice, bool group = true, bool desktop = true, bool thumbs = true,
                       bool allUsers = false) {
  InstallOptions options;
  for (int row = 0; row < kFormatRowCount; ++row) {
    options.formatSelection[row] = choice == Choice::All || (choice == Choice::Images && row < kImageRowCount);
  }
  options.associate = choice != Choice::None;
  options.startMenuGroup = group;
  options.desktopLink = desktop;
  options.thumbsLink = thumbs;
  options.allUsers = allUsers;
  return options;
}

class ShellRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    CleanRegistry();
    CleanLinks();
  }
  void TearDown() override {
    CleanRegistry();
    CleanLinks();
  }

  static void Register(const char* folder, Choice choice, bool confirm = true, bool group = true,
                       bool desktop = true, bool thumbs = true, bool allUsers = false) {
    RegisterAsSetup(Options(choice, group, desktop, thumbs, allUsers), folder, confirm, kRegisteredPayloadBytes);
  }
};

std::set<std::string> ProgIdKeys() {
  std::set<std::string> keys;
  for (const std::string& key : pxtest::ListRegSubkeys(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes")) {
    if (key.rfind("Pixorra.", 0) == 0) keys.insert(key);
  }
  return keys;
}

std::set<std::string> ExpectedProgIds() {
  std::set<std::string> ids;
  for (int i = 0; i < kExtensionCount; ++i) ids.insert(std::string("Pixorra.") + kExtensions[i].sfx);
  return ids;
}

TEST_F(ShellRegistration, ImagesChosenFootprint) {
  Register(kFolder, Choice::Images);
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(kFolder, Choice::Images, true)));

  // Nothing beyond the expected: one ProgID key and one capability per suffix.
  EXPECT_EQ(ExpectedProgIds(), ProgIdKeys());
  std::set<std::string> capabilities;
  for (const std::string& name : pxtest::ListRegValueNames(HKEY_LOCAL_MACHINE, kFileAssociationsKey)) {
    capabilities.insert("Pixorra" + name);
  }
  EXPECT_EQ(ExpectedProgIds(), capabilities);
  EXPECT_FALSE(pxtest::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\DefaultIcon"));
  // Windows 7: the store apps keep their open-with entries.
  for (const char* appClass : kStoreAppClasses) {
    EXPECT_FALSE(pxtest::ReadRegValue(HKEY_CURRENT_USER, appClass, "NoOpenWith").exists) << appClass;
  }
}

TEST_F(ShellRegistration, AllRowsChosenAddsVideoAndAudio) {
  Register(kFolder, Choice::All);
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(kFolder, Choice::All, true)));
  EXPECT_EQ("Pixorra.mpe", pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.mpe", "").text);
  EXPECT_EQ("Pixorra.mpg", pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.mpeg", "").text);
  EXPECT_EQ(std::string(kFolder) + "px_main64.exe,9",
            pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra.mpe\\DefaultIcon", "").text);
}

TEST_F(ShellRegistration, NothingChosenStillRegistersEveryProgId) {
  Register(kFolder, Choice::None);
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(kFolder, Choice::None, true)));
  EXPECT_EQ(ExpectedProgIds(), ProgIdKeys());
}

// The user declined the association question: like nothing chosen.
TEST_F(ShellRegistration, DeclinedConfirmationAssociatesNothing) {
  RegisterAsSetup(Options(Choice::Images), kFolder, false, kRegisteredPayloadBytes);
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(kFolder, Choice::None, true)));
}

TEST_F(ShellRegistration, NoThumbsLinkWritesNoVerbsButKeepsGroupThumbnails) {
  Register(kFolder, Choice::Images, 1, 1, 1, 0);
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(kFolder, Choice::Images, false)));
  EXPECT_TRUE(pxtest::FileExists(GroupFolder(false) + "Pixorra - Thumbnails.lnk"));
  EXPECT_FALSE(pxtest::FileExists(DesktopFolder(false) + kDesktopThumbsLink.name));
  EXPECT_TRUE(pxtest::FileExists(DesktopFolder(false) + kDesktopViewerLink.name));
}

TEST_F(ShellRegistration, FolderWithBlanksIsTrimmedInEveryCommand) {
  Register(" C:\\Tools\\Pixorra ", Choice::Images);
  EXPECT_EQ("\"C:\\Tools\\Pixorra\\px_main64.exe\" \"%1\"",
            pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra.jpg\\shell\\open\\command", "").text);
  EXPECT_EQ("\"C:\\Tools\\Pixorra\\px_main64.exe\" \"%1 /thumbs\"",
            pxtest::ReadRegValue(HKEY_LOCAL_MACHINE,
                                 "SOFTWARE\\Classes\\Directory\\shell\\Browse with &Pixorra\\command", "").text);
  EXPECT_EQ("\"C:\\Tools\\Pixorra\\pv_uninstall.exe\"",
            pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").text);
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(kFolder, Choice::Images, true)));
}

// The viewer's App Paths entry: its program and the folder Windows searches
// first when it starts the viewer by name.
TEST_F(ShellRegistration, AppPathsEntryNamesTheViewerAndItsFolder) {
  struct Row {
    const char* folder;
    const char* program;
    const char* path;
  };
  const Row rows[] = {
      {"C:\\Tools\\Pixorra\\", "C:\\Tools\\Pixorra\\px_main64.exe", "C:\\Tools\\Pixorra"},
      {" D:\\Bilder\\Pixorra ", "D:\\Bilder\\Pixorra\\px_main64.exe", "D:\\Bilder\\Pixorra"},
      {"E:\\", "E:\\px_main64.exe", "E:\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder);
    CleanRegistry();
    Register(row.folder, Choice::None, true, false, false, false);
    EXPECT_EQ(row.program, pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, kAppPathsKey, "").text);
    EXPECT_EQ(row.path, pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path").text);
  }
}

// A second installation elsewhere takes over every ProgID, chosen or not, and
// the next setup run finds it there.
TEST_F(ShellRegistration, SecondInstallationPointsEverythingToTheNewFolder) {
  Register(kFolder, Choice::All);
  Register("D:\\Other\\Viewer", Choice::Images);
  // Rows not chosen the second time keep the first run's extension defaults
  // and user choices, so the footprint is that of all rows in the new folder.
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint("D:\\Other\\Viewer\\", Choice::All, true)));
  char previous[260] = {};
  EXPECT_EQ(1, FindPreviousInstallFolder(previous));
  EXPECT_STREQ("D:\\Other\\Viewer\\", previous);
}

TEST_F(ShellRegistration, FormerDefaultIconOfTheApplicationKeyIsRemoved) {
  pxtest::WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\DefaultIcon", "", "old.exe,3");
  Register(kFolder, Choice::None);
  EXPECT_FALSE(pxtest::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\DefaultIcon"));
}

TEST_F(ShellRegistration, ChoiceOfAnotherProgramIsReplaced) {
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.png\\UserChoice";
  pxtest::WriteRegText(HKEY_CURRENT_USER, key, "Progid", "OtherViewer.png");
  pxtest::WriteRegText(HKEY_CURRENT_USER, key, "Hash", "stale");
  pxtest::WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.png", "Content Type", "image/png");
  Register(kFolder, Choice::Images);
  EXPECT_EQ(std::vector<std::string>{"Progid"}, pxtest::ListRegValueNames(HKEY_CURRENT_USER, key));
  EXPECT_EQ("Pixorra.png", pxtest::ReadRegValue(HKEY_CURRENT_USER, key, "Progid").text);
  // Other values of the extension key are not the setup's business.
  EXPECT_EQ("image/png", pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.png", "Content Type").text);
}

// A folder that cannot name the program within MAX_PATH registers nothing
// rather than a cut-off path.
TEST_F(ShellRegistration, FolderTooLongForTheProgramPathRegistersNothing) {
  std::string folder = "C:\\" + std::string(250, 'l');
  Register(folder.c_str(), Choice::Images);
  EXPECT_FALSE(pxtest::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(pxtest::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra.jpg"));
  EXPECT_FALSE(pxtest::FolderExists(GroupFolder(false)));
}

TEST_F(ShellRegistration, BlankFolderRegistersNothing) {
  Register("   ", Choice::Images);
  EXPECT_FALSE(pxtest::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra"));
  EXPECT_FALSE(pxtest::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.jpg"));
  EXPECT_FALSE(pxtest::FolderExists(GroupFolder(false)));
}

TEST_F(ShellRegistration, AssociateWithoutAnyRowChoosesNothing) {
  InstallOptions options = Options(Choice::None, false, false, false);
  options.associate = true;
  RegisterAsSetup(options, kFolder, true, kRegisteredPayloadBytes);
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(kFolder, Choice::None, false)));
}

// The capability values and the registered application go only into keys
// that exist; the association stage never creates the capability key.
TEST_F(ShellRegistration, MissingKeysThatAreOnlyOpenedStayMissing) {
  const InstallOptions images = Options(Choice::Images);
  AssociateFormats("C:\\P\\px_main64.exe", "\"C:\\P\\px_main64.exe\" \"%1\"", images.formatSelection, true, true);
  EXPECT_FALSE(pxtest::RegKeyExists(HKEY_LOCAL_MACHINE, kFileAssociationsKey));
  EXPECT_EQ("Pixorra.jpg", pxtest::ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.jpe", "").text);

  pxtest::DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications");
  Register(kFolder, Choice::None);
  EXPECT_FALSE(pxtest::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications"));
  EXPECT_EQ(73u, pxtest::ListRegValueNames(HKEY_LOCAL_MACHINE, kFileAssociationsKey).size());
}

class ShellLinks : public ShellRegistration {};

TEST_F(ShellLinks, GroupAndDesktopLinksOfTheCurrentUser) {
  Register(kFolder, Choice::None);
  const std::string group = GroupFolder(false);
  std::vector<std::string> expectedFiles;
  for (const ExpectedLink& link : kGroupLinks) {
    EXPECT_EQ("", CompareLink(group, link, kFolder));
    expectedFiles.push_back(link.name);
  }
  std::sort(expectedFiles.begin(), expectedFiles.end());
  EXPECT_EQ(expectedFiles, pxtest::ListFolder(group)) << "Windows 7: nine links, uninstaller included";
  EXPECT_EQ("", CompareLink(DesktopFolder(false), kDesktopViewerLink, kFolder));
  EXPECT_EQ("", CompareLink(DesktopFolder(false), kDesktopThumbsLink, kFolder));
  EXPECT_FALSE(pxtest::FolderExists(GroupFolder(true)));
  EXPECT_FALSE(pxtest::FileExists(DesktopFolder(true) + kDesktopViewerLink.name));
}

TEST_F(ShellLinks, AllUsersLinksGoToTheCommonFolders) {
  Register(kFolder, Choice::None, 1, 1, 1, 1, 1);
  for (const ExpectedLink& link : kGroupLinks) EXPECT_EQ("", CompareLink(GroupFolder(true), link, kFolder));
  EXPECT_EQ("", CompareLink(DesktopFolder(true), kDesktopViewerLink, kFolder));
  EXPECT_EQ("", CompareLink(DesktopFolder(true), kDesktopThumbsLink, kFolder));
  EXPECT_FALSE(pxtest::FolderExists(GroupFolder(false)));
  EXPECT_FALSE(pxtest::FileExists(DesktopFolder(false) + kDesktopViewerLink.name));
}

TEST_F(ShellLinks, PreviousVersionsMainLinksAreReplaced) {
  const std::string group = GroupFolder(false);
  CreateDirectoryA(group.substr(0, group.size() - 1).c_str(), nullptr);
  pxtest::WriteFileBytes(group + "Pixorra 64 4.42.lnk", "not a link");
  pxtest::WriteFileBytes(group + "Pixorra 64 4.41.lnk", "old");
  pxtest::WriteFileBytes(group + "Pixorra 64 4.40.lnk", "older");
  pxtest::WriteFileBytes(group + "Pixorra 64 4.39.lnk", "oldest");
  Register(kFolder, Choice::None, 1, 1, 0, 0);
  EXPECT_EQ("", CompareLink(group, kGroupLinks[0], kFolder));
  EXPECT_FALSE(pxtest::FileExists(group + "Pixorra 64 4.41.lnk"));
  EXPECT_FALSE(pxtest::FileExists(group + "Pixorra 64 4.40.lnk"));
  EXPECT_TRUE(pxtest::FileExists(group + "Pixorra 64 4.39.lnk"));
}

// At the limit, the viewer's own path still fits and everything that names
// it is written; only links to longer file names are left out, never cut.
TEST_F(ShellLinks, FolderAtTheLimitSkipsOnlyLinksWhoseTargetsDoNotFit) {
  const std::string folder = "C:\\" + std::string(242, 'm') + "\\";  // + px_main64.exe = 259
  ASSERT_EQ(259u, (folder + "px_main64.exe").size());
  Register(folder.c_str(), Choice::None);
  std::vector<std::string> expected = {"Pixorra - Thumbnails.lnk", "Pixorra 64 4.42.lnk", "\xDC" "ber Pixorra.lnk"};
  EXPECT_EQ(expected, pxtest::ListFolder(GroupFolder(false)));
  EXPECT_EQ("", CompareLink(GroupFolder(false), kGroupLinks[3], folder));
  EXPECT_EQ("", CompareFootprint(ExpectedFootprint(folder, Choice::None, true)));
}

TEST_F(ShellLinks, NoOptionsNoLinks) {
  Register(kFolder, Choice::Images, 1, 0, 0, 0);
  EXPECT_FALSE(pxtest::FolderExists(GroupFolder(false)));
  EXPECT_FALSE(pxtest::FileExists(DesktopFolder(false) + kDesktopViewerLink.name));
  EXPECT_FALSE(pxtest::FileExists(DesktopFolder(false) + kDesktopThumbsLink.name));
}

}  // namespace
