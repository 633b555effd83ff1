// The welcome page: the folder test, the link options and what survives
// going back to it.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "wizard/wizard_fixture.h"

using namespace pxtest;
using namespace wiztest;

TEST_F(WizardTest, WelcomeRefusesFoldersWithoutADriveLetter) {
  ASSERT_TRUE(StartAtWelcome());
  const char* const refused[] = {"", " C:\\Pixorra", "\\\\server\\share\\Pixorra", "Pixorra"};
  for (const char* folder : refused) {
    SCOPED_TRACE(std::string("folder [") + folder + "]");
    ASSERT_TRUE(wizard.SetItemText(IDC_TARGET_FOLDER, folder));
    ASSERT_TRUE(wizard.PressNext());
    EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kInvalidFolder, IDOK));
    ASSERT_TRUE(wizard.Settle());
    EXPECT_EQ(kWelcome, wizard.PageIndex());
    EXPECT_EQ(folder, wizard.ItemText(IDC_TARGET_FOLDER));
    // Next enabled Back before refusing; Back then finds no page before this one.
    ASSERT_TRUE(WizardDriver::IsEnabled(wizard.Button(IDC_SHEET_BACK)));
    ASSERT_TRUE(wizard.PressBack());
    ASSERT_TRUE(wizard.Settle());
    EXPECT_EQ(kWelcome, wizard.PageIndex());
    EXPECT_TRUE(wizard.OpenMessageBoxes().empty());
  }
  // A drive letter is all it takes.
  ASSERT_TRUE(wizard.SetItemText(IDC_TARGET_FOLDER, "D:\\Irgendwo"));
  EXPECT_TRUE(wizard.NextTo(kWhatsNew));
}

TEST_F(WizardTest, NoLinksDisablesTheUserChoiceAndKeepsItsSelection) {
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(wizard.ClickItem(IDC_ALL_USERS));
  ASSERT_TRUE(wizard.ClickItem(IDC_NO_LINKS));  // "&Keine"
  ASSERT_TRUE(wizard.Settle());
  for (int box : {IDC_DESKTOP_LINK, IDC_THUMBS_LINK, IDC_GROUP_LINK}) EXPECT_FALSE(wizard.IsItemChecked(box)) << box;
  EXPECT_FALSE(wizard.IsItemEnabled(IDC_CURRENT_USER));
  EXPECT_FALSE(wizard.IsItemEnabled(IDC_ALL_USERS));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_ALL_USERS));
  EXPECT_FALSE(wizard.IsItemChecked(IDC_CURRENT_USER));

  // Any one link box brings the choice back, with the same selection.
  for (int box : {IDC_DESKTOP_LINK, IDC_THUMBS_LINK, IDC_GROUP_LINK}) {
    SCOPED_TRACE(box);
    ASSERT_TRUE(wizard.ClickItem(box));
    ASSERT_TRUE(wizard.Settle());
    EXPECT_TRUE(wizard.IsItemChecked(box));
    EXPECT_TRUE(wizard.IsItemEnabled(IDC_CURRENT_USER));
    EXPECT_TRUE(wizard.IsItemEnabled(IDC_ALL_USERS));
    EXPECT_TRUE(wizard.IsItemChecked(IDC_ALL_USERS));
    // Unchecking the only checked box takes the choice away again.
    ASSERT_TRUE(wizard.ClickItem(box));
    ASSERT_TRUE(wizard.Settle());
    EXPECT_FALSE(wizard.IsItemEnabled(IDC_CURRENT_USER));
    EXPECT_FALSE(wizard.IsItemEnabled(IDC_ALL_USERS));
  }
}

TEST_F(WizardTest, GoingBackKeepsTheUsersChoices) {
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(wizard.SetItemText(IDC_TARGET_FOLDER, "E:\\Eigener Ordner\\"));
  ASSERT_TRUE(wizard.ClickItem(IDC_THUMBS_LINK));
  ASSERT_TRUE(wizard.ClickItem(IDC_ALL_USERS));
  ASSERT_TRUE(wizard.NextTo(kWhatsNew));
  ASSERT_TRUE(wizard.NextTo(kAssociations));
  ASSERT_TRUE(wizard.BackTo(kWhatsNew));
  ASSERT_TRUE(wizard.BackTo(kWelcome));

  EXPECT_EQ("E:\\Eigener Ordner\\", wizard.ItemText(IDC_TARGET_FOLDER));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_DESKTOP_LINK));
  EXPECT_FALSE(wizard.IsItemChecked(IDC_THUMBS_LINK));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_GROUP_LINK));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_ALL_USERS));
  EXPECT_FALSE(wizard.IsItemChecked(IDC_CURRENT_USER));
  EXPECT_FALSE(WizardDriver::IsEnabled(wizard.Button(IDC_SHEET_BACK)));
  EXPECT_TRUE(wizard.OpenMessageBoxes().empty());
}

TEST_F(WizardTest, AnEarlierInstallationsFolderIsOfferedFirst) {
  WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command", "",
               "\"D:\\Alte Version\\Pixorra\\px_main64.exe\" \"%1\"");
  ASSERT_TRUE(StartAtWelcome());
  EXPECT_EQ("D:\\Alte Version\\Pixorra\\", wizard.ItemText(IDC_TARGET_FOLDER));
}

// The current user's installation: its own default folder, one line that
// says so, and no links for all users. An administrator's page stays as it
// was, without the line.
TEST_F(WizardTest, TheUsersInstallationHasItsFolderAndItsLine) {
  const std::string userFolder = SpecialFolder(CSIDL_LOCAL_APPDATA) + "Programs\\Pixorra";
  const struct {
    const char* args;
    bool perUser;
  } cases[] = {{"", false}, {"/scope=user", true}, {"/scope=machine", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    ASSERT_TRUE(StartAtWelcome(c.args));
    EXPECT_EQ(c.perUser ? userFolder : std::string(kDefaultFolder), wizard.ItemText(IDC_TARGET_FOLDER));
    EXPECT_EQ(c.perUser, wizard.Item(IDC_SCOPE_NOTE) != nullptr);
    if (c.perUser) {
      EXPECT_EQ("Pixorra wird nur f\xFCr den aktuellen Benutzer installiert.", wizard.ItemText(IDC_SCOPE_NOTE));
    }
    EXPECT_EQ(!c.perUser, WizardDriver::IsEnabled(wizard.Item(IDC_ALL_USERS)));
    wizard.Stop();
  }
}

TEST_F(WizardTest, TheRunningViewerIsReportedEachTimeTheWelcomePageIsShown) {
  StartedProgram viewer = StartProgram(ViewerExePath(), "/quitafter=120");
  ASSERT_TRUE(WaitFor([] { return ViewerWindow() != nullptr; }, 10000));

  ASSERT_TRUE(wizard.Start());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kViewerRunning, IDOK));
  ASSERT_TRUE(wizard.WaitForPage(kWelcome));
  // The warning does not hold the page: the defaults are there and Next works.
  EXPECT_TRUE(wizard.IsItemChecked(IDC_DESKTOP_LINK));
  ASSERT_TRUE(wizard.NextTo(kWhatsNew));
  ASSERT_TRUE(wizard.PressBack());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kViewerRunning, IDOK));
  ASSERT_TRUE(wizard.WaitForPage(kWelcome));

  // Without the viewer, the page comes back without a word.
  ASSERT_TRUE(CloseAllViewers());
  ASSERT_TRUE(wizard.NextTo(kWhatsNew));
  ASSERT_TRUE(wizard.BackTo(kWelcome));
  ASSERT_TRUE(wizard.Settle());
  EXPECT_TRUE(wizard.OpenMessageBoxes().empty());
}


TEST_F(WizardTest, BrowseStartsAtTheFolderAndAddsTheProductFolder) {
  const std::string base = MakeTempFolder("wizard_browse");
  CreateDirectoryA((base + "Ziel").c_str(), nullptr);
  CreateDirectoryA((base + "PIXORRA").c_str(), nullptr);
  ASSERT_TRUE(StartAtWelcome());

  struct Case {
    std::string typed;
    std::string afterOk;
  };
  const Case cases[] = {
      {base + "Ziel\\", base + "Ziel\\Pixorra\\"},
      {base + "Ziel", base + "Ziel\\Pixorra\\"},
      {base + "PIXORRA\\", base + "PIXORRA\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ASSERT_TRUE(wizard.SetItemText(IDC_TARGET_FOLDER, c.typed));

    // Cancelled: the field keeps its text.
    ASSERT_TRUE(wizard.ClickItem(IDC_BROWSE));
    HWND picker = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (picker = wizard.FolderPicker()) != nullptr; }, kWaitMs));
    const std::vector<std::string> texts = WizardDriver::ChildTexts(picker);
    EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "Zielverzeichnis:"));
    ASSERT_TRUE(WizardDriver::Click(GetDlgItem(picker, IDCANCEL)));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(picker); }, kWaitMs));
    ASSERT_TRUE(wizard.Settle());
    EXPECT_EQ(c.typed, wizard.ItemText(IDC_TARGET_FOLDER));

    // Accepted as preselected: the same folder, named after the product.
    ASSERT_TRUE(wizard.ClickItem(IDC_BROWSE));
    ASSERT_TRUE(WaitFor([&] { return (picker = wizard.FolderPicker()) != nullptr; }, kWaitMs));
    ASSERT_TRUE(WaitFor([&] { return WizardDriver::IsEnabled(GetDlgItem(picker, IDOK)); }, kWaitMs));
    ASSERT_TRUE(WizardDriver::Click(GetDlgItem(picker, IDOK)));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(picker); }, kWaitMs));
    ASSERT_TRUE(wizard.Settle());
    EXPECT_EQ(c.afterOk, wizard.ItemText(IDC_TARGET_FOLDER));
  }
}

TEST_F(WizardTest, TheEulaLinkOpensTheLicencePage) {
  ASSERT_TRUE(StartAtWelcome());
  HWND link = wizard.Item(IDC_EULA_LINK);
  ASSERT_NE(nullptr, link);
  // Attached as a link: it reports clicks.
  EXPECT_NE(0, GetWindowLongA(link, GWL_STYLE) & SS_NOTIFY);
  PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(WaitFor([&] { return !OpenedWebPages().empty(); }, kWaitMs));
  EXPECT_EQ("\"https://www.pixorra.example/eula.html\"\n", OpenedWebPages());
  EXPECT_EQ("Pixorra EULA", wizard.ItemText(IDC_EULA_LINK));
}
