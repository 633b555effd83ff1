// pv_uninstall.exe's command line end to end: "/?" and "/help" show the
// usage (a box, or the log with "/silent") and remove nothing; an argument
// that is none of its options removes nothing and ends with 1639; the
// other spellings of "/silent" remove silently.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "deploy/deploy_support.h"
#include "outcomes/outcomes_support.h"
#include "reliability/fault_support.h"
#include "support/px_test_support.h"

using namespace pxtest;
using namespace deploytest;
using outcomes::Everything;
using outcomes::Snapshot;

namespace {

constexpr DWORD kInvalidCommandLine = 1639;
constexpr char kCaption[] = "Pixorra deinstallieren";
constexpr char kLogName[] = "Pixorra_Uninstall.log";

class UninstallerOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    faulttest::ForgetInstallations();
    RemoveFolderTree(kArea);
    start_ = MakeTempFolder("deploy\\start");
    target_ = std::string(kArea) + "installed\\Pixorra\\";
    const RunResult install = RunWithin(SetupExePath(), "/silent /group=1 /assoc=1 /folder=" + target_, start_);
    ASSERT_EQ(0u, install.exitCode);
    ASSERT_TRUE(InstalledIn(target_));
  }
  void TearDown() override {
    faulttest::ForgetInstallations();
    RemoveFolderTree(kArea);
  }
  std::string Uninstaller() const { return target_ + "pv_uninstall.exe"; }
  // Everything as the installation left it, the start folder's logs aside.
  void ExpectNothingRemoved(const Everything& before, const std::vector<std::string>& logs) const {
    const Everything after = Snapshot();
    std::vector<std::string> allowed = logs;
    allowed.push_back(start_);
    EXPECT_EQ(Texts{}, faulttest::ChangedOutside(before.disk, after.disk, allowed));
    EXPECT_EQ(Texts{}, faulttest::RegistryDifferences(before.registry, after.registry));
    EXPECT_TRUE(InstalledIn(target_));
  }
  std::string start_;
  std::string target_;
};

TEST_F(UninstallerOptions, SilentHelpOrAnUnknownOptionRemovesNothing) {
  const std::string named = std::string(kArea) + "logs\\uninstall.log";
  struct Row {
    std::string args;
    std::string log;   // where the answer goes
    DWORD exitCode;
    std::string text;  // the whole entry, or the usage's first line
  };
  const Row rows[] = {
      {"/silent /?", start_ + kLogName, 0, kUninstallerUsageStart},
      {"/S /help", start_ + kLogName, 0, kUninstallerUsageStart},
      {"/silent /help /log=" + named, named, 0, kUninstallerUsageStart},
      {"/silent /foo", start_ + kLogName, kInvalidCommandLine, std::string(kUninstallerUnknownOption) + ": /foo"},
      {"/quiet /Silent", start_ + kLogName, kInvalidCommandLine,
       std::string(kUninstallerUnknownOption) + ": /Silent"},
      {"/silent /folder=C:\\x", start_ + kLogName, kInvalidCommandLine,
       std::string(kUninstallerUnknownOption) + ": /folder=C:\\x"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    DeleteFileA((start_ + kLogName).c_str());
    DeleteFileA(named.c_str());
    const Everything before = Snapshot();
    const RunResult run = RunWithin(Uninstaller(), row.args, start_, 30000);
    EXPECT_FALSE(run.timedOut) << "a window waited";
    EXPECT_EQ(row.exitCode, run.exitCode);
    const Texts entries = EntriesOf(row.log);
    ASSERT_EQ(1u, entries.size());
    if (row.exitCode == 0) {
      EXPECT_EQ(0u, entries[0].find(row.text)) << entries[0];
      for (const char* word : {"/S, /SILENT, /VERYSILENT, /quiet, /qn", "/log=", "1639"}) {
        EXPECT_NE(std::string::npos, entries[0].find(word)) << word;
      }
    } else {
      EXPECT_EQ(row.text, entries[0]);
    }
    ExpectNothingRemoved(before, {std::string(kArea) + "logs\\"});
  }
}

TEST_F(UninstallerOptions, HelpOrAnUnknownOptionWithoutSilentShowsABoxAndRemovesNothing) {
  struct Row {
    const char* args;
    DWORD exitCode;
    std::string text;  // the box's text starts so
  };
  const Row rows[] = {
      {"/?", 0, kUninstallerUsageStart},
      {"/help", 0, kUninstallerUsageStart},
      {"/uninstall", kInvalidCommandLine, std::string(kUninstallerUnknownOption) + ": /uninstall"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const Everything before = Snapshot();
    StartedProgram uninstaller = StartProgram(Uninstaller(), row.args, start_);
    ASSERT_TRUE(uninstaller.started());
    HWND box = WaitForMessageBox(kCaption, nullptr, 20000);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(0u, MessageBoxText(box).find(row.text)) << MessageBoxText(box);
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    DWORD exitCode = kNoExitCode;
    ASSERT_TRUE(uninstaller.Wait(20000, &exitCode));
    EXPECT_EQ(row.exitCode, exitCode);
    ExpectNothingRemoved(before, {});
  }
}

// A log that cannot be written, or whose name was not read whole, removes
// nothing, and the folders made for it go again.
TEST_F(UninstallerOptions, ALogThatCannotBeWrittenRemovesNothing) {
  const std::string area = kArea;
  WriteFileBytes(area + "a file", "not a folder");
  struct Row {
    const char* name;
    std::string log;
  };
  const Row rows[] = {
      {"a file where a folder must be", area + "a file\\u.log"},
      {"a name that is a folder, below new folders", area + "L5\\L6\\x.log\\"},
      {"longer than its buffer", area + "logs\\" + std::string(300, 'u') + ".log"},
      {"cut by an unquoted slash", area + "logs/u.log"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Everything before = Snapshot();
    const RunResult run = RunWithin(Uninstaller(), "/silent /log=" + row.log, start_);
    EXPECT_EQ(1622u, run.exitCode);
    ExpectNothingRemoved(before, {});
    EXPECT_FALSE(FolderExists(area + "L5")) << "a folder made for the log stayed";
    EXPECT_FALSE(FolderExists(area + "logs")) << "a log named after a cut name";
  }
}

TEST_F(UninstallerOptions, EachSilentAliasRemoves) {
  int n = 0;
  for (const char* alias : {"/S", "/SILENT", "/VERYSILENT", "/quiet", "/qn"}) {
    SCOPED_TRACE(alias);
    // A folder each: the copy that takes the uninstaller away may still be
    // at work in the last one.
    const std::string folder = std::string(kArea) + "alias" + std::to_string(n++) + "\\Pixorra\\";
    ASSERT_EQ(0u, RunWithin(SetupExePath(), "/silent /group=1 /folder=" + folder, start_).exitCode);
    const RunResult run = RunWithin(folder + "pv_uninstall.exe", alias, start_, 60000);
    EXPECT_FALSE(run.timedOut) << "a window waited";
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_FALSE(InstalledIn(folder));
  }
}

}  // namespace
