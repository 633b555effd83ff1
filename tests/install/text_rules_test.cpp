#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "core/archive_entry.h"
#include "core/percent_variables.h"
#include "core/toolbar_skin.h"

namespace {

// Variables as the process environment would have them; names without case.
struct Environment {
  std::map<std::string, std::string> variables;
  int lookups = 0;

  static std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  }
  static LookupResult Lookup(const char* name, char value[kPathSize], void* context) {
    auto* environment = static_cast<Environment*>(context);
    ++environment->lookups;
    const auto found = environment->variables.find(Upper(name));
    if (found == environment->variables.end()) return LookupResult::kMissing;
    if (found->second.size() > kPathSize - 1) return LookupResult::kTooLong;
    std::strcpy(value, found->second.c_str());
    return LookupResult::kFound;
  }
};

std::string Expand(const char* text, Environment& environment, int* result = nullptr) {
  char expanded[kPathSize];
  const int status = ExpandPercentVariables(text, expanded, Environment::Lookup, &environment);
  if (result != nullptr) *result = status;
  return expanded;
}

}  // namespace

TEST(PercentVariables, ReplacesReferences) {
  Environment environment;
  environment.variables = {{"APPDATA", "C:\\users\\me\\AppData\\Roaming"}, {"USERNAME", "me"}};
  EXPECT_EQ(Expand("%APPDATA%\\Pixorra", environment), "C:\\users\\me\\AppData\\Roaming\\Pixorra");
  EXPECT_EQ(Expand("%appdata%\\Pixorra", environment), "C:\\users\\me\\AppData\\Roaming\\Pixorra");
  EXPECT_EQ(Expand("D:\\%USERNAME%\\%USERNAME%", environment), "D:\\me\\me");
  EXPECT_EQ(Expand("D:\\Plain", environment), "D:\\Plain");
  EXPECT_EQ(environment.lookups, 4);
}

TEST(PercentVariables, OddPercentSigns) {
  Environment environment;
  environment.variables = {{"A", "x"}};
  EXPECT_EQ(Expand("%%", environment), "");            // empty name: nothing
  EXPECT_EQ(Expand("D:\\%", environment), "D:\\");      // a lone one at the end
  EXPECT_EQ(Expand("D:\\%A", environment), "D:\\x");    // no partner: the rest is the name
  EXPECT_EQ(Expand("%A%%A%", environment), "xx");
  EXPECT_EQ(Expand("%NOPE%\\x", environment), "\\x");  // undefined reference vanishes
  EXPECT_EQ(Expand("50%%off", environment), "50off");
}

TEST(PercentVariables, TooLongIsRefusedNotCut) {
  Environment environment;
  environment.variables = {{"LONG", std::string(200, 'l')}, {"HUGE", std::string(300, 'h')}};
  int status = 1;
  EXPECT_EQ(Expand("%LONG%\\%LONG%", environment, &status), "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Expand("%HUGE%", environment, &status), "");
  EXPECT_EQ(status, 0);
  const std::string longName = "%" + std::string(300, 'n') + "%";
  EXPECT_EQ(Expand(longName.c_str(), environment, &status), "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Expand("%LONG%", environment, &status), std::string(200, 'l'));
  EXPECT_EQ(status, 1);
}

TEST(ToolbarSkin, TableBoundaries) {
  struct Case {
    int height, scale;
    const char* skin;
    const char* size;
  } cases[] = {
      {1040, 100, "Kestrand_24.png", "24"},
      {1040, 150, "gnome-colors-wise_32.png", "32"},
      {1040, 149, "Kestrand_24.png", "24"},
      {740, 100, "Tobrin_16.png", "16"},
      {767, 100, "Tobrin_16.png", "16"},
      {768, 100, "Kestrand_24.png", "24"},
      {1200, 100, "Kestrand_24.png", "24"},
      {1201, 100, "gnome-colors-wise_32.png", "32"},
      {1599, 100, "gnome-colors-wise_32.png", "32"},
      {1600, 100, "gnome-colors-human_48.png", "48"},
      {740, 169, "gnome-colors-wise_32.png", "32"},
      {740, 170, "gnome-colors-human_48.png", "48"},
      {740, 175, "gnome-colors-human_48.png", "48"},
  };
  for (const Case& c : cases) {
    const ToolbarSkin skin = ChooseToolbarSkin(c.height, c.scale);
    EXPECT_STREQ(skin.skin, c.skin) << c.height << " at " << c.scale;
    EXPECT_STREQ(skin.size, c.size) << c.height << " at " << c.scale;
  }
}

TEST(ToolbarSkin, ScaleFromDpiDropsTheRemainder) {
  EXPECT_EQ(ScaleFromLogicalDpi(96), 100);
  EXPECT_EQ(ScaleFromLogicalDpi(120), 125);
  EXPECT_EQ(ScaleFromLogicalDpi(144), 150);
  EXPECT_EQ(ScaleFromLogicalDpi(168), 175);
  EXPECT_EQ(ScaleFromLogicalDpi(192), 200);
  EXPECT_EQ(ScaleFromLogicalDpi(143), 148);
}

TEST(EntryNames, FileNamePart) {
  EXPECT_STREQ(EntryFileName("Plugins/px_raw.dll"), "px_raw.dll");
  EXPECT_STREQ(EntryFileName("Plugins\\px_raw.dll"), "px_raw.dll");
  EXPECT_STREQ(EntryFileName("px_main64.exe"), "px_main64.exe");
  EXPECT_STREQ(EntryFileName("Plugins/"), "");
  EXPECT_STREQ(EntryFileName("a/b\\c/"), "");
}

TEST(EntryNames, NamesThatWouldLeaveTheFolder) {
  for (const char* safe : {"px_main64.exe", "Plugins/px_raw.dll", "Help\\a.htm", "Toolbars/", "a..b/c", "..a", ".x/y"}) {
    EXPECT_TRUE(IsSafeEntryName(safe)) << safe;
  }
  for (const char* unsafe : {"", "/etc/x", "\\Windows\\x.dll", "C:\\x", "C:x", "../x", "a/../../x", "a\\..\\x", "a/..",
                             "..", "file.txt:stream"}) {
    EXPECT_FALSE(IsSafeEntryName(unsafe)) << unsafe;
  }
}
