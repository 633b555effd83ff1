// A start on a window station nobody sees (a service's, a deployment agent's
// in session 0): without "/silent" no wizard waits there for a click; the
// log says why and the exit code is 1639. The setup is started the way such
// an agent's child is: STARTUPINFO.lpDesktop names a station of its own,
// which Wine creates for the child, not visible and not "WinSta0".
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
constexpr wchar_t kStationDesktop[] = L"px_noninteractive\\Default";
constexpr char kStation[] = "px_noninteractive";

// The setup on that station: the full exit code, or kNoExitCode when it
// still ran after timeoutMs (then it is ended).
DWORD RunOnHiddenStation(const std::string& args, const std::string& workDir, DWORD timeoutMs) {
  const std::string line = "\"" + SetupExePath() + "\" " + args;
  std::wstring wideLine = outcomes::Wide(line);
  const std::wstring wideDir = outcomes::Wide(workDir);
  std::wstring desktop = kStationDesktop;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.lpDesktop = &desktop[0];
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &wideLine[0], nullptr, nullptr, FALSE, 0, nullptr, wideDir.c_str(), &startup,
                      &process)) {
    ADD_FAILURE() << "not started: " << GetLastError();
    return kNoExitCode;
  }
  DWORD exitCode = kNoExitCode;
  if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &exitCode);
  } else {
    TerminateProcess(process.hProcess, kNoExitCode);
    WaitForSingleObject(process.hProcess, 10000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode;
}

class HiddenStation : public ::testing::Test {
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
  std::string start_;
};

TEST_F(HiddenStation, NoWizardWaitsThereAndTheLogSaysWhy) {
  const std::string named = std::string(kArea) + "logs\\agent.log";
  const std::string noDesktop = std::string(kNoDesktop) + ": " + kStation;
  struct Row {
    std::string args;
    DWORD exitCode;
    std::string log;
    std::string entry;  // the whole entry; for the usage its first line
  };
  const std::string startLog = start_ + installtest::kLogName;
  const Row rows[] = {
      {"", kInvalidCommandLine, startLog, noDesktop},
      {"/folder=C:\\pxtest\\deploy\\agent\\Pixorra /group=1 /assoc=1", kInvalidCommandLine, startLog, noDesktop},
      {"/log=" + named, kInvalidCommandLine, named, noDesktop},
      {"/?", 0, startLog, kUsageStart},
      {"/foldr=C:\\pxtest\\deploy\\agent", kInvalidCommandLine, startLog,
       std::string(kUnknownOption) + ": /foldr=C:\\pxtest\\deploy\\agent"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    DeleteFileA(startLog.c_str());
    DeleteFileA(named.c_str());
    const Everything before = Snapshot();
    EXPECT_EQ(row.exitCode, RunOnHiddenStation(row.args, start_, 30000));
    const Texts entries = EntriesOf(row.log);
    ASSERT_EQ(1u, entries.size());
    if (row.exitCode == 0) {
      EXPECT_EQ(0u, entries[0].find(row.entry)) << entries[0];
    } else {
      EXPECT_EQ(row.entry, entries[0]);
    }
    const Everything after = Snapshot();
    EXPECT_EQ(Texts{}, faulttest::ChangedOutside(before.disk, after.disk, {start_, std::string(kArea) + "logs\\"}));
    EXPECT_EQ(Texts{}, faulttest::RegistryDifferences(before.registry, after.registry));
  }
}

TEST_F(HiddenStation, ASilentRunInstallsThere) {
  const std::string target = std::string(kArea) + "agent\\Pixorra\\";
  EXPECT_EQ(0u, RunOnHiddenStation("/S /group=1 /folder=" + target, start_, 60000));
  EXPECT_TRUE(InstalledIn(target));
  // Nobody sees that station: the run counts as a machine account's, its
  // group went to all users, and the log says so (naming the account).
  const Texts entries = installtest::LogTexts(start_);
  ASSERT_EQ(1u, entries.size());
  EXPECT_EQ(0u, entries[0].find("Verkn\xFCpfungen f\xFCr alle Benutzer angelegt statt im Profil des Kontos ohne "
                                "Benutzersitzung: "))
      << entries[0];
}

}  // namespace
