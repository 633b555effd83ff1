// One run at a time: the real setup and uninstaller against a holder of the
// machine-wide run mutex (this test, or a helper process that is killed).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "shell/shell_expectations.h"
#include "support/px_test_support.h"

using namespace pxtest;

namespace {

constexpr const char* kMutexName = "Global\\PixorraSetupRun";
constexpr const char* kSetupName = "PixorraSetup64.exe";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64";
constexpr const char* kOpenCommandKey = "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command";
constexpr DWORD kOtherRun = 1618;
// The runs wait ten seconds for the mutex; a refused run ends well within this.
constexpr DWORD kRefusedRunMs = 40000;
constexpr const char* kSetupRefusal = "Eine andere Installation oder Deinstallation von Pixorra l\xE4uft gerade, "
                                      "es wurde nichts installiert.";
constexpr const char* kUninstallRefusal = "Eine andere Installation oder Deinstallation von Pixorra l\xE4uft gerade, "
                                          "es wurde nichts entfernt.";

// The mutex held by this test process until Release or the object's end.
class HeldRunMutex {
 public:
  HeldRunMutex() : mutex_(CreateMutexA(nullptr, FALSE, kMutexName)) {
    held_ = mutex_ != nullptr && WaitForSingleObject(mutex_, 5000) == WAIT_OBJECT_0;
  }
  ~HeldRunMutex() {
    Release();
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  bool held() const { return held_; }
  void Release() {
    if (held_) ReleaseMutex(mutex_);
    held_ = false;
  }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

std::string LockHolderPath() { return HostToWindowsPath(PX_BUILD_DIR "/tests/bin/px_lock_holder.exe"); }

class RunLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clean();
    work_ = MakeTempFolder("run_lock");
  }
  void TearDown() override {
    Clean();
    RemoveFolderTree(work_);
    RemoveUninstallerCopies();
  }
  void Clean() {
    shelltest::CleanRegistry();
    shelltest::CleanLinks();
    if (!work_.empty()) {
      for (const char* name : {"A\\", "B\\"}) RemoveFolderTree(work_ + name);
    }
  }
  std::string InstallLog() { return ReadFileBytes(work_ + "Pixorra_Install.log"); }
  std::string UninstallLog() { return ReadFileBytes(work_ + "Pixorra_Uninstall.log"); }
  RunResult Setup(const std::string& folder) {
    ScopedWineVersion version(kSetupName, "win7");
    return RunSetup("/silent /group=1 /assoc=1 /folder=" + folder, work_, kRefusedRunMs);
  }

  std::string work_;
};

// While another run holds the mutex, a second setup (into another folder)
// and the uninstaller of the installation, started together so that the
// ten seconds are waited once, both change nothing and say why.
TEST_F(RunLockTest, SetupAndUninstallerWhileAnotherRunHoldsTheMutexChangeNothing) {
  const std::string folder = work_ + "A\\";
  const std::string other = work_ + "B\\";
  ASSERT_EQ(0u, Setup(folder).exitCode) << InstallLog();
  DeleteFileA((work_ + "Pixorra_Install.log").c_str());
  const std::vector<std::string> files = ListFolder(folder);
  const std::vector<std::string> group = ListFolder(shelltest::GroupFolder(false));
  ASSERT_FALSE(group.empty());
  {
    HeldRunMutex held;
    ASSERT_TRUE(held.held());
    ScopedWineVersion version(kSetupName, "win7");
    StartedProgram setup = StartProgram(SetupExePath(), "/silent /group=1 /assoc=1 /folder=" + other, work_);
    StartedProgram uninstaller = StartProgram(folder + "pv_uninstall.exe", "/silent", work_);
    ASSERT_TRUE(setup.started());
    ASSERT_TRUE(uninstaller.started());
    DWORD setupCode = kNoExitCode;
    DWORD uninstallCode = kNoExitCode;
    ASSERT_TRUE(setup.Wait(kRefusedRunMs, &setupCode));
    ASSERT_TRUE(uninstaller.Wait(kRefusedRunMs, &uninstallCode));
    EXPECT_EQ(kOtherRun, setupCode);
    EXPECT_EQ(kOtherRun, uninstallCode);
  }
  EXPECT_NE(std::string::npos, InstallLog().find(kSetupRefusal)) << InstallLog();
  EXPECT_NE(std::string::npos, UninstallLog().find(kUninstallRefusal)) << UninstallLog();
  EXPECT_FALSE(FolderExists(other));
  EXPECT_EQ(files, ListFolder(folder));
  EXPECT_EQ(group, ListFolder(shelltest::GroupFolder(false)));
  EXPECT_EQ(folder, ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").text);
  EXPECT_EQ("\"" + folder + "px_main64.exe\" \"%1\"", ReadRegValue(HKEY_LOCAL_MACHINE, kOpenCommandKey, "").text);
}

// The help and a mistyped option answer at once, whoever holds the mutex.
TEST_F(RunLockTest, HelpAndUnknownOptionsDoNotWait) {
  HeldRunMutex held;
  ASSERT_TRUE(held.held());
  struct Case {
    const char* args;
    DWORD exitCode;
  };
  for (const Case& c : {Case{"/silent /?", 0u}, Case{"/silent /foldr=C:\\X", 1639u}}) {
    const DWORD start = GetTickCount();
    const RunResult run = RunSetup(c.args, work_, kRefusedRunMs);
    EXPECT_EQ(c.exitCode, run.exitCode) << c.args;
    EXPECT_LT(GetTickCount() - start, 8000u) << c.args << ": waited for the mutex";
  }
}

// A holder that lets go while the setup waits: the setup goes ahead.
TEST_F(RunLockTest, ReleasedWithinTheWaitTheSetupProceeds) {
  const std::string folder = work_ + "A\\";
  HeldRunMutex held;
  ASSERT_TRUE(held.held());
  ScopedWineVersion version(kSetupName, "win7");
  StartedProgram setup = StartProgram(SetupExePath(), "/silent /group=1 /folder=" + folder, work_);
  ASSERT_TRUE(setup.started());
  // Still waiting two seconds on, with nothing made yet.
  EXPECT_FALSE(setup.Wait(2000));
  EXPECT_FALSE(FolderExists(folder));
  held.Release();
  DWORD exitCode = 0;
  ASSERT_TRUE(setup.Wait(60000, &exitCode));
  EXPECT_EQ(0u, exitCode) << InstallLog();
  EXPECT_TRUE(FileExists(folder + "px_main64.exe"));
  EXPECT_EQ(folder, ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").text);
}

// A holder that was killed (the mutex is abandoned) blocks nobody.
TEST_F(RunLockTest, KilledHolderDoesNotBlock) {
  const std::string eventName = "PxLockHolderReady" + std::to_string(GetCurrentProcessId());
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
  ASSERT_NE(nullptr, ready);
  StartedProgram holder = StartProgram(LockHolderPath(), eventName);
  ASSERT_TRUE(holder.started());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 15000)) << "the helper never held the mutex";
  CloseHandle(ready);
  holder.Terminate();
  ASSERT_TRUE(holder.Wait(10000));

  const std::string folder = work_ + "A\\";
  const DWORD start = GetTickCount();
  EXPECT_EQ(0u, Setup(folder).exitCode) << InstallLog();
  EXPECT_LT(GetTickCount() - start, 9000u) << "waited for a holder that is gone";
  EXPECT_TRUE(FileExists(folder + "px_main64.exe"));
  EXPECT_EQ(0u, RunProgram(folder + "pv_uninstall.exe", "/silent", work_, kRefusedRunMs).exitCode) << UninstallLog();
  EXPECT_TRUE(WaitFor([&] { return !FolderExists(folder); }, 15000));
}

ULONGLONG ExitTime(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<ULONGLONG>(exited.dwHighDateTime) << 32) | exited.dwLowDateTime;
}

// Two deployments at once into two folders: one waits for the other, both
// succeed, and the registration is wholly the one that ran last.
TEST_F(RunLockTest, TwoSetupsAtOnceRunOneAfterTheOther) {
  const std::string a = work_ + "A\\";
  const std::string b = work_ + "B\\";
  ScopedWineVersion version(kSetupName, "win7");
  const std::string options = "/silent /group=1 /assoc=1 /log=";
  StartedProgram first = StartProgram(SetupExePath(), options + work_ + "a.log /folder=" + a, work_);
  StartedProgram second = StartProgram(SetupExePath(), options + work_ + "b.log /folder=" + b, work_);
  ASSERT_TRUE(first.started());
  ASSERT_TRUE(second.started());
  DWORD firstCode = kNoExitCode;
  DWORD secondCode = kNoExitCode;
  ASSERT_TRUE(first.Wait(60000, &firstCode));
  ASSERT_TRUE(second.Wait(60000, &secondCode));
  EXPECT_EQ(0u, firstCode) << ReadFileBytes(work_ + "a.log");
  EXPECT_EQ(0u, secondCode) << ReadFileBytes(work_ + "b.log");
  const std::string last = ExitTime(first.process()) > ExitTime(second.process()) ? a : b;

  EXPECT_EQ(last, ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").text);
  EXPECT_EQ("\"" + last + "px_main64.exe\" \"%1\"", ReadRegValue(HKEY_LOCAL_MACHINE, kOpenCommandKey, "").text);
  const std::string sizeKb = shelltest::InstalledPayloadKb(last);
  EXPECT_EQ("", shelltest::CompareFootprint(shelltest::ExpectedFootprint(last, shelltest::Choice::Images, false, sizeKb)));
  for (const char* link : {"Pixorra - Thumbnails.lnk", "Pixorra deinstallieren.lnk"}) {
    const std::string path = shelltest::GroupFolder(false) + link;
    if (FileExists(path)) {
      EXPECT_EQ(0u, ReadShellLink(path).target.find(last)) << link;
    }
  }
}

}  // namespace
