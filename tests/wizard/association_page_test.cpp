// The association page: its buttons, marks that survive navigation, headers
// that do not sort, and the question the installation asks for chosen rows.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "wizard/wizard_fixture.h"

using namespace pxtest;
using namespace wiztest;

namespace {

const char kJpegChoice[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice";
const char kJpegExtension[] = "SOFTWARE\\Classes\\.jpg";

std::vector<int> RowsUpTo(int last) {
  std::vector<int> rows;
  for (int i = 0; i <= last; ++i) rows.push_back(i);
  return rows;
}

}  // namespace

TEST_F(WizardTest, ImagesOnlyAfterSelectAllLeavesExactlyTheImageRows) {
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kAssociations));
  ASSERT_TRUE(wizard.ClickItem(IDC_SELECT_ALL));  // "Alle markieren"
  ASSERT_TRUE(WaitFor([&] { return wizard.CheckedRows().size() == 68; }, kWaitMs));
  ASSERT_TRUE(wizard.ClickItem(IDC_IMAGES_ONLY));  // "Nur Bilder"
  ASSERT_TRUE(wizard.Settle());
  EXPECT_EQ(RowsUpTo(51), wizard.CheckedRows());
  EXPECT_EQ("XPM", wizard.RowText(51, 0));
  EXPECT_EQ("SWF/FLV", wizard.RowText(52, 0));
  ASSERT_TRUE(wizard.ClickItem(IDC_SELECT_NONE));  // "Keine markieren"
  ASSERT_TRUE(wizard.Settle());
  EXPECT_TRUE(wizard.CheckedRows().empty());
}

TEST_F(WizardTest, MarksSurviveLeavingAndReturning) {
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kAssociations));
  ASSERT_TRUE(wizard.SetRowChecked(3, true));
  ASSERT_TRUE(wizard.SetRowChecked(kJpegRow, true));
  ASSERT_TRUE(wizard.SetRowChecked(60, true));
  const std::vector<int> marked = {3, kJpegRow, 60};
  ASSERT_EQ(marked, wizard.CheckedRows());

  ASSERT_TRUE(wizard.NextTo(kReady));
  ASSERT_TRUE(wizard.BackTo(kAssociations));
  EXPECT_EQ(marked, wizard.CheckedRows());
  ASSERT_TRUE(wizard.BackTo(kWhatsNew));
  ASSERT_TRUE(wizard.BackTo(kWelcome));
  ASSERT_TRUE(GoTo(kAssociations));
  EXPECT_EQ(68, wizard.RowCount());
  EXPECT_EQ(marked, wizard.CheckedRows());
}

TEST_F(WizardTest, ClickingAColumnHeaderDoesNotSort) {
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kAssociations));
  std::vector<std::string> before;
  for (int row = 0; row < wizard.RowCount(); ++row) before.push_back(wizard.RowText(row, 0));

  HWND header = reinterpret_cast<HWND>(SendWithin(wizard.FormatList(), LVM_GETHEADER, 0, 0));
  ASSERT_NE(nullptr, header);
  // Headers that do not act as buttons never report a column click.
  EXPECT_EQ(0, GetWindowLongA(header, GWL_STYLE) & HDS_BUTTONS);
  RECT column = {};
  for (int index : {0, 1, 0}) {
    GetClientRect(header, &column);
    const int x = index == 0 ? 20 : (column.right - column.left) / 2 + 20;
    const LPARAM at = MAKELPARAM(x, (column.bottom - column.top) / 2);
    PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(header, WM_LBUTTONUP, 0, at);
  }
  ASSERT_TRUE(wizard.Settle());
  std::vector<std::string> after;
  for (int row = 0; row < wizard.RowCount(); ++row) after.push_back(wizard.RowText(row, 0));
  EXPECT_EQ(before, after);
}

TEST_F(WizardTest, AChosenRowIsQuestionedAndNoInstallsWithoutAssociations) {
  const std::string folder = NewInstallFolder("wizard_assoc_no");
  DeleteRegTree(HKEY_LOCAL_MACHINE, kJpegExtension);
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kAssociations, folder));
  ASSERT_TRUE(wizard.SetRowChecked(kJpegRow, true));
  ASSERT_TRUE(wizard.NextTo(kReady));
  ASSERT_TRUE(wizard.PressNext());

  // While the question is open the run is under way: the note shows, the
  // sheet's buttons are off, and the caption timer names the product.
  MessageBoxSeen question = wizard.WaitForMessageBox(60000);
  ASSERT_NE(nullptr, question.window) << "no association question";
  EXPECT_EQ(kAssociateQuestion, question.text);
  EXPECT_EQ(kProductCaption, question.caption);
  EXPECT_NE(nullptr, GetDlgItem(question.window, IDNO));
  EXPECT_TRUE(FileExists(folder + "px_main64.exe")) << "the question comes after the files";
  EXPECT_TRUE(WizardDriver::IsVisible(wizard.PageItem(kReady, IDC_PROGRESS_NOTE)));
  for (int button : {IDC_SHEET_BACK, IDC_SHEET_NEXT, IDCANCEL}) EXPECT_FALSE(WizardDriver::IsEnabled(wizard.Button(button))) << button;
  EXPECT_TRUE(WaitFor([&] { return wizard.SheetCaption() == kProductCaption; }, 5000))
      << "caption [" << wizard.SheetCaption() << "]";
  EXPECT_FALSE(SaveScreenshot("wizard_page3_installing").empty());
  ASSERT_TRUE(wizard.Answer(question, IDNO));

  ASSERT_TRUE(wizard.WaitForPage(kFinish, 60000));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kJpegChoice));
  EXPECT_NE("Pixorra.jpg", ReadRegValue(HKEY_LOCAL_MACHINE, kJpegExtension, "").text);
  // Everything else is there.
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command"));
  EXPECT_TRUE(FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "Pixorra 64.lnk"));
}

TEST_F(WizardTest, AChosenRowAnsweredYesIsAssociated) {
  const std::string folder = NewInstallFolder("wizard_assoc_yes");
  DeleteRegTree(HKEY_LOCAL_MACHINE, kJpegExtension);
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kAssociations, folder));
  ASSERT_TRUE(wizard.SetRowChecked(kJpegRow, true));
  ASSERT_TRUE(wizard.NextTo(kReady));
  ASSERT_TRUE(wizard.PressNext());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kAssociateQuestion, IDYES, 60000));
  ASSERT_TRUE(wizard.WaitForPage(kFinish, 60000));
  EXPECT_EQ("Pixorra.jpg", ReadRegValue(HKEY_LOCAL_MACHINE, kJpegExtension, "").text);
  EXPECT_EQ("Pixorra.jpg", ReadRegValue(HKEY_CURRENT_USER, kJpegChoice, "Progid").text);
  // Only the chosen row.
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.png\\UserChoice"));
  DeleteRegTree(HKEY_LOCAL_MACHINE, kJpegExtension);
}
