// The target folder's rule and the command line's arguments and window, as
// text: every form the issue reports and its neighbours.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/command_arguments.h"
#include "core/folder_text.h"
#include "core/target_folder.h"

namespace {

using P = TargetFolderProblem;

const char* Name(P problem) {
  switch (problem) {
    case P::kNone: return "none";
    case P::kEmpty: return "empty";
    case P::kNotAbsolute: return "not absolute";
    case P::kRoot: return "root";
    case P::kForbiddenCharacter: return "forbidden character";
    case P::kTooLong: return "too long";
  }
  return "?";
}

constexpr std::size_t kLongest = 30;  // as if the payload's longest name had 30 characters

struct FolderCase {
  std::string given;
  P expected;
  std::string normalised;  // on kNone
};

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

}  // namespace

TEST(TargetFolderRule, AcceptsAbsoluteFoldersAndRefusesTheRest) {
  const std::string longest = "C:\\" + Repeat('a', 259 - kLongest - 4) + "\\";  // + name = 259
  const std::vector<FolderCase> cases = {
      {"C:\\Program Files\\Pixorra", P::kNone, "C:\\Program Files\\Pixorra\\"},
      {"c:\\p\\", P::kNone, "c:\\p\\"},
      {"  D:\\Tools \\Pixorra  ", P::kNone, "D:\\Tools\\Pixorra\\"},
      {"C:\\a\\\\b", P::kNone, "C:\\a\\b\\"},
      {"C:\\a\\   \\b", P::kNone, "C:\\a\\b\\"},
      {"C:\\ lead\\x.y", P::kNone, "C:\\ lead\\x.y\\"},
      {"\\\\server\\share\\px", P::kNone, "\\\\server\\share\\px\\"},
      {"C:\\Bilder \xc4rger \xdf\xfc", P::kNone, "C:\\Bilder \xc4rger \xdf\xfc\\"},
      {longest, P::kNone, longest},
      // Relative forms (item: relative folders)
      {"relpix", P::kNotAbsolute, ""},
      {"C:relative\\px", P::kNotAbsolute, ""},
      {"\\Pixorra", P::kNotAbsolute, ""},
      {"..\\Pixorra", P::kNotAbsolute, ""},
      {"1:\\Pixorra", P::kNotAbsolute, ""},
      {"\\\\server", P::kNotAbsolute, ""},
      {"\\\\\\share\\x", P::kRoot, ""},  // created as "\\share\x\"
      {"\"C:\\Pixorra", P::kNotAbsolute, ""},
      // Roots
      {"C:", P::kRoot, ""},
      {"C:\\", P::kRoot, ""},
      {"C:\\\\ \\", P::kRoot, ""},
      {"\\\\server\\share", P::kRoot, ""},
      {"\\\\server\\share\\", P::kRoot, ""},
      // Characters Windows refuses; "?" also stands for what the code page lacks
      {"C:\\a<b", P::kForbiddenCharacter, ""},
      {"C:\\a>b", P::kForbiddenCharacter, ""},
      {"C:\\a|b", P::kForbiddenCharacter, ""},
      {"C:\\a?b", P::kForbiddenCharacter, ""},
      {"C:\\a*b", P::kForbiddenCharacter, ""},
      {"C:\\a\"b", P::kForbiddenCharacter, ""},
      {"C:\\a:b", P::kForbiddenCharacter, ""},
      {"C:\\Apps/Pixorra", P::kForbiddenCharacter, ""},
      {"C:\\a\tb", P::kForbiddenCharacter, ""},
      {"C:\\dots...", P::kForbiddenCharacter, ""},
      {"C:\\dots. \\x", P::kForbiddenCharacter, ""},
      {"C:\\.\\x", P::kForbiddenCharacter, ""},
      {"C:\\..\\x", P::kForbiddenCharacter, ""},
      {"\\\\?\\C:\\x", P::kForbiddenCharacter, ""},
      {"\\\\.\\C:\\x", P::kForbiddenCharacter, ""},
      {"\\\\se*ver\\share\\x", P::kForbiddenCharacter, ""},
      {"C:\\????????", P::kForbiddenCharacter, ""},
      // Length
      {"", P::kEmpty, ""},
      {"   ", P::kEmpty, ""},
      {longest.substr(0, longest.size() - 1) + "bb", P::kTooLong, ""},
      {"C:\\" + Repeat('a', 300), P::kTooLong, ""},
  };
  for (const FolderCase& c : cases) {
    char normalised[kPathSize] = "junk";
    const P got = CheckTargetFolder(c.given.c_str(), kLongest, normalised);
    EXPECT_STREQ(Name(c.expected), Name(got)) << "[" << c.given << "]";
    EXPECT_EQ(c.normalised, normalised) << "[" << c.given << "]";
  }
}

// The wizard shows, and the run names, the folder as the creation walk makes
// it: both must agree for every form the rule accepts.
TEST(TargetFolderRule, NormalisedAsTheCreationWalkMakesIt) {
  struct Disk {
    std::set<std::string> existing{"C:", "D:", "\\\\server\\share"};
    static std::string Key(const char* path) {
      std::string key = path;
      while (!key.empty() && key.back() == '\\') key.pop_back();
      return key;
    }
    static bool CanEnter(const char* path, void* context) {
      return static_cast<Disk*>(context)->existing.count(Key(path)) > 0;
    }
    static void Create(const char* path, void* context) { static_cast<Disk*>(context)->existing.insert(Key(path)); }
  };
  for (const char* given : {"C:\\Program Files\\Pixorra", "  D:\\Tools \\Pixorra  ", "C:\\a\\\\b", "C:\\a\\   \\b",
                            "C:\\ lead\\x", "\\\\server\\share\\px ", "C:\\x  \\y \\z   \\"}) {
    char rule[kPathSize];
    ASSERT_EQ(P::kNone, CheckTargetFolder(given, kLongest, rule)) << given;
    Disk disk;
    char walked[kPathSize];
    std::strcpy(walked, given);
    ASSERT_TRUE(EnsureFolderChain(walked, FolderOps{Disk::CanEnter, Disk::Create, &disk})) << given;
    EXPECT_STREQ(walked, rule) << given;
  }
}

TEST(TargetFolderRule, ShownAsItWillBeCreated) {
  struct Case {
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {
      {"C:\\Tools \\Pixorra", "C:\\Tools\\Pixorra"},
      {"  C:\\Tools  \\Pixorra\\  ", "C:\\Tools\\Pixorra\\"},
      {"C:\\Pixorra   ", "C:\\Pixorra"},
      {"C:\\a\\\\b\\", "C:\\a\\b\\"},
      {"C:\\", "C:\\"},
      {"C:", "C:\\"},  // refused before it is ever shown
      {"   ", ""},
      {"relpix ", "relpix"},
  };
  for (const Case& c : cases) {
    char shown[kPathSize];
    ShownTargetFolder(c.typed, shown);
    EXPECT_STREQ(c.shown, shown) << "[" << c.typed << "]";
  }
}

TEST(ProgramArguments, BehindTheProgramPathOnly) {
  struct Case {
    const char* line;
    const char* arguments;
  };
  const Case cases[] = {
      {"\"C:\\setup\\PixorraSetup64.exe\" /silent", " /silent"},
      {"\"C:\\silent installers\\PixorraSetup64.exe\"", ""},
      {"C:/silent-installers/PixorraSetup64.exe", ""},
      {"C:/silent-installers/PixorraSetup64.exe /folder=x", " /folder=x"},
      {"C:\\x\\PixorraSetup64.exe\t/silent", "\t/silent"},
      {"\"C:\\a/silent\\PixorraSetup64.exe\"/silent", "/silent"},
      {"\"C:\\unclosed/silent", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.arguments, ProgramArguments(c.line)) << c.line;
  EXPECT_STREQ("", ProgramArguments(nullptr));
}

TEST(OptionWindow, AValueCutByTheWindowOrItsBufferIsNoticed) {
  const std::string head = "\"C:\\setup\\PixorraSetup64.exe\" /silent /x=";
  auto lineWithFolderAt = [&](std::size_t folderStart, const std::string& folder) {
    std::string line = head + Repeat('x', folderStart - head.size() - 1) + " /folder=" + folder;
    return line;
  };
  // "/folder=" ends 8 characters before the window's end: "C:\Progr" is all it sees.
  const std::string cut = lineWithFolderAt(519 - 8 - 9 + 1, "C:\\Program Files\\Pixorra");
  EXPECT_TRUE(OptionValueCut(cut.c_str(), "/folder="));
  // The same value whole within the window, or ended by the next option.
  const std::string whole = lineWithFolderAt(100, "C:\\Program Files\\Pixorra");
  EXPECT_FALSE(OptionValueCut(whole.c_str(), "/folder="));
  const std::string ended = lineWithFolderAt(519 - 8 - 9 + 1, "C:\\Progr/ Files");
  EXPECT_FALSE(OptionValueCut(ended.c_str(), "/folder="));
  // Exactly to the window's end, and the line ends there too.
  const std::string exact = lineWithFolderAt(519 - 8 - 9 + 1, "C:\\Progr");
  ASSERT_EQ(519u, exact.size());
  EXPECT_FALSE(OptionValueCut(exact.c_str(), "/folder="));
  // The value's own limit: at most 252 characters of a folder are read.
  const std::string longValue = "setup.exe /folder=C:\\" + Repeat('a', 250);
  EXPECT_TRUE(OptionValueCut(longValue.c_str(), "/folder="));
  const std::string fitting = "setup.exe /folder=C:\\" + Repeat('a', 249);
  EXPECT_FALSE(OptionValueCut(fitting.c_str(), "/folder="));
  // Not there, or wholly beyond the window: nothing was cut, nothing is read.
  EXPECT_FALSE(OptionValueCut(whole.c_str(), "/ini="));
  const std::string beyond = head + Repeat('x', 600) + " /folder=C:\\x";
  EXPECT_FALSE(OptionValueCut(beyond.c_str(), "/folder="));
  EXPECT_FALSE(OptionValueCut(nullptr, "/folder="));
}
