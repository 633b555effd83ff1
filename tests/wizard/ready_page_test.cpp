// The ready page: the settings-folder choice, the folder it shows and
// installs into, and what happens when the run cannot go ahead.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "wizard/wizard_fixture.h"

using namespace pxtest;
using namespace wiztest;

struct VersionCase {
  const char* wineVersion;
  bool applicationData;  // IDC_INI_APPDATA_FOLDER preselected, else IDC_INI_PROGRAM_FOLDER
};

void PrintTo(const VersionCase& versionCase, std::ostream* out) { *out << versionCase.wineVersion; }

class ReadyPageDefaults : public WizardTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(ReadyPageDefaults, SettingsFolderFollowsTheWindowsVersionOnEveryActivation) {
  ScopedWineVersion version(kSetupExe, GetParam().wineVersion);
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kReady));
  const int preselected = GetParam().applicationData ? IDC_INI_APPDATA_FOLDER : IDC_INI_PROGRAM_FOLDER;
  const int other = GetParam().applicationData ? IDC_INI_PROGRAM_FOLDER : IDC_INI_APPDATA_FOLDER;
  EXPECT_TRUE(wizard.IsItemChecked(preselected));
  EXPECT_FALSE(wizard.IsItemChecked(other));

  // The user's choice is not kept once the page is left.
  ASSERT_TRUE(wizard.ClickItem(other));
  ASSERT_TRUE(wizard.Settle());
  ASSERT_TRUE(wizard.IsItemChecked(other));
  ASSERT_TRUE(wizard.BackTo(kAssociations));
  ASSERT_TRUE(wizard.NextTo(kReady));
  EXPECT_TRUE(wizard.IsItemChecked(preselected));
  EXPECT_FALSE(wizard.IsItemChecked(other));
}

INSTANTIATE_TEST_SUITE_P(Versions, ReadyPageDefaults,
                         ::testing::Values(VersionCase{"vista", true}, VersionCase{"win7", true},
                                           VersionCase{"win10", true}),
                         [](const ::testing::TestParamInfo<VersionCase>& info) {
                           return std::string(info.param.wineVersion);
                         });

TEST_F(WizardTest, TrailingBlanksAreShownAndInstalledWithout) {
  const std::string folder = NewInstallFolder("wizard_blanks");
  const std::string bare = folder.substr(0, folder.size() - 1);  // no backslash
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kReady, bare + "   "));
  EXPECT_EQ("Zielverzeichnis: " + bare, wizard.ItemText(IDC_READY_FOLDER));
  ASSERT_TRUE(InstallFromReadyPage());
  EXPECT_TRUE(FileExists(folder + "px_main64.exe"));
  EXPECT_EQ("\"" + folder + "px_main64.exe\" \"%1\"",
            ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command", "").text);
}

TEST_F(WizardTest, ARunningViewerStopsTheInstallation) {
  const std::string folder = NewInstallFolder("wizard_busy");
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kReady, folder));
  StartedProgram viewer = StartProgram(ViewerExePath(), "/quitafter=120");
  ASSERT_TRUE(WaitFor([] { return ViewerWindow() != nullptr; }, 10000));

  ASSERT_TRUE(wizard.PressNext());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kViewerRunning, IDOK));
  ASSERT_TRUE(wizard.Settle());
  EXPECT_EQ(kReady, wizard.PageIndex());
  EXPECT_FALSE(FolderExists(folder));
  EXPECT_FALSE(WizardDriver::IsVisible(wizard.Item(IDC_PROGRESS_NOTE)));
  EXPECT_TRUE(WizardDriver::IsEnabled(wizard.Button(IDC_SHEET_NEXT)));
  EXPECT_TRUE(WizardDriver::IsEnabled(wizard.Button(IDCANCEL)));

  // With the viewer gone the same page installs.
  ASSERT_TRUE(CloseAllViewers());
  ASSERT_TRUE(InstallFromReadyPage());
  EXPECT_TRUE(FileExists(folder + "px_main64.exe"));
}

TEST_F(WizardTest, AFailedRunReturnsToTheWelcomePageWithEveryChoiceKept) {
  const std::string base = MakeTempFolder("wizard_fail");
  WriteFileBytes(base + "Datei", "a file where a folder should be");
  const std::string folder = base + "Datei\\Pixorra\\";
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(wizard.SetItemText(IDC_TARGET_FOLDER, folder));
  ASSERT_TRUE(wizard.ClickItem(IDC_THUMBS_LINK));
  ASSERT_TRUE(wizard.ClickItem(IDC_ALL_USERS));
  ASSERT_TRUE(GoTo(kAssociations));
  ASSERT_TRUE(wizard.SetRowChecked(5, true));
  ASSERT_TRUE(wizard.NextTo(kReady));

  ASSERT_TRUE(wizard.PressNext());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kCannotCreateFolder, IDOK, 60000));
  ASSERT_TRUE(wizard.WaitForPage(kWelcome));
  EXPECT_EQ(folder, wizard.ItemText(IDC_TARGET_FOLDER));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_DESKTOP_LINK));
  EXPECT_FALSE(wizard.IsItemChecked(IDC_THUMBS_LINK));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_GROUP_LINK));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_ALL_USERS));
  EXPECT_TRUE(WizardDriver::IsEnabled(wizard.Button(IDCANCEL)));
  EXPECT_EQ("&Beenden", WizardDriver::TextOf(wizard.Button(IDCANCEL)));

  ASSERT_TRUE(GoTo(kReady));
  EXPECT_TRUE(WizardDriver::IsVisible(wizard.Item(IDC_PROGRESS_NOTE)));
  ASSERT_TRUE(wizard.BackTo(kAssociations));
  EXPECT_EQ(std::vector<int>{5}, wizard.CheckedRows());
  ASSERT_TRUE(wizard.NextTo(kReady));
  EXPECT_FALSE(SaveScreenshot("wizard_page3_after_failure").empty());

  // A folder that can be made: the second try goes through.
  installFolder = base + "Neu\\Pixorra\\";
  ASSERT_TRUE(wizard.BackTo(kAssociations));
  ASSERT_TRUE(wizard.SetRowChecked(5, false));
  ASSERT_TRUE(wizard.BackTo(kWhatsNew));
  ASSERT_TRUE(wizard.BackTo(kWelcome));
  ASSERT_TRUE(GoTo(kReady, installFolder));
  ASSERT_TRUE(InstallFromReadyPage());
  EXPECT_TRUE(FileExists(installFolder + "px_main64.exe"));
}
