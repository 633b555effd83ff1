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
  // A one-pixel frame and a 17-pixel bar (96 DPI) fit into the 25 pixels.
  int first = 0, second = 0;
  AssociationColumnWidths(476, 474, 17, &first, &second);
  EXPECT_EQ(158, first);
  EXPECT_EQ(292, second);  // 2 * 476 / 3 = 317, rounded toward zero
  AssociationColumnWidths(300, 298, 17, &first, &second);
  EXPECT_EQ(100, first);
  EXPECT_EQ(175, second);
}

// Lists as the association page has them at 96, 120, 144 and 192 DPI (a
// one-pixel frame each side, the system's vertical bar), and the edges.
TEST(AssociationColumns, BothColumnsFitBesideTheVerticalBar) {
  struct Row {
    const char* what;
    int listWidth, clientWidth, scrollBar;
    int first, second;
  };
  const Row rows[] = {
      {"96 DPI: the 25 pixels are enough", 428, 426, 17, 142, 260},
      {"120 DPI: still enough", 535, 533, 21, 178, 331},
      {"144 DPI: the bar takes 26", 641, 639, 26, 213, 400},
      {"192 DPI: the bar takes 34", 855, 853, 34, 285, 534},
      {"a thick frame narrows the second column", 428, 400, 17, 142, 241},
      {"no room at all: nothing below zero", 30, 0, 17, 10, 0},
  };
  for (const Row& row : rows) {
    int first = -1, second = -1;
    AssociationColumnWidths(row.listWidth, row.clientWidth, row.scrollBar, &first, &second);
    EXPECT_EQ(row.first, first) << row.what;
    EXPECT_EQ(row.second, second) << row.what;
  }
}

// The logo's 88 x 31 pixels at the DPI values a screen is commonly set to.
TEST(DpiScaling, LengthsGrowWithTheDpiToTheNearestPixel) {
  struct Row {
    int length, dpi, scaled;
  };
  const Row rows[] = {
      {88, 96, 88},   {31, 96, 31},    // the templates' own size: unchanged
      {88, 120, 110}, {31, 120, 39},   // 38.75
      {88, 144, 132}, {31, 144, 47},   // 46.5 rounds up
      {88, 192, 176}, {31, 192, 62},   // the large artwork exactly
      {88, 72, 66},   {0, 144, 0},     {88, 0, 0},  {-5, 96, 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.scaled, ScaleForDpi(row.length, row.dpi)) << row.length << " at " << row.dpi << " DPI";
  }
}
