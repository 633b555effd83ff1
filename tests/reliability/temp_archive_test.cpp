// The temporary copy of the payload archive: while the setup unpacks it, no
// other process may change, replace or delete it, and it never outlives the
// setup's unpacking, whether that works, fails or is cut short.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "reliability/fault_support.h"
#include "support/px_test_support.h"

using namespace pxtest;
using namespace faulttest;

namespace {

struct Attempts {
  int seen = 0;           // polls that found the file
  int openedForWrite = 0; // polls that could open it for writing
  int deleted = 0;        // polls that could delete or rename it
};

// Polls the archive as fast as possible while the setup runs, trying what
// another program would do to swap the file.
Attempts Attack(const std::string& archive, const StartedProgram& setup, bool stopWhenSeen) {
  Attempts attempts;
  const std::string moved = archive + ".moved";
  while (setup.IsRunning()) {
    HANDLE writer = CreateFileA(archive.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    const DWORD error = GetLastError();
    if (writer != INVALID_HANDLE_VALUE) {
      ++attempts.seen;
      ++attempts.openedForWrite;
      CloseHandle(writer);
    } else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      ++attempts.seen;
      if (MoveFileExA(archive.c_str(), moved.c_str(), 0)) {
        ++attempts.deleted;
        MoveFileExA(moved.c_str(), archive.c_str(), 0);
      }
      if (stopWhenSeen) break;
    }
  }
  return attempts;
}

class TempArchive : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetInstallations();
    temp_ = MakeTempFolder("temparchive\\temp");
    target_ = MakeTempFolder("temparchive\\target") + "Pixorra\\";
    archive_ = temp_ + "pxmaing_x64.zip";
  }
  void TearDown() override {
    RemoveFolderTree("C:\\pxtest\\temparchive\\");
    ForgetInstallations();
  }
  std::string temp_, target_, archive_;
};

TEST_F(TempArchive, NobodyCanChangeItDuringTheUnpackingAndItIsGoneAfterwards) {
  ScopedEnv temp("TEMP", temp_), tmp("TMP", temp_);
  // The unpacking takes a fraction of a second: a few runs make sure the
  // file was seen at all.
  Attempts total;
  for (int run = 0; run < 5 && total.seen < 20; ++run) {
    StartedProgram setup = StartProgram(SetupExePath(), "/silent /folder=" + target_, temp_);
    ASSERT_TRUE(setup.started());
    const Attempts attempts = Attack(archive_, setup, false);
    DWORD exitCode = 1;
    ASSERT_TRUE(setup.Wait(120000, &exitCode));
    EXPECT_EQ(kInstalled, exitCode);
    EXPECT_FALSE(FileExists(archive_)) << "run " << run;
    total.seen += attempts.seen;
    total.openedForWrite += attempts.openedForWrite;
    total.deleted += attempts.deleted;
  }
  EXPECT_GT(total.seen, 0) << "the archive was never seen: the test proved nothing";
  EXPECT_EQ(0, total.openedForWrite);
  EXPECT_EQ(0, total.deleted);
  EXPECT_EQ(std::vector<std::string>{}, MissingOrDifferent(target_));
}

TEST_F(TempArchive, GoneAfterAFailedUnpacking) {
  ScopedEnv temp("TEMP", temp_), tmp("TMP", temp_);
  RunResult run = RunProgram(VariantSetupPath("damaged"), "/silent /folder=" + target_, temp_);
  EXPECT_EQ(kFailed, run.exitCode);
  EXPECT_FALSE(FileExists(archive_));
}

TEST_F(TempArchive, GoneWhenTheSetupIsKilledWhileUnpacking) {
  ScopedEnv temp("TEMP", temp_), tmp("TMP", temp_);
  bool killedWhileThere = false;
  for (int run = 0; run < 5 && !killedWhileThere; ++run) {
    StartedProgram setup = StartProgram(SetupExePath(), "/silent /folder=" + target_, temp_);
    ASSERT_TRUE(setup.started());
    const Attempts attempts = Attack(archive_, setup, true);
    if (attempts.seen > 0 && setup.IsRunning()) {
      setup.Terminate();
      killedWhileThere = true;
    }
    setup.Wait(30000);
    EXPECT_TRUE(WaitFor([&] { return !FileExists(archive_); }, 5000)) << "run " << run;
  }
  if (!killedWhileThere) GTEST_SKIP() << "the setup never was caught in its unpacking";
  // The killed run left its journal; the next run takes it back before it
  // looks at anything else, even one that then refuses its folder.
  HKEY journal = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\PixorraSetup", 0, KEY_READ, &journal));
  RegCloseKey(journal);
  EXPECT_EQ(kFailed, RunProgram(SetupExePath(), "/silent /folder=relpix", temp_).exitCode);
  EXPECT_NE(ReadFileBytes(temp_ + "Pixorra_Install.log").find("Eine unterbrochene Installation wurde zur\xFC" "ckgenommen."),
            std::string::npos);
  EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\PixorraSetup", 0, KEY_READ, &journal));
  EXPECT_FALSE(FolderExists(target_)) << "what the killed run unpacked is taken back with the folder it made";
}

TEST_F(TempArchive, AFileInTheWayFailsTheRunAndStaysUntouched) {
  ScopedEnv temp("TEMP", temp_), tmp("TMP", temp_);
  // Another program holds a file of that name open, sharing nothing.
  WriteFileBytes(archive_, "someone else's");
  HANDLE held = CreateFileA(archive_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  RunResult run = RunProgram(SetupExePath(), "/silent /folder=" + target_, temp_);
  CloseHandle(held);
  EXPECT_EQ(kFailed, run.exitCode);
  EXPECT_EQ("someone else's", ReadFileBytes(archive_));
}

}  // namespace
