// The setup's command line as deployment tools write it, end to end: the
// other spellings of "/silent" install without a window, "/?" and "/help"
// never install, and an argument that is no option ends the run before any
// change with 1639 and a log entry naming it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "deploy/deploy_support.h"
#include "install/install_texts.h"
#include "outcomes/outcomes_support.h"
#include "reliability/fault_support.h"
#include "support/px_test_support.h"

using namespace pxtest;
using namespace deploytest;
using outcomes::Everything;
using outcomes::Snapshot;

namespace {

constexpr DWORD kInvalidCommandLine = 1639;

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    faulttest::ForgetInstallations();
    RemoveFolderTree(kArea);
    start_ = MakeTempFolder("deploy\\start");
  }
  void TearDown() override {
    RemoveFolderTree(kArea);
    faulttest::ForgetInstallations();
  }
  // A run must end on its own within the time-out: a window would wait.
  RunResult Setup(const std::string& args) { return RunWithin(SetupExePath(), args, start_, 30000); }
  Texts StartLog() const { return installtest::LogTexts(start_); }
  // Nothing but the logs changed on disk or in the setup's registry keys.
  void ExpectNothingInstalled(const Everything& before, const std::vector<std::string>& logs) const {
    const Everything after = Snapshot();
    std::vector<std::string> allowed = logs;
    allowed.push_back(start_ + installtest::kLogName);
    EXPECT_EQ(Texts{}, faulttest::ChangedOutside(before.disk, after.disk, allowed));
    EXPECT_EQ(Texts{}, faulttest::RegistryDifferences(before.registry, after.registry));
  }
  std::string start_;
};

// --- The other spellings of /silent --------------------------------------

TEST_F(CommandLine, EachSilentAliasInstallsWithoutAWindow) {
  struct Row {
    const char* alias;
  };
  const Row rows[] = {{"/S"}, {"/SILENT"}, {"/VERYSILENT"}, {"/quiet"}, {"/qn"}, {"\"/S\""}};
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.alias);
    const std::string target = std::string(kArea) + "alias" + std::to_string(n++) + "\\Pixorra\\";
    const RunResult run = Setup(std::string(row.alias) + " /folder=" + target);
    EXPECT_FALSE(run.timedOut) << "waited for somebody";
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(InstalledIn(target));
    EXPECT_EQ(Texts{}, StartLog());
    faulttest::ForgetInstallations();
  }
}

// --- Help never acts -----------------------------------------------------

TEST_F(CommandLine, SilentHelpWritesTheUsageIntoTheLogAndInstallsNothing) {
  struct Row {
    const char* args;
    const char* namedLog;  // "" for the start folder's log
  };
  const std::string target = std::string(kArea) + "help\\Pixorra";
  const Row rows[] = {
      {"/silent /?", ""},
      {"/silent /help", ""},
      {"/S /? /folder=C:\\pxtest\\deploy\\help\\Pixorra /assoc=2", ""},
      {"/silent /help /log=C:\\pxtest\\deploy\\logs\\help.log", "C:\\pxtest\\deploy\\logs\\help.log"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    DeleteFileA((start_ + installtest::kLogName).c_str());
    const Everything before = Snapshot();
    const RunResult run = Setup(row.args);
    EXPECT_FALSE(run.timedOut) << "a window waited";
    EXPECT_EQ(0u, run.exitCode);
    const Texts entries = row.namedLog[0] != '\0' ? EntriesOf(row.namedLog) : StartLog();
    ASSERT_EQ(1u, entries.size());
    const std::string& usage = entries[0];
    EXPECT_EQ(0u, usage.find(kUsageStart)) << usage;
    for (const char* named : {"/silent", "/S, /SILENT, /VERYSILENT, /quiet, /qn", "/progress", "/folder=", "/log=", "1602",
                              "1603", "1618", "1622", "1639"}) {
      EXPECT_NE(std::string::npos, usage.find(named)) << named;
    }
    ExpectNothingInstalled(before, {std::string(kArea) + "logs\\"});
    EXPECT_FALSE(FolderExists(target));
  }
}

// --- Typos never install elsewhere ---------------------------------------

// The refusals as the log holds them.
constexpr char kOptionAmbiguous[] = "Ein \"/\" teilt diesen Wert mitten im Wort, oder ein Anf\xFChrungszeichen wird "
                                "nicht geschlossen; Werte mit \"/\" bitte in Anf\xFChrungszeichen setzen, es wurde "
                                "nichts installiert";
constexpr char kOptionPastWindow[] = "Die Befehlszeile ist zu lang: diese Option reicht \xFC""ber ihre ersten 519 "
                                 "Zeichen hinaus und w\xFCrde nicht gelesen, es wurde nichts installiert";

TEST_F(CommandLine, AnUnknownOptionEndsASilentRunBeforeAnyChange) {
  struct Row {
    const char* args;
    const char* named;  // the word the log names
  };
  const Row rows[] = {
      {"/silent /foldr=D:\\Apps", "/foldr=D:\\Apps"},
      {"/silent /Folder=C:\\pxtest\\deploy\\typo\\Pixorra", "/Folder=C:\\pxtest\\deploy\\typo\\Pixorra"},
      {"/silent /group=1 /desktop=1 /assoc=1 /alluser=1", "/alluser=1"},
      {"/silent /Sx", "/Sx"},
      {"/silently", "/silently"},
      {"/qn /log", "/log"},
      {"/silent \"/foldr=C:\\My Apps\"", "\"/foldr=C:\\My Apps\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    DeleteFileA((start_ + installtest::kLogName).c_str());
    const Everything before = Snapshot();
    const RunResult run = Setup(row.args);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(kInvalidCommandLine, run.exitCode);
    EXPECT_EQ(Texts{std::string(kUnknownOption) + ": " + row.named}, StartLog());
    ExpectNothingInstalled(before, {});
    EXPECT_FALSE(FolderExists("C:\\Program Files\\Pixorra\\"));
  }
}

// Words inside an option's value are the value's, "/" included; only a word
// of its own that starts with "/" is checked.
TEST_F(CommandLine, ValuesWithSlashesAndBlanksAreNoUnknownOptions) {
  struct Row {
    std::string args;
    std::string installedIn;
  };
  const std::string area = kArea;
  const Row rows[] = {
      // An unquoted value ends at a "/" that starts a word; a quoted one
      // keeps its "/", which Windows reads as "\".
      {"/silent /folder=\"" + area + "quoted blank\\Pixorra\"", area + "quoted blank\\Pixorra\\"},
      {"/silent /folder=\"C:/pxtest/deploy/forward/Pixorra\"", area + "forward\\Pixorra\\"},
      {"/silent \"/folder=" + area + "My /Apps\" /group=1", area + "My\\Apps\\"},
      {"/silent /folder=" + area + "two words\\Pixorra /group=1", area + "two words\\Pixorra\\"},
      {"/silent /progress /folder=" + area + "progress\\Pixorra", area + "progress\\Pixorra\\"},
      {"/folder=" + area + "alias last\\Pixorra /desktop=0 /VERYSILENT", area + "alias last\\Pixorra\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    DeleteFileA((start_ + installtest::kLogName).c_str());
    const RunResult run = Setup(row.args);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(InstalledIn(row.installedIn));
    EXPECT_EQ(Texts{}, StartLog());
    faulttest::ForgetInstallations();
  }
}

// An option that would not be read as written ends the run before any
// change, naming it: a "/" that would cut an unquoted value inside its word,
// or an option beyond the command line's 519-character window.
TEST_F(CommandLine, AnOptionThatWouldNotBeReadAsWrittenEndsTheRunBeforeAnyChange) {
  const std::string area = kArea;
  const std::string log = area + "logs\\" + std::string(152 - 22, 'g');  // 152 characters
  // A settings folder as long as puts "/folder=" at the 517th character
  // (0-based, the program's quoted path first), as a packaging tool's run did.
  const std::string head = "\"" + SetupExePath() + "\" /silent /group=1 /desktop=1 /thumbs=1 /allusers=0 "
                           "/scope=machine /log=" + log + " \"/ini=C:\\";
  ASSERT_LT(head.size() + 10, 514u);
  const std::string ini = "C:\\" + std::string(514 - head.size(), 'i');
  struct Row {
    std::string args;
    const char* text;
    std::string named;
  };
  const Row rows[] = {
      {"/silent /folder=" + area + "Q7\\Pix/orra", kOptionAmbiguous, "/folder=" + area + "Q7\\Pix/orra"},
      {"/silent /folder=C:/pxtest/deploy/forward/Pixorra /group=1", kOptionAmbiguous,
       "/folder=C:/pxtest/deploy/forward/Pixorra"},
      {"/silent /folder=\"" + area + "unclosed\\Pixorra /group=1", kOptionAmbiguous,
       "/folder=\"" + area + "unclosed\\Pixorra /group=1"},
      // A packaging tool's long log and settings folder push the folder
      // past the window (the program's path comes first).
      {"/silent /group=1 /desktop=1 /thumbs=1 /allusers=0 /scope=machine /log=" + log + " \"/ini=" + ini +
           "\" \"/folder=C:\\Apps\\Pixorra\" /assoc=1",
       kOptionPastWindow, "\"/folder=C:\\Apps\\Pixorra\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    DeleteFileA((start_ + installtest::kLogName).c_str());
    DeleteFileA(log.c_str());
    const Everything before = Snapshot();
    const RunResult run = Setup(row.args);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(kInvalidCommandLine, run.exitCode);
    const Texts expected{std::string(row.text) + ": " + row.named};
    EXPECT_EQ(expected, row.args.find("/log=") != std::string::npos ? EntriesOf(log) : StartLog());
    ExpectNothingInstalled(before, {area + "logs\\"});
    EXPECT_FALSE(FolderExists("C:\\Program Files\\Pixorra\\"));
    EXPECT_FALSE(FolderExists("C:\\Apps\\"));
  }
}

}  // namespace
