// One run at a time: the real setup and uninstaller against a holder of the
// machine-wide run mutex (this test, or a helper process that is killed).
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

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

constexpr const char* kSetupUnknownHolder =
    "Die Sperre \x84PixorraSetupRun\x93, mit der sich Setup und Deinstallation von Pixorra abstimmen, ist von einem "
    "Programm belegt, dessen Herkunft sich nicht pr\xFC""fen l\xE4sst; ob eine andere Installation l\xE4uft, ist nicht "
    "bekannt. Es wurde nichts installiert.";
constexpr const char* kSetupNameTaken = "Der Name der Sperre \x84PixorraSetupRun\x93 ist von einem anderen Programm "
                                        "belegt, nicht von einem Setup von Pixorra. Es wurde nichts installiert.";
constexpr const char* kUninstallUnknownHolder =
    "Die Sperre \x84PixorraSetupRun\x93, mit der sich Setup und Deinstallation von Pixorra abstimmen, ist von einem "
    "Programm belegt, dessen Herkunft sich nicht pr\xFC""fen l\xE4sst; ob eine andere Installation l\xE4uft, ist nicht "
    "bekannt. Es wurde nichts entfernt.";
constexpr const char* kUninstallNameTaken = "Der Name der Sperre \x84PixorraSetupRun\x93 ist von einem anderen "
                                            "Programm belegt, nicht von einem Setup von Pixorra. Es wurde nichts entfernt.";

// Who made the mutex: an elevated setup (owned by Administrators, as the
// setup makes it) or any other program (owned by the user).
enum class Maker { kRun, kOtherProgram };

// The descriptor a maker gives the mutex: "O:BA..." as an elevated run, or
// the user's own SID as owner.
std::string DescriptorOf(Maker maker) {
  if (maker == Maker::kRun) return "O:BAD:(A;;GA;;;BA)(A;;GA;;;SY)";
  HANDLE token = nullptr;
  std::string owner = "O:BA";
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    char buffer[256];
    DWORD size = 0;
    char* text = nullptr;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
      owner = std::string("O:") + text;
      LocalFree(text);
    }
    CloseHandle(token);
  }
  return owner + "D:(A;;GA;;;WD)";
}

HANDLE CreateRunMutexAs(Maker maker) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(DescriptorOf(maker).c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return nullptr;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  HANDLE mutex = CreateMutexA(&attributes, FALSE, kMutexName);
  LocalFree(descriptor);
  return mutex;
}

// The mutex held by this test process until Release or the object's end.
class HeldRunMutex {
 public:
  explicit HeldRunMutex(Maker maker = Maker::kRun) : mutex_(CreateRunMutexAs(maker)) {
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

// A lock whose maker is not a setup: the run does not wait for it, and
// its log does not claim another installation.
TEST_F(RunLockTest, AHolderOfUnknownOriginIsNamedAndNotWaitedFor) {
  const std::string folder = work_ + "A\\";
  ASSERT_EQ(0u, Setup(folder).exitCode) << InstallLog();
  const std::vector<std::string> files = ListFolder(folder);
  DeleteFileA((work_ + "Pixorra_Install.log").c_str());
  struct Row {
    const char* name;
    bool event;  // an event of the name instead of a mutex
    const char* setupText;
    const char* uninstallText;
  };
  const Row rows[] = {
      {"a mutex made by another program", false, kSetupUnknownHolder, kUninstallUnknownHolder},
      {"an event of that name", true, kSetupNameTaken, kUninstallNameTaken},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    HANDLE event = row.event ? CreateEventA(nullptr, TRUE, FALSE, kMutexName) : nullptr;
    HeldRunMutex held(Maker::kOtherProgram);
    ASSERT_TRUE(row.event ? event != nullptr : held.held());
    const DWORD start = GetTickCount();
    const RunResult setup = Setup(work_ + "B\\");
    const RunResult uninstall = RunProgram(folder + "pv_uninstall.exe", "/silent", work_, kRefusedRunMs);
    EXPECT_LT(GetTickCount() - start, 9000u) << "waited for the holder";
    EXPECT_EQ(kOtherRun, setup.exitCode);
    EXPECT_EQ(kOtherRun, uninstall.exitCode);
    EXPECT_NE(std::string::npos, InstallLog().find(row.setupText)) << InstallLog();
    EXPECT_NE(std::string::npos, UninstallLog().find(row.uninstallText)) << UninstallLog();
    EXPECT_EQ(std::string::npos, InstallLog().find(kSetupRefusal)) << InstallLog();
    EXPECT_FALSE(FolderExists(work_ + "B\\"));
    EXPECT_EQ(files, ListFolder(folder));
    EXPECT_EQ(folder, ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").text);
    if (event != nullptr) CloseHandle(event);
    DeleteFileA((work_ + "Pixorra_Install.log").c_str());
    DeleteFileA((work_ + "Pixorra_Uninstall.log").c_str());
  }
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
