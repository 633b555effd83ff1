#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "core/command_arguments.h"
#include "core/command_line.h"

namespace {

InstallOptions Parse(const std::string& commandLine, const char* startFolder = "C:\\Program Files\\Pixorra") {
  InstallOptions options;
  SetSilentDefaults(options);
  std::strcpy(options.targetFolder, startFolder);
  ApplyCommandLineOptions(commandLine.c_str(), options);
  return options;
}

int CountSelected(const InstallOptions& options, int from, int to) {
  int count = 0;
  for (int row = from; row < to; ++row) count += options.formatSelection[row];
  return count;
}

const char kProgram[] = "\"C:\\setup\\PixorraSetup64.exe\" ";

}  // namespace

TEST(SilentSwitch, FoundAnywhereCaseSensitive) {
  EXPECT_TRUE(HasSilentSwitch("setup.exe /silent"));
  EXPECT_TRUE(HasSilentSwitch("setup.exe /folder=x /silent"));
  EXPECT_TRUE(HasSilentSwitch("setup.exe /silently"));  // a longer word still counts
  EXPECT_FALSE(HasSilentSwitch("setup.exe /Silent"));
  EXPECT_FALSE(HasSilentSwitch("setup.exe /SILENT"));
  EXPECT_FALSE(HasSilentSwitch("setup.exe silent"));
  EXPECT_FALSE(HasSilentSwitch(""));
  EXPECT_FALSE(HasSilentSwitch(nullptr));
}

TEST(SilentSwitch, SeenBeyondTheCopiedPart) {
  const std::string line = kProgram + std::string(600, 'x') + " /silent";
  EXPECT_TRUE(HasSilentSwitch(line.c_str()));
}

TEST(CommandLineCopy, KeepsAtMost519Characters) {
  char copy[kCommandLineCopySize];
  const std::string longLine(700, 'a');
  CopyCommandLine(longLine.c_str(), copy);
  EXPECT_EQ(std::strlen(copy), 519u);
  CopyCommandLine("short", copy);
  EXPECT_STREQ(copy, "short");
  CopyCommandLine(nullptr, copy);
  EXPECT_STREQ(copy, "");
}

TEST(Defaults, EverythingOffAndSilent) {
  InstallOptions options;
  options.desktopLink = options.thumbsLink = options.startMenuGroup = options.allUsers = 7;
  options.associate = 1;
  options.formatSelection[3] = 1;
  std::strcpy(options.iniFolder, "x");
  SetSilentDefaults(options);
  EXPECT_EQ(options.desktopLink, 0);
  EXPECT_EQ(options.thumbsLink, 0);
  EXPECT_EQ(options.startMenuGroup, 0);
  EXPECT_EQ(options.allUsers, 0);
  EXPECT_EQ(options.associate, 0);
  EXPECT_EQ(CountSelected(options, 0, kFormatRowCount), 0);
  EXPECT_STREQ(options.iniFolder, "");
}

TEST(OptionValue, EndsAtSlashAndKeepsSpaces) {
  char value[kPathSize];
  ASSERT_TRUE(ExtractOptionValue("x /desktop=1 /thumbs=0", "/desktop=", value));
  EXPECT_STREQ(value, "1 ");  // the blank before the next option belongs to the value
  ASSERT_TRUE(ExtractOptionValue("x /thumbs=0", "/thumbs=", value));
  EXPECT_STREQ(value, "0");
  ASSERT_TRUE(ExtractOptionValue("x /folder=C:/Apps/Pixorra", "/folder=", value));
  EXPECT_STREQ(value, "C:");
  ASSERT_TRUE(ExtractOptionValue("x /folder=", "/folder=", value));
  EXPECT_STREQ(value, "");
}

TEST(OptionValue, AbsentLeavesBufferAlone) {
  char value[kPathSize] = "untouched";
  EXPECT_FALSE(ExtractOptionValue("x /Folder=y", "/folder=", value));
  EXPECT_STREQ(value, "untouched");
}

TEST(OptionValue, FirstOccurrenceCounts) {
  char value[kPathSize];
  ASSERT_TRUE(ExtractOptionValue("x /group=1 /group=0", "/group=", value));
  EXPECT_STREQ(value, "1 ");
}

TEST(OptionValue, KeywordAndValueTogetherAtMost260) {
  char value[kPathSize];
  const std::string line = "/folder=" + std::string(400, 'a');
  ASSERT_TRUE(ExtractOptionValue(line.c_str(), "/folder=", value));
  EXPECT_EQ(std::strlen(value), 252u);  // 260 - strlen("/folder=")
  const std::string ini = "/ini=" + std::string(400, 'b');
  ASSERT_TRUE(ExtractOptionValue(ini.c_str(), "/ini=", value));
  EXPECT_EQ(std::strlen(value), 255u);
  const std::string allUsers = "/allusers=" + std::string(400, '1');
  ASSERT_TRUE(ExtractOptionValue(allUsers.c_str(), "/allusers=", value));
  EXPECT_EQ(std::strlen(value), 250u);
}

TEST(OptionValue, NearTheEndOnlyWhatIsLeft) {
  // L is what is left of the text: the value simply runs to the end.
  char value[kPathSize];
  ASSERT_TRUE(ExtractOptionValue("abc/desktop=12", "/desktop=", value));
  EXPECT_STREQ(value, "12");
}

TEST(FolderArgument, StripsQuotesAndTrailingBlanks) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"\"C:\\Program Files\\Pixorra\" ", "C:\\Program Files\\Pixorra"},
      {"C:\\Apps   ", "C:\\Apps"},
      {"  C:\\Apps", "  C:\\Apps"},  // leading blanks outside quotes stay
      {"\"  C:\\Apps \" ", "  C:\\Apps"},
      {"\"", ""},
      {"\"\"", ""},
      {"   ", ""},
      {"", ""},
      {"C:\\Apps\"", "C:\\Apps"},
      {"\"C:\\Apps", "C:\\Apps"},
  };
  for (const Case& c : cases) {
    char value[kPathSize];
    std::strcpy(value, c.in);
    ApplyFolderArgument(value);
    EXPECT_STREQ(value, c.out) << "input [" << c.in << "]";
  }
}

TEST(Decimal, ReadsLikeAtoi) {
  EXPECT_EQ(ReadDecimal("1"), 1);
  EXPECT_EQ(ReadDecimal("1 "), 1);
  EXPECT_EQ(ReadDecimal("  \t42abc"), 42);
  EXPECT_EQ(ReadDecimal("-3"), -3);
  EXPECT_EQ(ReadDecimal("+2"), 2);
  EXPECT_EQ(ReadDecimal("yes"), 0);
  EXPECT_EQ(ReadDecimal(""), 0);
  EXPECT_EQ(ReadDecimal("- 1"), 0);
  EXPECT_EQ(ReadDecimal("0x10"), 0);
}

TEST(Decimal, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(ReadDecimal("2147483647"), INT_MAX);
  EXPECT_EQ(ReadDecimal("99999999999999999999999"), INT_MAX);
  EXPECT_EQ(ReadDecimal("-2147483648"), INT_MIN);
  EXPECT_EQ(ReadDecimal("-99999999999999999999999"), INT_MIN);
}

TEST(Options, QuotedFolderWithSpacesThenDesktop) {
  const InstallOptions options = Parse(kProgram + std::string("/silent /folder=\"D:\\My Apps\\Pixorra\" /desktop=1"));
  EXPECT_STREQ(options.targetFolder, "D:\\My Apps\\Pixorra");
  EXPECT_EQ(options.desktopLink, 1);
  EXPECT_EQ(options.thumbsLink, 0);
}

TEST(Options, EmptyFolderReplacesTheDefault) {
  const InstallOptions options = Parse(kProgram + std::string("/silent /folder="));
  EXPECT_STREQ(options.targetFolder, "");
}

TEST(Options, AbsentFolderKeepsTheDefault) {
  const InstallOptions options = Parse(kProgram + std::string("/silent /desktop=1"), "C:\\Old\\Place\\");
  EXPECT_STREQ(options.targetFolder, "C:\\Old\\Place\\");
}

TEST(Options, EveryNumberOption) {
  const InstallOptions options =
      Parse(kProgram + std::string("/silent /desktop=2 /thumbs=1 /group=5 /allusers=-1 /ini=%APPDATA%\\Pixorra"));
  EXPECT_TRUE(options.desktopLink);  // any non-zero number is a yes
  EXPECT_TRUE(options.thumbsLink);
  EXPECT_TRUE(options.startMenuGroup);
  EXPECT_TRUE(options.allUsers);
  EXPECT_STREQ(options.iniFolder, "%APPDATA%\\Pixorra");
  EXPECT_EQ(options.associate, 0);
}

TEST(Options, DesktopYesReadsAsZero) {
  EXPECT_EQ(Parse(kProgram + std::string("/silent /desktop=yes")).desktopLink, 0);
}

TEST(Options, AssocOneChoosesTheImageRows) {
  const InstallOptions options = Parse(kProgram + std::string("/silent /assoc=1"));
  EXPECT_EQ(CountSelected(options, 0, kImageRowCount), kImageRowCount);
  EXPECT_EQ(CountSelected(options, kImageRowCount, kFormatRowCount), 0);
  EXPECT_EQ(options.associate, 1);
}

TEST(Options, AssocTwoChoosesAllRows) {
  const InstallOptions options = Parse(kProgram + std::string("/silent /assoc=2"));
  EXPECT_EQ(CountSelected(options, 0, kFormatRowCount), kFormatRowCount);
  EXPECT_EQ(options.associate, 1);
}

TEST(Options, OtherAssocValuesChooseNothing) {
  for (const char* value : {"0", "3", "x", "", "-1", "12"}) {
    const InstallOptions options = Parse(kProgram + std::string("/silent /assoc=") + value);
    EXPECT_EQ(CountSelected(options, 0, kFormatRowCount), 0) << value;
    EXPECT_EQ(options.associate, 0) << value;
  }
}

TEST(Options, OptionInsideAnotherValueIsStillFound) {
  // "/desktop=1" hides inside the folder's quotes; every keyword is searched
  // in the whole copy, and the quoted folder value keeps its "/" (as "\").
  const InstallOptions options = Parse(kProgram + std::string("/silent /folder=\"C:\\A /desktop=1\""));
  EXPECT_EQ(options.desktopLink, 1);
  EXPECT_STREQ(options.targetFolder, "C:\\A \\desktop=1");
}

TEST(Options, KeywordsAreCaseSensitive) {
  const InstallOptions options = Parse(kProgram + std::string("/silent /Desktop=1 /FOLDER=D:\\x"));
  EXPECT_EQ(options.desktopLink, 0);
  EXPECT_STREQ(options.targetFolder, "C:\\Program Files\\Pixorra");
}

TEST(Options, NothingBeyondThe519thCharacterIsSeen) {
  std::string line = kProgram + std::string("/silent ");
  line += std::string(519 - line.size() - 3, 'x');
  line += " /desktop=1 /thumbs=1";  // "/desktop=" begins at 517: cut to "/d"
  const InstallOptions options = Parse(line);
  EXPECT_EQ(options.desktopLink, 0);
  EXPECT_EQ(options.thumbsLink, 0);
}

TEST(Options, OptionEndingAtTheCopyEdgeIsCut) {
  std::string line = kProgram + std::string("/silent ");
  line += std::string(519 - line.size() - 10, 'x');
  line += "/desktop=01";  // only "/desktop=0" lies within the first 519
  const InstallOptions options = Parse(line);
  EXPECT_FALSE(options.desktopLink);
}

TEST(Options, LongFolderFillsButNeverOverflows) {
  const std::string folder = "C:\\" + std::string(400, 'f');
  const InstallOptions options = Parse(kProgram + std::string("/silent /folder=") + folder);
  EXPECT_EQ(std::strlen(options.targetFolder), 252u);
}

// A quoted value is the text between its quotes, "/" included; quotes are
// counted from the line's start. Unquoted values still end at a "/".
TEST(OptionValue, QuotedValuesKeepTheirSlashes) {
  struct Row {
    const char* text;
    const char* keyword;
    const char* value;
  };
  const Row rows[] = {
      {"/folder=\"C:\\My /Apps\" /group=1", "/folder=", "\"C:\\My /Apps\" "},
      {"\"/folder=C:\\My /Apps\" /group=1", "/folder=", "C:\\My /Apps\" "},
      {"/folder=\"C:/Apps/Pixorra\"", "/folder=", "\"C:/Apps/Pixorra\""},
      {"\"C:\\a b\\setup.exe\" /folder=C:\\x/y", "/folder=", "C:\\x"},
      {"/folder=C:\\x /group=1", "/folder=", "C:\\x "},
      {"/ini=\"%APPDATA%/Pixorra\" /log=\"C:/logs/x.log\"", "/log=", "\"C:/logs/x.log\""},
      // A quoted option that follows ends the value as a "/" would.
      {"/folder=C:\\x \"/ini=C:\\y\"", "/folder=", "C:\\x"},
      {"/folder=\"C:/x\"  \"/ini=C:\\y\"", "/folder=", "\"C:/x\""},
      {"\"/folder=C:\\x\" \"/ini=C:\\y\"", "/folder=", "C:\\x\""},
  };
  for (const Row& row : rows) {
    char value[kPathSize];
    ASSERT_TRUE(ExtractOptionValue(row.text, row.keyword, value)) << row.text;
    EXPECT_STREQ(row.value, value) << row.text;
  }
}

TEST(Options, SlashesOfQuotedFoldersAreBackslashes) {
  const InstallOptions options =
      Parse(kProgram + std::string("/silent /folder=\"C:/Apps/Pixorra\" \"/ini=%APPDATA%/Pixorra\""));
  EXPECT_STREQ("C:\\Apps\\Pixorra", options.targetFolder);
  EXPECT_STREQ("%APPDATA%\\Pixorra", options.iniFolder);
}

namespace {

// A line whose keyword starts at column `at` (0-based) of the whole command line.
std::string LineWithOptionAt(std::size_t at, const std::string& option) {
  std::string line = kProgram + std::string("/silent /x=");
  line += std::string(at - line.size() - 1, 'x') + " ";
  return line + option;
}

}  // namespace

TEST(OptionFaults, ValuesThatWouldNotBeReadAsWrittenAreFound) {
  struct Row {
    const char* name;
    std::string line;
    OptionFault fault;
    std::string word;
  };
  const std::string program = kProgram;
  const Row rows[] = {
      {"slash inside the folder's word", program + "/silent /folder=C:\\Q7\\Pix/orra /group=1",
       OptionFault::kAmbiguousValue, "/folder=C:\\Q7\\Pix/orra"},
      {"forward slashes unquoted", program + "/S /folder=C:/Apps/Pixorra", OptionFault::kAmbiguousValue,
       "/folder=C:/Apps/Pixorra"},
      {"slash inside a later word of the value", program + "/silent /folder=C:\\two wo/rds",
       OptionFault::kAmbiguousValue, "wo/rds"},
      {"a value that is a slash", program + "/silent /ini=/group=1", OptionFault::kAmbiguousValue,
       "/ini=/group=1"},
      {"a quote never closed", program + "/silent /folder=\"C:\\My Apps /group=1", OptionFault::kAmbiguousValue,
       "/folder=\"C:\\My Apps /group=1"},
      {"number glued to the next option", program + "/silent /desktop=1/group=1", OptionFault::kAmbiguousValue,
       "/desktop=1/group=1"},
      {"quoted slashes", program + "/silent /folder=\"C:\\My /Apps\" \"/ini=C:/x\" /group=1", OptionFault::kNone, ""},
      {"slash starting the next word", program + "/silent /folder=C:\\two words /group=1", OptionFault::kNone, ""},
      {"the log is no option of this list", program + "/silent /log=C:/x.log", OptionFault::kNone, ""},
      {"folder starting at 517", LineWithOptionAt(517, "\"/folder=C:\\Apps\\Pixorra\" /assoc=1"),
       OptionFault::kPastWindow, "\"/folder=C:\\Apps\\Pixorra\""},
      {"keyword cut by the window", LineWithOptionAt(515, "/desktop=1"), OptionFault::kPastWindow, "/desktop=1"},
      {"value ends at the 519th character", LineWithOptionAt(519 - 10, "/desktop=1"), OptionFault::kNone, ""},
      {"only blanks lie past the window", LineWithOptionAt(519 - 10, "/desktop=1" + std::string(30, ' ')),
       OptionFault::kNone, ""},
      {"value one character past the window", LineWithOptionAt(519 - 9, "/desktop=1"), OptionFault::kPastWindow,
       "/desktop=1"},
      {"the first faulty option of the line counts", LineWithOptionAt(400, "/group=1/ /thumbs=1 " + std::string(200, 'y') + " /ini=C:\\x"),
       OptionFault::kAmbiguousValue, "/group=1/"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string word = "untouched";
    EXPECT_EQ(row.fault, FindOptionFault(row.line.c_str(), kWindowedSetupOptions, &word));
    EXPECT_EQ(row.fault == OptionFault::kNone ? "untouched" : row.word, word);
  }
}

TEST(LogOptions, ANameNotReadWholeIsUnusable) {
  struct Row {
    const char* name;
    std::string arguments;
    LogOption option;
    const char* file;
  };
  const std::string program = kProgram;
  const Row rows[] = {
      {"plain", program + "/silent /log=C:\\logs\\x.log /group=1", LogOption::kNamed, "C:\\logs\\x.log"},
      {"quoted with blanks", program + "/silent /log=\"C:\\My Logs\\x.log\"", LogOption::kNamed, "C:\\My Logs\\x.log"},
      {"quoted forward slashes", program + "/silent /log=\"C:/logs/x.log\"", LogOption::kNamed, "C:/logs/x.log"},
      {"none", program + "/silent", LogOption::kAbsent, ""},
      {"empty", program + "/silent /log= /group=1", LogOption::kAbsent, ""},
      {"slash inside the word", program + "/silent /log=C:/logs/x.log", LogOption::kUnusable, ""},
      {"longer than its buffer", program + "/silent /log=C:\\" + std::string(300, 'l'), LogOption::kUnusable, ""},
      {"400 blanks behind it", program + "/silent /log=C:\\x.log" + std::string(400, ' '), LogOption::kUnusable, ""},
      {"past the window", LineWithOptionAt(530, "/log=C:\\x.log"), LogOption::kUnusable, ""},
      {"cut by the window", LineWithOptionAt(510, "/log=C:\\x.log"), LogOption::kUnusable, ""},
      {"a quote never closed", program + "/silent /log=\"C:\\x.log", LogOption::kUnusable, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    char file[kPathSize] = "untouched";
    EXPECT_EQ(row.option, ReadLogOption(row.arguments.c_str(), file));
    EXPECT_STREQ(row.file, file);
  }
}
