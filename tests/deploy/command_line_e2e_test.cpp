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
      // The value ends at the next "/", as it always has.
      {"/silent /folder=" + area + "slash\\Pixorra/sub/inner", area + "slash\\Pixorra\\"},
      {"/silent /folder=\"" + area + "quoted blank\\Pixorra\"", area + "quoted blank\\Pixorra\\"},
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

}  // namespace
