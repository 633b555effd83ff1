// The real setup and uninstaller in both scopes: the current user's
// installation (asked for with "/scope=user", or chosen by itself when the
// run has no administrator rights) leaves nothing below HKEY_LOCAL_MACHINE,
// in Program Files or in the all-users folders, is taken back exactly, and
// lives beside the machine's installation without either removal touching
// the other.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/journal.h"
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
constexpr const char* kJournalKey = "SOFTWARE\\PixorraSetup";

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
    DeleteRegTree(HKEY_LOCAL_MACHINE, kJournalKey);
    DeleteRegTree(HKEY_CURRENT_USER, kJournalKey);
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
  const char* version = "win7";  // from Windows 8 on the user choices are written too
  // The second's removal fails once (a file of it held open) after its
  // registration has gone, and is run again.
  bool secondRemovedTwice = false;
};

const SideCase kSideCases[] = {
    {"machine first, user's removed first", true, "/group=1 /allusers=1 /assoc=1",
     "/scope=user /group=1 /desktop=1 /assoc=1"},
    {"user first, machine's removed first", false, "/group=1 /desktop=1 /allusers=1 /thumbs=1",
     "/scope=user /group=1 /desktop=1 /assoc=1"},
    {"user choices, machine first, user's removed first twice", true, "/assoc=1", "/scope=user /assoc=1", "win8",
     true},
    {"user choices, user first, machine's removed first twice", false, "/assoc=1", "/scope=user /assoc=1", "win8",
     true},
};

TEST_F(ScopeTest, BothScopesSideBySideEachRemovedAlone) {
  // Every Windows user's hive has its classes key; a new Wine prefix's has
  // not (the user's installation alone makes it and removes it again).
  HKEY classes = nullptr;
  DWORD made = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, nullptr, 0, KEY_READ, nullptr,
                                           &classes, &made));
  RegCloseKey(classes);
  for (const SideCase& c : kSideCases) {
    SCOPED_TRACE(c.name);
    const Snapshot registry = RegistrySnapshot();
    const Snapshot disk = DiskSnapshot();
    const std::string first = c.machineFirst ? c.machineOptions : c.userOptions;
    const std::string second = c.machineFirst ? c.userOptions : c.machineOptions;
    Install(Start::kElevated, first, c.version);
    const Snapshot registryOfFirst = RegistrySnapshot();
    const Snapshot diskOfFirst = DiskSnapshot();
    Install(Start::kElevated, second, c.version);
    EXPECT_EQ(kMachineFolder, ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").text);
    EXPECT_EQ(UserFolder(), ReadRegValue(HKEY_CURRENT_USER, kUninstallKey, "InstallLocation").text);

    // The second goes; the first is as it was before the second came.
    const bool userSecond = c.machineFirst;
    if (c.secondRemovedTwice) {
      const std::string folder = userSecond ? UserFolder() : kMachineFolder;
      HANDLE held = CreateFileA((folder + "px_main64.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
      ASSERT_NE(INVALID_HANDLE_VALUE, held);
      EXPECT_EQ(1603u, RunProgram(folder + "pv_uninstall.exe", "/silent", work_).exitCode) << Log();
      CloseHandle(held);
    }
    Uninstall(Start::kElevated, userSecond ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
              userSecond ? UserFolder() : kMachineFolder);
    EXPECT_EQ("", Difference(registryOfFirst, RegistrySnapshot()));
    EXPECT_EQ("", Difference(diskOfFirst, DiskSnapshot()));

    Uninstall(Start::kElevated, userSecond ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
              userSecond ? kMachineFolder : UserFolder());
    EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
    EXPECT_EQ("", Difference(disk, DiskSnapshot()));
  }
  if (made == REG_CREATED_NEW_KEY) RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Classes");
}

// The user's links and the machine's links for this user (without "all
// users") share their places: each link stays with the installation it
// leads into, the second run leaves the first one's links alone, and no
// removal takes the other's or leaves an empty group behind.
struct SharedLinksCase {
  const char* name;
  bool userFirst;
};

TEST_F(ScopeTest, LinksInTheSamePlacesStayWithTheirInstallation) {
  const SharedLinksCase cases[] = {{"user's first", true}, {"machine's first", false}};
  const std::string group = SpecialFolder(CSIDL_PROGRAMS) + "Pixorra\\";
  const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "Pixorra 64.lnk";
  for (const SharedLinksCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Snapshot registry = RegistrySnapshot();
    const Snapshot disk = DiskSnapshot();
    const std::string user = "/scope=user /group=1 /desktop=1", machine = "/group=1 /desktop=1 /allusers=0";
    Install(Start::kElevated, c.userFirst ? user : machine);
    Install(Start::kElevated, c.userFirst ? machine : user);
    const std::string firstFolder = c.userFirst ? UserFolder() : std::string(kMachineFolder);
    EXPECT_EQ(firstFolder + "px_main64.exe", ReadShellLink(desktop).target) << "the first one's link is left";

    Uninstall(Start::kElevated, HKEY_LOCAL_MACHINE, kMachineFolder);
    if (c.userFirst) {
      EXPECT_EQ(UserFolder() + "px_main64.exe", ReadShellLink(desktop).target);
      EXPECT_FALSE(ListFolder(group, false).empty());
    } else {
      EXPECT_FALSE(FileExists(desktop));
      EXPECT_FALSE(FolderExists(group)) << "no empty group";
    }
    Uninstall(Start::kElevated, HKEY_CURRENT_USER, UserFolder());
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

// Scopes never share a folder: each removal takes its own registration and
// the folder's files, so a second scope's installation there would leave the
// first registered over nothing. The second run is refused before any
// change, and the first is removed completely afterwards.
struct SharedCase {
  const char* name;
  const char* first;   // options, the folder added
  const char* second;  // the same folder, spelled as given
  bool secondFolderUpper;
  HKEY firstRoot;
  const char* message;
  // The machine's installation then moved to its default folder: only the
  // record left in the first folder says whose it is (and the machine's
  // removal takes that folder as one it moved from).
  bool machineMovedAway;
};

TEST_F(ScopeTest, AFolderHoldsTheInstallationOfOneScopeOnly) {
  const SharedCase cases[] = {
      {"user's run into the machine's folder", "/group=1 /allusers=1", "/scope=user /group=1", false,
       HKEY_LOCAL_MACHINE, "bereits f\xfcr alle Benutzer installiert", false},
      {"the same, spelled in capitals", "/group=1 /allusers=1", "/scope=user /group=1", true, HKEY_LOCAL_MACHINE,
       "bereits f\xfcr alle Benutzer installiert", false},
      {"user's run into the folder the machine's moved from", "/group=1 /allusers=1", "/scope=user /group=1", false,
       HKEY_LOCAL_MACHINE, "bereits f\xfcr alle Benutzer installiert", true},
      {"machine's run into the user's folder", "/scope=user /group=1", "/group=1 /allusers=1", false,
       HKEY_CURRENT_USER, "bereits nur f\xfcr einen Benutzer installiert", false},
  };
  for (const SharedCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string shared = work_ + "Gemeinsam\\";
    std::string spelled = shared;
    if (c.secondFolderUpper) {
      for (char& ch : spelled) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    }
    Install(Start::kElevated, std::string(c.first) + " /folder=" + shared);
    if (c.machineMovedAway) Install(Start::kElevated, std::string(c.first) + " /folder=" + kMachineFolder);
    const Snapshot registry = RegistrySnapshot();
    const Snapshot disk = DiskSnapshot();
    const std::string files = ReadFileBytes(shared + "pv_uninstall.dat");
    DeleteFileA((work_ + "Pixorra_Install.log").c_str());
    ScopedWineVersion wineVersion(kSetupName, "win7");
    EXPECT_EQ(1603u, RunAs(Start::kElevated, SetupExePath(), std::string("/silent ") + c.second + " /folder=" + spelled,
                           work_));
    EXPECT_TRUE(Contains(Log(), c.message)) << Log();
    EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
    EXPECT_EQ("", Difference(disk, DiskSnapshot()));
    EXPECT_EQ(files, ReadFileBytes(shared + "pv_uninstall.dat"));
    Uninstall(Start::kElevated, c.firstRoot, c.machineMovedAway ? std::string(kMachineFolder) : shared);
    EXPECT_FALSE(FolderExists(shared));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kUninstallKey));
    Clean();
  }
}

// ------------------------------------------------ the user's journal planted

// What a planted journal would take: a key of the machine, a value of its
// Run key, an empty folder, a file and the all-users Startup folder.
constexpr const char* kVictimKey = "SOFTWARE\\PxVictim";
constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kVictimFolder = "C:\\pxvictimdir\\";
constexpr const char* kVictimFile = "C:\\pxvictim.ini";

void WriteJournalValue(HKEY root, const std::string& name, const std::string& text) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, kJournalKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                                           &key, nullptr));
  RegSetValueExA(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.data()),
                 static_cast<DWORD>(text.size()));
  RegCloseKey(key);
}

// A cut-off run of the user's, as a process without administrator rights
// can write it: hostile names every place above, otherwise only the user's
// folder made on the way.
std::string UsersJournal(const std::string& folder, bool hostile) {
  journal::Journal j;
  j.version = "4.42";
  j.scope = installrecord::Scope::kUser;
  j.folder = folder;
  j.createdFolders = {folder};
  if (hostile) {
    j.createdFolders.insert(j.createdFolders.begin(), kVictimFolder);
    j.files = {{"px_main64.exe", false, 0, 0}};
    j.settings = {{kVictimFile, false, ""}};
    j.links = {{installrecord::LinkPlace::kCommonPrograms, "Startup\\px.bat", true, true, "echo planted\r\n"}};
    j.ownKeys = {{installrecord::Root::kLocalMachine, kVictimKey, false}};
    j.values = {{installrecord::Root::kLocalMachine, kRunKey, "PxPlanted", true, REG_SZ, std::string("C:\\evil.exe", 12)}};
  }
  return journal::Serialize(j);
}

enum class Planted { kMachinesUninstaller, kUsersSetup, kUsersUninstaller };

struct PlantCase {
  const char* name;
  Planted target;
  Start start;
  bool hostile;
  bool vouched;  // the same text as an administrator's run keeps it in HKLM
  DWORD exit;
};

// Every row but the last refuses: nothing of the journal is done, it
// stays, and nothing else changed (whole registry and drive).
TEST_F(ScopeTest, AJournalInTheUsersRegistryNamesOnlyTheUsersPlaces) {
  const PlantCase cases[] = {
      {"machine's uninstaller, journal of its folder", Planted::kMachinesUninstaller, Start::kElevated, true, false, 1603},
      {"administrator's run for the user", Planted::kUsersSetup, Start::kElevated, true, false, 1603},
      {"administrator's run for the user, harmless but not vouched for", Planted::kUsersSetup, Start::kElevated, false,
       false, 1603},
      {"uninstaller of an administrator's installation for the user", Planted::kUsersUninstaller, Start::kElevated, true,
       false, 1603},
      {"the user's run without elevation", Planted::kUsersSetup, Start::kWithoutElevation, true, false, 1603},
      {"vouched for, yet naming the machine's places", Planted::kUsersSetup, Start::kElevated, true, true, 1603},
      {"vouched for, the user's places only: taken back", Planted::kUsersSetup, Start::kElevated, false, true, 0},
  };
  const std::string sid = pxtest::CurrentUserSid();
  ASSERT_FALSE(sid.empty());
  for (const PlantCase& c : cases) {
    SCOPED_TRACE(c.name);
    Clean();
    if (c.target == Planted::kMachinesUninstaller) Install(Start::kElevated, "/group=1 /allusers=1");
    if (c.target == Planted::kUsersUninstaller) Install(Start::kElevated, "/scope=user");
    const std::string folder = c.target == Planted::kMachinesUninstaller ? kMachineFolder : UserFolder();
    // What a row that failed may have left.
    DeleteRegValue(HKEY_LOCAL_MACHINE, kRunKey, "PxPlanted");
    DeleteFileA((SpecialFolder(CSIDL_COMMON_PROGRAMS) + "Startup\\px.bat").c_str());
    WriteRegText(HKEY_LOCAL_MACHINE, kVictimKey, "v", "vorher");
    CreateDirectoryA(kVictimFolder, nullptr);
    WriteFileBytes(kVictimFile, "[x]\r\n");
    const std::string text = UsersJournal(folder, c.hostile);
    WriteJournalValue(HKEY_CURRENT_USER, "Journal", text);
    if (c.vouched) WriteJournalValue(HKEY_LOCAL_MACHINE, "Journal " + sid, text);
    DeleteFileA((work_ + "Pixorra_Install.log").c_str());
    DeleteFileA((work_ + "Pixorra_Uninstall.log").c_str());
    const Snapshot registry = RegistrySnapshot();
    const Snapshot disk = DiskSnapshot();

    DWORD exit = 0;
    if (c.target == Planted::kUsersSetup) {
      exit = RunAs(c.start, SetupExePath(), "/silent /scope=user", work_);
    } else {
      exit = RunAs(c.start, folder + "pv_uninstall.exe", "/silent", work_);
    }
    EXPECT_EQ(c.exit, exit) << Log();
    EXPECT_EQ("vorher", ReadRegValue(HKEY_LOCAL_MACHINE, kVictimKey, "v").text);
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kRunKey, "PxPlanted").exists);
    EXPECT_TRUE(FolderExists(kVictimFolder));
    EXPECT_TRUE(FileExists(kVictimFile));
    EXPECT_FALSE(FileExists(SpecialFolder(CSIDL_COMMON_PROGRAMS) + "Startup\\px.bat"));
    if (c.exit != 0) {
      EXPECT_TRUE(Contains(Log(), "Eine unterbrochene Installation")) << Log();
      EXPECT_TRUE(Contains(Log(), "wird nicht zur\xfc" "ckgenommen")) << Log();
      EXPECT_EQ("", Difference(registry, RegistrySnapshot())) << "the journal stays, nothing is undone by it";
      EXPECT_EQ("", Difference(disk, DiskSnapshot()));
    } else {
      EXPECT_TRUE(Contains(Log(), "Eine unterbrochene Installation wurde zur\xfc" "ckgenommen.")) << Log();
      EXPECT_TRUE(FileExists(folder + "px_main64.exe"));
      EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kJournalKey, "Journal " + sid).exists);
      EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kJournalKey, "Journal").exists);
    }
    DeleteRegTree(HKEY_LOCAL_MACHINE, kVictimKey);
    RemoveDirectoryA(kVictimFolder);
    DeleteFileA(kVictimFile);
  }
}

}  // namespace
