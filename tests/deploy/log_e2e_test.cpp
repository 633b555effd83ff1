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
    std::string file;  // where it is written
  };
  const std::string area = kArea;
  const Row rows[] = {
      {area + "logs\\run.log", area + "logs\\run.log"},
      {area + "logs\\new\\deeper\\still deeper\\run.log", area + "logs\\new\\deeper\\still deeper\\run.log"},
      {area + "logs\\quoted one\\run.log", area + "logs\\quoted one\\run.log"},
      // %NAME% references are expanded as in "/ini=", a quoted "/" is kept.
      {"%SystemDrive%\\pxtest\\deploy\\logs\\%PXNOSUCHNAME%expanded.log", area + "logs\\expanded.log"},
      {"C:/pxtest/deploy/logs/forward/run.log", area + "logs\\forward\\run.log"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.log);
    const RunResult run = Setup("/silent /folder=" + target_ + " /log=\"" + row.log + "\"");
    EXPECT_EQ(0u, run.exitCode);
    const Texts entries = EntriesOf(row.file);
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
  std::string windirs;  // 216 characters that expand to 270
  for (int i = 0; i < 27; ++i) windirs += "%windir%";
  struct Row {
    const char* name;
    std::string log;
    std::string behind;  // the text behind the closing quote
  };
  const Row rows[] = {
      {"a file where a folder must be", area + "a file\\run.log", ""},
      {"a file below that file", area + "a file\\deeper\\run.log", ""},
      {"the name is a folder", area + "a folder", ""},
      {"the folder chain runs through a link", area + "linked\\sub\\run.log", ""},
      {"the log's folder is a link", area + "linked\\run.log", ""},
      {"no drive", "Q:\\logs\\run.log", ""},
      // Folders made for a log that then cannot be opened go again.
      {"a name that is a folder, below new folders", area + "L5\\L6\\x.log\\", ""},
      // A name not read whole would be some other file.
      {"314 characters", area + "logs\\" + std::string(314 - 22 - 4, 'l') + ".log", ""},
      {"400 blanks behind the name", area + "logs\\run.log", std::string(400, ' ')},
      {"grows too long with its variables", area + "logs\\" + windirs + ".log", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Everything before = Snapshot();
    const RunResult run = Setup("/silent /folder=" + target_ + " /log=\"" + row.log + "\"" + row.behind);
    EXPECT_EQ(kLogNotWritable, run.exitCode);
    EXPECT_FALSE(FolderExists(area + "L5")) << "a folder made for the log stayed";
    EXPECT_FALSE(FolderExists(area + "logs")) << "a log named after a cut name";
    EXPECT_FALSE(FolderExists(target_));
    EXPECT_EQ(Texts{}, installtest::LogTexts(start_)) << "no other log instead";
    const Everything after = Snapshot();
    EXPECT_EQ(Texts{}, faulttest::ChangedOutside(before.disk, after.disk, {}));
    EXPECT_EQ(Texts{}, faulttest::RegistryDifferences(before.registry, after.registry));
  }
  EXPECT_EQ(std::vector<std::string>{}, ListFolder(area + "elsewhere\\")) << "created behind the link";
}

}  // namespace
