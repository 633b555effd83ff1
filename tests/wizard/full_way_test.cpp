// The whole way through the wizard with its defaults, as a person clicks
// it: every page, the installation, the finish actions, and an installation
// that matches a silent one with the same choices.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "wizard/wizard_fixture.h"

using namespace pxtest;
using namespace wiztest;

namespace {

// The release notes exactly as the setup carries them.
std::string ReleaseNotesOfSetup() {
  HMODULE setup = LoadLibraryExA(SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (setup == nullptr) return "";
  std::string text;
  if (HRSRC found = FindResourceA(setup, MAKEINTRESOURCEA(IDR_RELEASE_NOTES), "TXT")) {
    if (HGLOBAL loaded = LoadResource(setup, found)) {
      text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(setup, found));
    }
  }
  FreeLibrary(setup);
  return text;
}

int ClientWidth(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect.right - rect.left;
}

}  // namespace

TEST_F(WizardTest, TheWholeWayWithTheDefaultsInstallsLikeASilentRun) {
  const std::string folder = NewInstallFolder("wizard_full");
  ASSERT_TRUE(StartAtWelcome());

  // Welcome page: the defaults, the renamed buttons.
  EXPECT_EQ("Pixorra 64-bit Setup", wizard.SheetCaption());
  EXPECT_EQ("&Beenden", WizardDriver::TextOf(wizard.Button(IDCANCEL)));
  EXPECT_EQ("< &Zur\xfc" "ck", WizardDriver::TextOf(wizard.Button(IDC_SHEET_BACK)));
  EXPECT_EQ("&Weiter >", WizardDriver::TextOf(wizard.Button(IDC_SHEET_NEXT)));
  EXPECT_FALSE(WizardDriver::IsEnabled(wizard.Button(IDC_SHEET_BACK)));
  EXPECT_TRUE(WizardDriver::IsEnabled(wizard.Button(IDC_SHEET_NEXT)));
  EXPECT_EQ(kDefaultFolder, wizard.ItemText(IDC_TARGET_FOLDER));
  for (int box : {IDC_DESKTOP_LINK, IDC_THUMBS_LINK, IDC_GROUP_LINK}) EXPECT_TRUE(wizard.IsItemChecked(box)) << box;
  EXPECT_TRUE(wizard.IsItemChecked(IDC_CURRENT_USER));
  EXPECT_FALSE(wizard.IsItemChecked(IDC_ALL_USERS));
  EXPECT_TRUE(wizard.IsItemEnabled(IDC_CURRENT_USER));
  EXPECT_EQ("Pixorra EULA", wizard.ItemText(IDC_EULA_LINK));
  // The program icon in the title bar shows on the screenshot; WM_GETICON
  // does not answer across processes under Wine.
  ASSERT_TRUE(wizard.SetItemText(IDC_TARGET_FOLDER, folder));
  EXPECT_FALSE(SaveScreenshot("wizard_page0_welcome").empty());

  // What's new: the notes, all of them and nothing behind them.
  ASSERT_TRUE(wizard.NextTo(kWhatsNew));
  EXPECT_TRUE(WizardDriver::IsEnabled(wizard.Button(IDC_SHEET_BACK)));
  const std::string notes = ReleaseNotesOfSetup();
  ASSERT_GT(notes.size(), 500u);
  EXPECT_EQ(notes, wizard.ItemText(IDC_TARGET_FOLDER));
  EXPECT_FALSE(SaveScreenshot("wizard_page1_whats_new").empty());

  // Associations: 68 unchecked rows in table order.
  ASSERT_TRUE(wizard.NextTo(kAssociations));
  ASSERT_EQ(68, wizard.RowCount());
  EXPECT_TRUE(wizard.CheckedRows().empty());
  for (int row = 0; row < 68; ++row) ASSERT_EQ(1, wizard.RowStateImage(row)) << "row " << row;
  EXPECT_EQ("ANI", wizard.RowText(0, 0));
  EXPECT_EQ("Animated Windows Cursors", wizard.RowText(0, 1));
  EXPECT_EQ("JPG/JPEG/JPE", wizard.RowText(kJpegRow, 0));
  EXPECT_EQ("WMA", wizard.RowText(67, 0));
  EXPECT_EQ("Windows Media Audio File *", wizard.RowText(67, 1));
  HWND list = wizard.FormatList();
  EXPECT_EQ(static_cast<LRESULT>(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT),
            SendWithin(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  const int width = ClientWidth(list);
  EXPECT_EQ(width / 3, SendWithin(list, LVM_GETCOLUMNWIDTH, 0, 0));
  EXPECT_EQ(2 * width / 3 - 25, SendWithin(list, LVM_GETCOLUMNWIDTH, 1, 0));
  EXPECT_FALSE(SaveScreenshot("wizard_page2_associations").empty());

  // Ready: the folder, the settings file in the application data.
  ASSERT_TRUE(wizard.NextTo(kReady));
  EXPECT_EQ("Zielverzeichnis: " + folder, wizard.ItemText(IDC_READY_FOLDER));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_INI_APPDATA_FOLDER));
  EXPECT_FALSE(wizard.IsItemChecked(IDC_INI_PROGRAM_FOLDER));
  EXPECT_FALSE(WizardDriver::IsVisible(wizard.Item(IDC_PROGRESS_NOTE)));
  EXPECT_FALSE(SaveScreenshot("wizard_page3_ready").empty());

  // No row chosen: the run asks nothing and ends on the finish page.
  ASSERT_TRUE(InstallFromReadyPage());
  EXPECT_TRUE(FileExists(folder + "px_main64.exe"));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_SHOW_FAQ));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_START_VIEWER));
  EXPECT_FALSE(WizardDriver::IsEnabled(wizard.Button(IDC_SHEET_BACK)));
  EXPECT_FALSE(WizardDriver::IsEnabled(wizard.Button(IDC_SHEET_NEXT)));
  EXPECT_EQ("&Fertig stellen", WizardDriver::TextOf(wizard.Button(IDCANCEL)));
  EXPECT_FALSE(SaveScreenshot("wizard_page4_finish").empty());

  // "Fertig stellen" with both boxes: the FAQ page, then the viewer in front.
  ASSERT_TRUE(wizard.PressCancel());
  ASSERT_TRUE(wizard.WaitForExit(20000));
  EXPECT_TRUE(wizard.OpenMessageBoxes().empty());
  EXPECT_EQ(std::string("\"") + kFaqAddress + "\"\n", OpenedWebPages());
  HWND viewer = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (viewer = ViewerWindow()) != nullptr; }, 10000)) << "the viewer did not start";
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == viewer; }, 5000));
  ASSERT_TRUE(CloseAllViewers());

  // The same choices, silently.
  const Snapshot byWizard = TakeSnapshot(folder);
  for (const char* where : {"file px_main64.exe", "file pv_uninstall.exe", "desktop link Pixorra 64.lnk",
                            "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64",
                            "HKLM\\SOFTWARE\\Classes\\Pixorra\\shell\\open\\command : "}) {
    EXPECT_EQ(1u, byWizard.count(where)) << where;
  }
  EXPECT_NE(std::string::npos, byWizard.at("ini in the install folder").find("INI_Folder"));
  EXPECT_FALSE(byWizard.at("ini in the application data").empty());
  RemoveInstallation(folder);
  RunResult silent = RunSetup("/silent /folder=" + folder +
                              " /desktop=1 /thumbs=1 /group=1 /allusers=0 /ini=%APPDATA%\\Pixorra");
  ASSERT_TRUE(silent.started);
  EXPECT_EQ(0u, silent.exitCode);
  EXPECT_EQ("", CompareSnapshots(TakeSnapshot(folder), byWizard));
}
