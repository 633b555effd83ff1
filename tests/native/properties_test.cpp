// The fuzzers are only as good as their checks: each check must reject a
// wrong result, and the real rules must pass them at the buffer limits.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "core/command_line.h"
#include "core/link_command.h"
#include "fuzz/properties.h"
#include "core/folder_text.h"
#include "core/percent_variables.h"
#include "core/toolbar_skin.h"

using namespace pxprop;

namespace {

InstallOptions Defaults() {
  InstallOptions options;
  SetSilentDefaults(options);
  std::strcpy(options.targetFolder, "C:\\Old\\");
  return options;
}

std::string Apply(const std::string& line, InstallOptions* after) {
  const InstallOptions before = Defaults();
  *after = before;
  ApplyCommandLineOptions(line.c_str(), *after);
  return CheckCommandLineOptions(line, before, *after);
}

}  // namespace

TEST(FuzzChecks, CommandLineChecksAcceptTheRuleAtItsLimits) {
  InstallOptions after;
  // A folder value that runs to the 260-character limit of keyword plus value.
  EXPECT_EQ("", Apply("x /silent /folder=" + std::string(400, 'a'), &after));
  EXPECT_EQ(252u, std::strlen(after.targetFolder));
  // Options beyond the 519th character are not seen.
  EXPECT_EQ("", Apply(std::string(515, ' ') + "/desktop=1", &after));
  EXPECT_EQ(0, after.desktopLink);
  EXPECT_EQ("", Apply("/ini=\"  C:\\a b  \"  /assoc=2 /group=-99999999999", &after));
  EXPECT_EQ("  C:\\a b", std::string(after.iniFolder));
  EXPECT_TRUE(after.startMenuGroup);  // saturated, still a number other than 0
}

TEST(FuzzChecks, CommandLineChecksRejectWrongOptions) {
  const InstallOptions before = Defaults();
  InstallOptions wrong = before;
  ApplyCommandLineOptions("/folder=C:\\New /assoc=1", wrong);
  InstallOptions changed = wrong;
  changed.formatSelection[52] = 1;  // one row beyond the images
  EXPECT_NE("", CheckCommandLineOptions("/folder=C:\\New /assoc=1", before, changed));
  changed = wrong;
  std::strcpy(changed.targetFolder, "C:\\New ");  // kept a trailing blank
  EXPECT_NE("", CheckCommandLineOptions("/folder=C:\\New /assoc=1", before, changed));
  changed = wrong;
  changed.desktopLink = 1;  // an absent option changed its field
  EXPECT_NE("", CheckCommandLineOptions("/folder=C:\\New /assoc=1", before, changed));
}

TEST(FuzzChecks, ReferenceReadingsFollowTheDocumentedRules) {
  std::string value;
  ASSERT_TRUE(ReferenceOptionValue("/folder=C:\\x/y", "/folder=", &value));
  EXPECT_EQ("C:\\x", value);
  EXPECT_FALSE(ReferenceOptionValue("/Folder=C:", "/folder=", &value));
  EXPECT_EQ("C:\\a b", ReferenceFolderArgument("\"C:\\a b\"  "));
  EXPECT_EQ(" x", ReferenceFolderArgument(" x "));
  EXPECT_EQ(-12, ReferenceDecimal(" \t-12abc"));
  EXPECT_EQ(INT_MAX, ReferenceDecimal("99999999999999999999999"));
  EXPECT_EQ(0, ReferenceDecimal("+"));
}

TEST(FuzzChecks, TrimCheck) {
  EXPECT_EQ("", CheckTrimmed("  a b  ", "a b"));
  EXPECT_EQ("", CheckTrimmed("   ", ""));
  EXPECT_NE("", CheckTrimmed("  a b  ", "a b "));
  EXPECT_NE("", CheckTrimmed("  a b  ", "ab"));
  char full[260];
  std::memset(full, ' ', 259);
  full[0] = 'a';
  full[259] = '\0';
  TrimSpaces(full);
  EXPECT_STREQ("a", full);
}

TEST(FuzzChecks, FolderWalkCheck) {
  FolderWalk good{"C:\\A \\B", "C:\\A\\B\\", {"C:", "C:\\A", "C:\\A\\B"}, 1, true};
  EXPECT_EQ("", CheckFolderWalk(good));
  FolderWalk blank = good;
  blank.output = "C:\\A \\B\\";
  EXPECT_NE("", CheckFolderWalk(blank));
  FolderWalk elsewhere = good;
  elsewhere.created.push_back("D:\\X");
  EXPECT_NE("", CheckFolderWalk(elsewhere));
  FolderWalk lying = good;
  lying.lastTestEntered = false;
  EXPECT_NE("", CheckFolderWalk(lying));
}

TEST(FuzzChecks, ExpansionCheckUsesAnUnboundedReference) {
  const Environment env{{"appdata", "C:\\Users\\u\\AppData\\Roaming"}, {"long", std::string(250, 'v')}};
  bool tooLong = false;
  EXPECT_EQ("C:\\Users\\u\\AppData\\Roaming\\Pixorra", ReferenceExpansion("%APPDATA%\\Pixorra", env, &tooLong));
  EXPECT_FALSE(tooLong);
  EXPECT_EQ("ab", ReferenceExpansion("a%%b%nothing%", env, &tooLong));
  ReferenceExpansion("%long%0123456789", env, &tooLong);
  EXPECT_TRUE(tooLong);
  EXPECT_NE("", CheckExpansion("%long%0123456789", env, 1, std::string(259, 'v')));
  EXPECT_EQ("", CheckExpansion("%long%0123456789", env, 0, ""));
  EXPECT_NE("", CheckExpansion("a%b", env, 1, "a%b"));
}

TEST(FuzzChecks, ExpansionAtTheLimitThroughTheRule) {
  struct Env {
    static LookupResult Lookup(const char* name, char value[kPathSize], void*) {
      if (std::strcmp(name, "X") != 0) return LookupResult::kMissing;
      std::memset(value, 'v', 250);
      value[250] = '\0';
      return LookupResult::kFound;
    }
  };
  const Environment env{{"x", std::string(250, 'v')}};
  for (const std::string text : {"%X%123456789", "%X%1234567890", "12345678%X%9"}) {
    char out[kPathSize];
    const int result = ExpandPercentVariables(text.c_str(), out, Env::Lookup, nullptr);
    EXPECT_EQ("", CheckExpansion(text, env, result, out)) << text;
  }
}

TEST(FuzzChecks, OpenCommandCheck) {
  EXPECT_EQ("", CheckOpenCommandFolder("\"C:\\P x\\px_main64.exe\" \"%1\"", 1, "C:\\P x\\"));
  EXPECT_NE("", CheckOpenCommandFolder("\"C:\\P x\\px_main64.exe\" \"%1\"", 1, "C:\\P x"));
  EXPECT_NE("", CheckOpenCommandFolder("\"C:\\P x\\px_main64.exe\" \"%1\"", 1, "C:\\"));
  EXPECT_NE("", CheckOpenCommandFolder("\"C:\\other.exe\" \"%1\"", 1, "C:\\"));
  EXPECT_EQ("", CheckOpenCommandFolder("\"px_main64.exe\"", 0, ""));
}

TEST(FuzzChecks, ProductFolderCheck) {
  EXPECT_EQ("", CheckProductFolder("D:\\Tools", 1, "D:\\Tools\\Pixorra\\", 1, "D:\\Tools\\Pixorra\\"));
  EXPECT_NE("", CheckProductFolder("D:\\Tools", 1, "D:\\Tools\\", 1, "D:\\Tools\\"));
  EXPECT_NE("", CheckProductFolder("E:\\", 1, "E:\\", 1, "E:\\"));
  EXPECT_NE("", CheckProductFolder("D:\\Tools", 1, "D:\\Tools\\Pixorra\\", 1, "D:\\Tools\\Pixorra\\Pixorra\\"));
  char folder[kPathSize];
  const std::string longest(250, 'a');
  std::strcpy(folder, ("C:\\" + longest).c_str());
  const int result = AppendProductFolderText(folder);
  const std::string once = folder;
  const int second = AppendProductFolderText(folder);
  EXPECT_EQ("", CheckProductFolder("C:\\" + longest, result, once, second, folder));
}

TEST(FuzzChecks, LinkCommandCheck) {
  EXPECT_EQ("\"C:\\b.exe\"  http://x", ReferenceLinkCommand("\"C:\\b.exe\" \"%1\" -new", "http://x"));
  EXPECT_EQ("b.exe  t", ReferenceLinkCommand("b.exe %1 %1", "t"));
  EXPECT_EQ("", CheckLinkCommand("b.exe %1", "t", 9, true, "b.exe  t"));
  EXPECT_NE("", CheckLinkCommand("b.exe %1", "t", 8, true, "b.exe  t"));
  EXPECT_EQ("", CheckLinkCommand("b.exe %1", "t", 8, false, ""));
  // The rule at the exact fit: one byte less is refused.
  char out[9];
  EXPECT_TRUE(ComposeLinkCommand("b.exe %1", "t", out, 9));
  EXPECT_FALSE(ComposeLinkCommand("b.exe %1", "t", out, 8));
}

namespace {
// The tallest screens wrongly fall back to the smallest skin.
ToolbarSkin Inverted(int height, int scale) {
  return height >= 1600 ? ToolbarSkin{"Tobrin_16.png", "16"} : ChooseToolbarSkin(height, scale);
}
ToolbarSkin Mismatched(int, int) { return {"Kestrand_24.png", "16"}; }
}  // namespace

TEST(FuzzChecks, SkinChecks) {
  for (int height : {0, 767, 768, 1200, 1201, 1599, 1600, INT_MAX, INT_MIN}) {
    for (int scale : {100, 149, 150, 169, 170, INT_MIN}) {
      EXPECT_EQ("", CheckSkinChoice(ChooseToolbarSkin, height, scale)) << height << " " << scale;
    }
  }
  EXPECT_NE("", CheckSkinChoice(Inverted, 1599, 100));
  EXPECT_NE("", CheckSkinChoice(Mismatched, 1000, 100));
  for (int dpi : {0, 96, 120, 144, 168, 192, 100000}) EXPECT_EQ("", CheckScaleFromDpi(dpi, ScaleFromLogicalDpi(dpi)));
  EXPECT_NE("", CheckScaleFromDpi(144, 149));
}

TEST(FuzzChecks, EntryNameCheck) {
  EXPECT_EQ("", CheckEntryName("Help/a.chm", 5, true));
  EXPECT_EQ("", CheckEntryName("Help/", 5, true));
  EXPECT_EQ("", CheckEntryName("a/../b", 5, false));
  EXPECT_NE("", CheckEntryName("a/../b", 5, true));
  EXPECT_NE("", CheckEntryName("C:x", 0, true));
  EXPECT_NE("", CheckEntryName("\\x", 1, true));
  EXPECT_NE("", CheckEntryName("Help/a.chm", 4, true));
  EXPECT_NE("", CheckEntryName("Help/a.chm", 0, true));
  EXPECT_EQ("", CheckEntryName("..a/b..", 4, true));
}

TEST(FuzzChecks, InstallTextsCheck) {
  NamedTexts good{true,
                  "C:\\P\\",
                  "C:\\P\\px_main64.exe",
                  "\"C:\\P\\px_main64.exe\" \"%1\"",
                  "\"C:\\P\\px_main64.exe\" \"%1 /thumbs\"",
                  "\"C:\\P\\px_main64.exe\"",
                  "\"C:\\P\\pv_uninstall.exe\"",
                  "C:\\P\\px_main64.exe,0"};
  EXPECT_EQ("", CheckInstallTexts("C:\\P", good));
  EXPECT_EQ("", CheckInstallTexts("C:\\P\\", good));
  NamedTexts wrong = good;
  wrong.openCommand = "\"C:\\P\\px_main64.exe\" %1";
  EXPECT_NE("", CheckInstallTexts("C:\\P", wrong));
  EXPECT_NE("", CheckInstallTexts("", good));
  EXPECT_EQ("", CheckInstallTexts(std::string(246, 'a'), NamedTexts{}));
  EXPECT_NE("", CheckInstallTexts(std::string(245, 'a'), NamedTexts{}));
}
