// The sheet: the abandon question for Cancel and the close box, and the
// finish page's actions.
#include <gtest/gtest.h>

#include <string>

#include "wizard/wizard_fixture.h"

using namespace pxtest;
using namespace wiztest;

TEST_F(WizardTest, CancelAndCloseBoxAnsweredNoStayOnEveryPageBeforeTheFinish) {
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(wizard.SetItemText(IDC_TARGET_FOLDER, "D:\\Bleibt\\"));
  for (int page = kWelcome; page <= kReady; ++page) {
    SCOPED_TRACE(page);
    if (page > kWelcome) {
      ASSERT_TRUE(wizard.NextTo(page));
    }
    ASSERT_TRUE(wizard.PressCancel());
    EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kAbandonQuestion, IDNO));
    wizard.PressCloseBox();
    EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kAbandonQuestion, IDNO));
    ASSERT_TRUE(wizard.Settle());
    EXPECT_TRUE(wizard.IsRunning());
    EXPECT_EQ(page, wizard.PageIndex());
    EXPECT_EQ("D:\\Bleibt\\", WizardDriver::TextOf(wizard.PageItem(kWelcome, IDC_TARGET_FOLDER)));
  }
}

TEST_F(WizardTest, TheQuestionDefaultsToNo) {
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(wizard.PressCancel());
  MessageBoxSeen box = wizard.WaitForMessageBox();
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ(wizard.Sheet(), box.owner);
  // No is the default button: the one with the default style, and the focus.
  EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(GetDlgItem(box.window, IDNO), GWL_STYLE) & BS_TYPEMASK);
  EXPECT_EQ(BS_PUSHBUTTON, GetWindowLongA(GetDlgItem(box.window, IDYES), GWL_STYLE) & BS_TYPEMASK);
  ASSERT_TRUE(wizard.Answer(box, IDNO));
}

TEST_F(WizardTest, CancelAnsweredYesClosesWithoutFinishActions) {
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kAssociations));
  ASSERT_TRUE(wizard.PressCancel());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kAbandonQuestion, IDYES));
  EXPECT_TRUE(wizard.WaitForExit());
  EXPECT_EQ(nullptr, ViewerWindow());
  EXPECT_EQ("", OpenedWebPages());
  EXPECT_FALSE(FolderExists(std::string(kDefaultFolder) + "\\"));
}

TEST_F(WizardTest, CloseBoxAnsweredYesClosesWithoutFinishActions) {
  ASSERT_TRUE(StartAtWelcome());
  wizard.PressCloseBox();
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kAbandonQuestion, IDYES));
  EXPECT_TRUE(wizard.WaitForExit());
  EXPECT_EQ(nullptr, ViewerWindow());
  EXPECT_EQ("", OpenedWebPages());
}

TEST_F(WizardTest, TheFinishPagesCloseBoxAsksNothing) {
  const std::string folder = NewInstallFolder("wizard_finish_close");
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kReady, folder));
  ASSERT_TRUE(InstallFromReadyPage());
  wizard.PressCloseBox();
  EXPECT_TRUE(wizard.WaitForExit());
  EXPECT_TRUE(wizard.OpenMessageBoxes().empty());
  EXPECT_EQ(nullptr, ViewerWindow());
  EXPECT_EQ("", OpenedWebPages());
}

TEST_F(WizardTest, OnlyTheViewerBoxStartsTheViewerAndOpensNoWebPage) {
  const std::string folder = NewInstallFolder("wizard_finish_viewer");
  ASSERT_TRUE(StartAtWelcome());
  // Without the backslash: the viewer's path gets exactly one.
  ASSERT_TRUE(GoTo(kReady, folder.substr(0, folder.size() - 1)));
  ASSERT_TRUE(InstallFromReadyPage());
  ASSERT_TRUE(wizard.ClickItem(IDC_SHOW_FAQ));
  ASSERT_TRUE(wizard.Settle());
  ASSERT_FALSE(wizard.IsItemChecked(IDC_SHOW_FAQ));
  ASSERT_TRUE(wizard.PressCancel());
  EXPECT_TRUE(wizard.WaitForExit(20000));
  HWND viewer = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (viewer = ViewerWindow()) != nullptr; }, 10000));
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == viewer; }, 5000));
  EXPECT_EQ("", OpenedWebPages());
}

TEST_F(WizardTest, OnlyTheFaqBoxOpensTheFaqPage) {
  const std::string folder = NewInstallFolder("wizard_finish_faq");
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kReady, folder));
  ASSERT_TRUE(InstallFromReadyPage());
  ASSERT_TRUE(wizard.ClickItem(IDC_START_VIEWER));
  ASSERT_TRUE(wizard.Settle());
  ASSERT_TRUE(wizard.PressCancel());
  EXPECT_TRUE(wizard.WaitForExit(20000));
  EXPECT_TRUE(WaitFor([&] { return !OpenedWebPages().empty(); }, 10000));
  EXPECT_EQ(std::string("\"") + kFaqAddress + "\"\n", OpenedWebPages());
  EXPECT_EQ(nullptr, ViewerWindow());
}

TEST_F(WizardTest, TheViewerStartsFromAFolderTypedWithTrailingBlanks) {
  const std::string folder = NewInstallFolder("wizard_finish_blanks");
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kReady, folder.substr(0, folder.size() - 1) + "  "));
  ASSERT_TRUE(InstallFromReadyPage());
  ASSERT_TRUE(wizard.ClickItem(IDC_SHOW_FAQ));
  ASSERT_TRUE(wizard.Settle());
  ASSERT_TRUE(wizard.PressCancel());
  EXPECT_TRUE(wizard.WaitForExit(20000));
  EXPECT_TRUE(WaitFor([] { return ViewerWindow() != nullptr; }, 10000)) << "the installed viewer did not start";
}
