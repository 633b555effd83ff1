// "/log=" end to end: missing folders are made (never behind a link), and a
// log that cannot be written ends the run before any change with 1622.
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

constexpr DWORD kLogNotWritable = 1622;

class NamedLog : public ::testing::Test {
 protected:
  void SetUp() override {
    faulttest::ForgetInstallations();
    RemoveHostLink(std::string(kArea) + "linked");
    RemoveFolderTree(kArea);
    start_ = MakeTempFolder("deploy\\start");
    target_ = std::string(kArea) + "target\\Pixorra\\";
  }
  void TearDown() override {
    RemoveHostLink(std::string(kArea) + "linked");
    RemoveFolderTree(kArea);
    faulttest::ForgetInstallations();
  }
  RunResult Setup(const std::string& args) { return RunWithin(SetupExePath(), args, start_, 60000); }
  std::string start_;
  std::string target_;
};

TEST_F(NamedLog, MissingFoldersAreCreatedAndGetTheResult) {
  struct Row {
    std::string log;
  };
  const Row rows[] = {
      {std::string(kArea) + "logs\\run.log"},
      {std::string(kArea) + "logs\\new\\deeper\\still deeper\\run.log"},
      {std::string(kArea) + "logs\\quoted one\\run.log"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.log);
    const RunResult run = Setup("/silent /folder=" + target_ + " /log=\"" + row.log + "\"");
    EXPECT_EQ(0u, run.exitCode);
    const Texts entries = EntriesOf(row.log);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(0u, entries[0].find(target_ + ": Installation abgeschlossen ("))
        << entries[0];
    EXPECT_NE(std::string::npos, entries[0].find("), Exit-Code 0")) << entries[0];
    faulttest::ForgetInstallations();
  }
}

TEST_F(NamedLog, ALogThatCannotBeWrittenEndsTheRunBeforeAnyChange) {
  const std::string area = kArea;
  WriteFileBytes(area + "a file", "not a folder");
  MakeTempFolder("deploy\\a folder");
  MakeTempFolder("deploy\\elsewhere");
  ASSERT_TRUE(MakeHostLink(area + "elsewhere", area + "linked"));
  struct Row {
    const char* name;
    std::string log;
  };
  const Row rows[] = {
      {"a file where a folder must be", area + "a file\\run.log"},
      {"a file below that file", area + "a file\\deeper\\run.log"},
      {"the name is a folder", area + "a folder"},
      {"the folder chain runs through a link", area + "linked\\sub\\run.log"},
      {"the log's folder is a link", area + "linked\\run.log"},
      {"no drive", "Q:\\logs\\run.log"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Everything before = Snapshot();
    const RunResult run = Setup("/silent /folder=" + target_ + " /log=\"" + row.log + "\"");
    EXPECT_EQ(kLogNotWritable, run.exitCode);
    EXPECT_FALSE(FolderExists(target_));
    EXPECT_EQ(Texts{}, installtest::LogTexts(start_)) << "no other log instead";
    const Everything after = Snapshot();
    EXPECT_EQ(Texts{}, faulttest::ChangedOutside(before.disk, after.disk, {}));
    EXPECT_EQ(Texts{}, faulttest::RegistryDifferences(before.registry, after.registry));
  }
  EXPECT_EQ(std::vector<std::string>{}, ListFolder(area + "elsewhere\\")) << "created behind the link";
}

}  // namespace
