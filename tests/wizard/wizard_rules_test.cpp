// The wizard's text rules and page order.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/wizard_rules.h"

using namespace wizard;

TEST(WizardPages, FiveTemplatesInTheOrderOfTheSheet) {
  const unsigned expected[] = {101, 108, 104, 109, 110};
  for (int i = 0; i < kWizardPageCount; ++i) EXPECT_EQ(expected[i], kWizardPages[i].templateId) << i;
  EXPECT_EQ(PageRole::Welcome, RoleOfIndex(0));
  EXPECT_EQ(PageRole::Associations, RoleOfIndex(2));
  EXPECT_EQ(PageRole::Finish, RoleOfIndex(4));
  EXPECT_EQ(PageRole::None, RoleOfIndex(-1));
  EXPECT_EQ(PageRole::None, RoleOfIndex(5));
}

TEST(WizardPages, OnlyTheWelcomeAndFinishPagesTakeButtonsAway) {
  for (PageRole role : {PageRole::WhatsNew, PageRole::Associations, PageRole::Ready}) {
    const ButtonStates states = ButtonStatesOnActivation(role);
    EXPECT_EQ(ButtonChange::Keep, states.back);
    EXPECT_EQ(ButtonChange::Keep, states.next);
  }
  EXPECT_EQ(ButtonChange::Disable, ButtonStatesOnActivation(PageRole::Welcome).back);
  EXPECT_EQ(ButtonChange::Keep, ButtonStatesOnActivation(PageRole::Welcome).next);
  EXPECT_EQ(ButtonChange::Disable, ButtonStatesOnActivation(PageRole::Finish).back);
  EXPECT_EQ(ButtonChange::Disable, ButtonStatesOnActivation(PageRole::Finish).next);
}

TEST(WelcomeFolder, NeedsADriveLetter) {
  EXPECT_TRUE(HasDrivePart("C:\\Program Files\\Pixorra"));
  EXPECT_TRUE(HasDrivePart("D:"));
  EXPECT_TRUE(HasDrivePart("x:relative"));
  EXPECT_FALSE(HasDrivePart(""));
  EXPECT_FALSE(HasDrivePart(nullptr));
  EXPECT_FALSE(HasDrivePart("C"));
  EXPECT_FALSE(HasDrivePart(" C:\\Pixorra"));
  EXPECT_FALSE(HasDrivePart("\\\\server\\share\\Pixorra"));
  EXPECT_FALSE(HasDrivePart("Pixorra"));
}

TEST(ViewerPath, OneBackslashWithOrWithoutTheFoldersOwn) {
  char path[260];
  ASSERT_TRUE(ComposeViewerPath("C:\\Pixorra", path, sizeof path));
  EXPECT_STREQ("C:\\Pixorra\\px_main64.exe", path);
  ASSERT_TRUE(ComposeViewerPath("C:\\Pixorra\\", path, sizeof path));
  EXPECT_STREQ("C:\\Pixorra\\px_main64.exe", path);
  ASSERT_TRUE(ComposeViewerPath("", path, sizeof path));
  EXPECT_STREQ("\\px_main64.exe", path);
}

TEST(ViewerPath, AFolderTooLongStartsNothing) {
  char path[260];
  // 259 characters in all fit; one more does not, and nothing cut is left.
  std::string folder(259 - 14, 'a');
  ASSERT_TRUE(ComposeViewerPath(folder.c_str(), path, sizeof path));
  EXPECT_EQ(259u, std::strlen(path));
  folder += 'a';
  std::memset(path, 'x', sizeof path);
  EXPECT_FALSE(ComposeViewerPath(folder.c_str(), path, sizeof path));
  EXPECT_STREQ("", path);
  EXPECT_FALSE(ComposeViewerPath("C:\\", path, 5));
  EXPECT_STREQ("", path);
}

TEST(FolderLine, WordColonBlankFolderCutToTheBuffer) {
  char line[320];
  ComposeFolderLine("Zielverzeichnis", "C:\\Pixorra", line, sizeof line);
  EXPECT_STREQ("Zielverzeichnis: C:\\Pixorra", line);
  ComposeFolderLine("", "", line, sizeof line);
  EXPECT_STREQ(": ", line);
  char small[10];
  std::memset(small, 'x', sizeof small);
  ComposeFolderLine("Zielverzeichnis", "C:\\", small, sizeof small);
  EXPECT_STREQ("Zielverze", small);
  ComposeFolderLine("Ziel", "C:\\Pixorra", small, sizeof small);
  EXPECT_STREQ("Ziel: C:\\", small);
}

TEST(PickerStart, DropsTheBackslashExceptAtADriveRoot) {
  char start[260];
  PickerStartFolder("C:\\Program Files\\Pixorra\\", start, sizeof start);
  EXPECT_STREQ("C:\\Program Files\\Pixorra", start);
  PickerStartFolder("C:\\", start, sizeof start);
  EXPECT_STREQ("C:\\", start);
  PickerStartFolder("C:\\a", start, sizeof start);
  EXPECT_STREQ("C:\\a", start);
  PickerStartFolder("", start, sizeof start);
  EXPECT_STREQ("", start);
  const std::string longFolder = std::string(300, 'b') + "\\";
  PickerStartFolder(longFolder.c_str(), start, sizeof start);
  EXPECT_EQ(259u, std::strlen(start));
}

TEST(AssociationColumns, AThirdAndTwoThirdsLessTwentyFive) {
  int first = 0, second = 0;
  AssociationColumnWidths(476, &first, &second);
  EXPECT_EQ(158, first);
  EXPECT_EQ(292, second);  // 2 * 476 / 3 = 317, rounded toward zero
  AssociationColumnWidths(300, &first, &second);
  EXPECT_EQ(100, first);
  EXPECT_EQ(175, second);
}
