// The real setup and uninstaller in both scopes: the current user's
// installation (asked for with "/scope=user", or chosen by itself when the
// run has no administrator rights) leaves nothing below HKEY_LOCAL_MACHINE,
// in Program Files or in the all-users folders, is taken back exactly, and
// lives beside the machine's installation without either removal touching
// the other.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "shell/shell_expectations.h"
#include "support/px_test_support.h"
#include "uninstall/snapshot.h"

using namespace pxtest;
using namespace uninstalltest;

namespace {

constexpr const char* kSetupName = "PixorraSetup64.exe";
constexpr const char* kMachineFolder = "C:\\Program Files\\Pixorra\\";
constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64";
constexpr const char* kOpenCommandKey = "Software\\Classes\\Pixorra\\shell\\open\\command";

// How a run is started: as Wine starts every program (elevated, an
// administrator's run), or with the limited token that Windows gives a
// standard user (Wine hands it out as the elevated token's linked token).
enum class Start { kElevated, kWithoutElevation };

std::string UserFolder() { return SpecialFolder(CSIDL_LOCAL_APPDATA) + "Programs\\Pixorra\\"; }

// A program started with the limited token; the exit code, kNoExitCode when
// it could not be started or did not end in time.
DWORD RunWithoutElevation(const std::string& exe, const std::string& args, const std::string& workDir) {
  HANDLE own = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) return kNoExitCode;
  TOKEN_LINKED_TOKEN linked = {};
  DWORD size = 0;
  const BOOL haveLinked = GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size);
  CloseHandle(own);
  if (!haveLinked) return kNoExitCode;
  std::string line = "\"" + exe + "\" " + args;
  std::vector<char> command(line.begin(), line.end());
  command.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessAsUserA(linked.LinkedToken, exe.c_str(), command.data(), nullptr, nullptr, FALSE,
                                            0, nullptr, workDir.empty() ? nullptr : workDir.c_str(), &startup,
                                            &process);
  CloseHandle(linked.LinkedToken);
  if (!started) return kNoExitCode;
  CloseHandle(process.hThread);
  DWORD code = kNoExitCode;
  if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
  else TerminateProcess(process.hProcess, kNoExitCode);
  CloseHandle(process.hProcess);
  return code;
}

DWORD RunAs(Start start, const std::string& exe, const std::string& args, const std::string& workDir) {
  if (start == Start::kWithoutElevation) return RunWithoutElevation(exe, args, workDir);
  return RunProgram(exe, args, workDir).exitCode;
}

// The lines of a snapshot difference that name a place of the machine or of
// all users: its registry, Program Files, the common program data and the
// public profile.
std::string MachineLines(const std::string& difference) {
  std::istringstream lines(difference);
  std::string line, machine;
  while (std::getline(lines, line)) {
    for (const char* place : {"HKLM\\", "c:\\program files", "c:\\programdata\\", "c:\\users\\public\\"}) {
      if (line.compare(2, std::string(place).size(), place) == 0) machine += line + "\n";
    }
  }
  return machine;
}

bool Contains(const std::string& text, const std::string& part) {
  std::string lower = text, wanted = part;
  for (std::string* s : {&lower, &wanted}) {
    for (char& c : *s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return lower.find(wanted) != std::string::npos;
}

class ScopeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseAllViewers();
    Clean();
    work_ = MakeTempFolder("scope_work");
    // Windows has the user's folder for programs of their own; a new Wine
    // prefix does not. The setup makes it when it is missing, and it stays.
    CreateDirectoryA((SpecialFolder(CSIDL_LOCAL_APPDATA) + "Programs").c_str(), nullptr);
    for (const char* key : kUserParents) {
      if (RegKeyExists(HKEY_CURRENT_USER, key)) userParentsBefore_.insert(key);
    }
  }
  void TearDown() override {
    CloseAllViewers();
    Clean();
    RemoveFolderTree(work_);
    RemoveUninstallerCopies();
    // The user's installation makes these parents in HKCU and its removal
    // rightly leaves them; gone again when they were not there before.
    for (const char* key : kUserParents) {
      if (userParentsBefore_.count(key) == 0) RegDeleteKeyA(HKEY_CURRENT_USER, key);
    }
  }
  static void Clean() {
    shelltest::CleanRegistry();
    shelltest::CleanLinks();
    // The same keys below the current user.
    for (const char* key : {"Software\\Classes\\Pixorra", "Software\\Classes\\Applications\\px_main64.exe",
                            "Software\\Pixorra", kUninstallKey,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\px_main64.exe"}) {
      DeleteRegTree(HKEY_CURRENT_USER, key);
    }
    for (const std::string& sub : ListRegSubkeys(HKEY_CURRENT_USER, "Software\\Classes")) {
      if (sub.rfind("Pixorra.", 0) == 0 || sub[0] == '.') DeleteRegTree(HKEY_CURRENT_USER, "Software\\Classes\\" + sub);
    }
    DeleteRegValue(HKEY_CURRENT_USER, "Software\\RegisteredApplications", "Pixorra");
    RemoveFolderTree(kMachineFolder);
    RemoveFolderTree(UserFolder());
  }

  static constexpr const char* kUserParents[] = {
      "Software\\Classes\\Applications", "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts",
      "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "Software\\RegisteredApplications"};
  std::set<std::string> userParentsBefore_;

  std::string Log() { return ReadFileBytes(work_ + "Pixorra_Install.log") + ReadFileBytes(work_ + "Pixorra_Uninstall.log"); }

  void Install(Start start, const std::string& options, const std::string& version = "win7") {
    ScopedWineVersion wineVersion(kSetupName, version);
    EXPECT_EQ(0u, RunAs(start, SetupExePath(), "/silent " + options, work_)) << options << "\n" << Log();
  }

  // The scope's uninstall entry's QuietUninstallString, run as a deployment
  // tool would, and the folder gone afterwards.
  void Uninstall(Start start, HKEY root, const std::string& folder) {
    const std::string command = ReadRegValue(root, kUninstallKey, "QuietUninstallString").text;
    ASSERT_EQ("\"" + folder + "pv_uninstall.exe\" /silent", command);
    EXPECT_EQ(0u, RunAs(start, folder + "pv_uninstall.exe", "/silent", work_)) << Log();
    EXPECT_TRUE(WaitFor([&] { return !FolderExists(folder); }, 15000)) << folder;
  }

  std::string work_;
};

// ------------------------------------------------------- the user's own run

struct UserCase {
  const char* name;
  Start start;
  const char* options;
  const char* version;
  bool desktop;
};

const UserCase kUserCases[] = {
    {"option, every link and all formats", Start::kElevated,
     "/scope=user /group=1 /desktop=1 /thumbs=1 /assoc=2", "win7", true},
    {"option, links for all users asked", Start::kElevated,
     "/scope=user /group=1 /desktop=1 /allusers=1 /assoc=1", "win8", true},
    {"without elevation, no option", Start::kWithoutElevation, "/group=1 /thumbs=1 /assoc=1", "win7", false},
    {"without elevation, nothing chosen", Start::kWithoutElevation, "", "win10", false},
};

TEST_F(ScopeTest, UsersInstallationStaysInTheUsersPlacesAndGoesAgainExactly) {
  for (const UserCase& c : kUserCases) {
    SCOPED_TRACE(c.name);
    const Snapshot registry = RegistrySnapshot();
    const Snapshot disk = DiskSnapshot();
    Install(c.start, c.options, c.version);

    const std::string folder = UserFolder();
    const std::string registryAdded = Difference(registry, RegistrySnapshot());
    const std::string diskAdded = Difference(disk, DiskSnapshot());
    EXPECT_EQ("", MachineLines(registryAdded)) << registryAdded;
    EXPECT_EQ("", MachineLines(diskAdded)) << diskAdded;
    EXPECT_TRUE(FileExists(folder + "px_main64.exe"));
    EXPECT_EQ(folder, ReadRegValue(HKEY_CURRENT_USER, kUninstallKey, "InstallLocation").text);
    EXPECT_EQ("\"" + folder + "px_main64.exe\" \"%1\"", ReadRegValue(HKEY_CURRENT_USER, kOpenCommandKey, "").text);
    EXPECT_EQ("SOFTWARE\\Pixorra\\Capabilities",
              ReadRegValue(HKEY_CURRENT_USER, "Software\\RegisteredApplications", "Pixorra").text);
    EXPECT_TRUE(ReadRegValue(HKEY_CURRENT_USER, kUninstallKey, "InstallRecord").exists);
    EXPECT_TRUE(Contains(ReadFileBytes(folder + "pv_uninstall.dat"), "\r\nScope\tuser\r\n"));
    EXPECT_EQ(c.desktop, FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "Pixorra 64.lnk"));

    Uninstall(c.start, HKEY_CURRENT_USER, folder);
    EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
    EXPECT_EQ("", Difference(disk, DiskSnapshot()));
    EXPECT_EQ("", ReadFileBytes(work_ + "Pixorra_Uninstall.log")) << "a removal that succeeded logs nothing";
  }
}

// ----------------------------------------------------------- side by side

struct SideCase {
  const char* name;
  bool machineFirst;
  const char* machineOptions;
  const char* userOptions;
};

const SideCase kSideCases[] = {
    {"machine first, user's removed first", true, "/group=1 /allusers=1 /assoc=1",
     "/scope=user /group=1 /desktop=1 /assoc=1"},
    {"user first, machine's removed first", false, "/group=1 /desktop=1 /allusers=1 /thumbs=1",
     "/scope=user /group=1 /desktop=1 /assoc=1"},
};

TEST_F(ScopeTest, BothScopesSideBySideEachRemovedAlone) {
  for (const SideCase& c : kSideCases) {
    SCOPED_TRACE(c.name);
    const Snapshot registry = RegistrySnapshot();
    const Snapshot disk = DiskSnapshot();
    const std::string first = c.machineFirst ? c.machineOptions : c.userOptions;
    const std::string second = c.machineFirst ? c.userOptions : c.machineOptions;
    Install(Start::kElevated, first);
    const Snapshot registryOfFirst = RegistrySnapshot();
    const Snapshot diskOfFirst = DiskSnapshot();
    Install(Start::kElevated, second);
    EXPECT_EQ(kMachineFolder, ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").text);
    EXPECT_EQ(UserFolder(), ReadRegValue(HKEY_CURRENT_USER, kUninstallKey, "InstallLocation").text);

    // The second goes; the first is as it was before the second came.
    const bool userSecond = c.machineFirst;
    Uninstall(Start::kElevated, userSecond ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
              userSecond ? UserFolder() : kMachineFolder);
    EXPECT_EQ("", Difference(registryOfFirst, RegistrySnapshot()));
    EXPECT_EQ("", Difference(diskOfFirst, DiskSnapshot()));

    Uninstall(Start::kElevated, userSecond ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
              userSecond ? kMachineFolder : UserFolder());
    EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
    EXPECT_EQ("", Difference(disk, DiskSnapshot()));
  }
}

// ------------------------------------------------- the earlier installation

struct LookupCase {
  const char* name;
  Start start;
  const char* options;  // the second run's, without a folder
  bool intoEarlierFolder;
};

TEST_F(ScopeTest, TheNextRunFindsTheUsersInstallationInItsScope) {
  const LookupCase cases[] = {
      {"user's run with the option", Start::kElevated, "/scope=user /desktop=1", true},
      {"run without elevation", Start::kWithoutElevation, "/desktop=1", true},
      {"administrator's run", Start::kElevated, "/desktop=1", false},
  };
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string earlier = work_ + "Eigene Programme\\Pixorra\\";
    Install(Start::kElevated, "/scope=user /folder=" + earlier);
    Install(c.start, c.options);
    // The second run's link names the folder it installed into.
    const std::string target = ReadShellLink(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "Pixorra 64.lnk").target;
    EXPECT_EQ((c.intoEarlierFolder ? earlier : std::string(kMachineFolder)) + "px_main64.exe", target);
    EXPECT_EQ(earlier, ReadRegValue(HKEY_CURRENT_USER, kUninstallKey, "InstallLocation").text);
    EXPECT_FALSE(FolderExists(UserFolder())) << "the default folder is not used";
    EXPECT_EQ(c.intoEarlierFolder, !FolderExists(kMachineFolder));
    Clean();
    RemoveFolderTree(earlier);
  }
}

// The user's installation into the folder of the machine's: it knows the
// files there, and its record names only its own scope's keys, so that its
// uninstaller can use it.
TEST_F(ScopeTest, TheUsersInstallationInTheMachinesFolderKeepsItsRecordUsable) {
  const std::string shared = work_ + "Gemeinsam\\";
  Install(Start::kElevated, "/group=1 /allusers=1 /folder=" + shared);
  Install(Start::kElevated, "/scope=user /group=1 /folder=" + shared);
  EXPECT_FALSE(FolderExists(shared + "pv_kept\\")) << "the machine's files are known, not set aside";
  Uninstall(Start::kElevated, HKEY_CURRENT_USER, shared);
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kUninstallKey));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Classes\\Pixorra"));
  EXPECT_EQ(shared, ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").text)
      << "the machine's registration is not the user's uninstaller's to take";
}

}  // namespace
