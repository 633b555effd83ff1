// The real setup and the real uninstaller, end to end: what an installation
// adds must go again, what it replaced must come back, what the user did
// since must stay, and a record that lies must not reach beyond the folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "shell/shell_expectations.h"
#include "support/px_test_support.h"
#include "uninstall/snapshot.h"

using namespace pxtest;
using namespace uninstalltest;

namespace {

constexpr const char* kSetupName = "PixorraSetup64.exe";
constexpr const char* kProgramFolder = "C:\\Program Files\\Pixorra\\";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64";
constexpr const char* kJpgKey = "SOFTWARE\\Classes\\.jpg";
constexpr const char* kJpgChoice = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice";
constexpr const char* kBoxCaption = "Pixorra deinstallieren";

constexpr const char* kOtherCapabilities = "SOFTWARE\\Andere\\Capabilities";

std::string Record() { return std::string(kProgramFolder) + "pv_uninstall.dat"; }

// The uninstall entry's copy of the record, as a setup writes it.
void WriteRecordCopy(const std::string& text) {
  HKEY entry = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE, &entry));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(entry, "InstallRecord", 0, REG_BINARY,
                                          reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size())));
  RegCloseKey(entry);
}

// The record's copy in the uninstall entry, as an installation made before
// the entry kept one would leave it: without.
void ForgetRecordCopy() {
  HKEY entry = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE, &entry) == ERROR_SUCCESS) {
    RegDeleteValueA(entry, "InstallRecord");
    RegCloseKey(entry);
  }
}

// Copies of the uninstaller left in TEMP that are not yet marked for removal
// at the next restart (Windows, like Wine, keeps a running program's file).
std::vector<std::string> CopiesLeftForGood() {
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(sizeof temp, temp);
  const RegValue pending = ReadRegValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                                        "PendingFileRenameOperations");
  const std::string marked(pending.raw.begin(), pending.raw.end());
  std::vector<std::string> left;
  for (const std::string& name : ListFolder(temp, false)) {
    if (name.rfind("pv_uninstall-", 0) == 0 && marked.find(name) == std::string::npos) left.push_back(name);
  }
  return left;
}

class UninstallRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseAllViewers();
    Clean();
    work_ = MakeTempFolder("uninstall_work");
  }
  void TearDown() override {
    CloseAllViewers();
    Clean();
    RemoveFolderTree(work_);
  }
  static void Clean() {
    shelltest::CleanRegistry();
    DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Other.jpg");
    DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Third.jpg");
    DeleteRegTree(HKEY_LOCAL_MACHINE, kOtherCapabilities);
    DeleteRegTree(HKEY_CURRENT_USER, "Software\\Classes\\Mine.jpg");
    shelltest::CleanLinks();
    RemoveFolderTree(kProgramFolder);
    RemoveFolderTree(SpecialFolder(CSIDL_APPDATA) + "Pixorra\\");
  }

  // A silent installation into the default folder.
  void Install(const std::string& options, const std::string& version = "win7") {
    ScopedWineVersion wineVersion(kSetupName, version);
    const RunResult run = RunSetup("/silent " + options, work_);
    ASSERT_TRUE(run.started);
    ASSERT_EQ(0u, run.exitCode) << ReadFileBytes(work_ + "Pixorra_Install.log");
    ASSERT_TRUE(FileExists(Record())) << "the installation wrote no record";
  }

  // Runs the uninstall entry's QuietUninstallString as a deployment tool would.
  DWORD RunQuietUninstall() {
    const std::string command = ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString").text;
    EXPECT_EQ("\"" + std::string(kProgramFolder) + "pv_uninstall.exe\" /silent", command);
    return RunUninstaller("/silent");
  }
  DWORD RunUninstaller(const std::string& args) {
    const RunResult run = RunProgram(std::string(kProgramFolder) + "pv_uninstall.exe", args, work_);
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    return run.exitCode;
  }
  static bool ProgramFolderGone() {
    return WaitFor([] { return !FolderExists(kProgramFolder); }, 15000);
  }
  std::string Log() { return ReadFileBytes(work_ + "Pixorra_Uninstall.log"); }

  // Another program, still registered, that had .jpg before.
  void SeedAnotherProgramsJpg() {
    WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Other.jpg", "", "Anderes Bild");
    WriteRegText(HKEY_LOCAL_MACHINE, kJpgKey, "", "Other.jpg");
    WriteRegText(HKEY_LOCAL_MACHINE, kJpgKey, "Content Type", "image/jpeg");
    WriteRegText(HKEY_CURRENT_USER, kJpgChoice, "Progid", "Other.jpg");
    WriteRegText(HKEY_CURRENT_USER, kJpgChoice, "Hash", "h4sh");
  }

  // Install, check that something happened, uninstall silently, compare.
  void RoundTrip(const std::vector<std::string>& installations, const std::string& version = "win7") {
    const Snapshot registry = RegistrySnapshot();
    const Snapshot disk = DiskSnapshot();
    for (const std::string& options : installations) Install(options, version);
    ASSERT_NE("", Difference(registry, RegistrySnapshot()));

    EXPECT_EQ(0u, RunQuietUninstall()) << Log();
    EXPECT_TRUE(ProgramFolderGone());
    EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
    EXPECT_EQ("", Difference(disk, DiskSnapshot()));
    EXPECT_EQ(std::vector<std::string>(), CopiesLeftForGood());
    EXPECT_EQ("", Log()) << "a removal that succeeded logs nothing";
  }

  std::string work_;
};

TEST_F(UninstallRoundTrip, EveryOptionAndAnotherProgramsJpgComesBack) {
  SeedAnotherProgramsJpg();
  RoundTrip({"/group=1 /desktop=1 /thumbs=1 /assoc=2"});
  EXPECT_EQ("Other.jpg", ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "").text);
  EXPECT_EQ("h4sh", ReadRegValue(HKEY_CURRENT_USER, kJpgChoice, "Hash").text);
}

TEST_F(UninstallRoundTrip, AllUsers) {
  SeedAnotherProgramsJpg();
  RoundTrip({"/group=1 /desktop=1 /thumbs=1 /allusers=1 /assoc=1"});
}

// Windows 8: the store apps' NoOpenWith values. One store app class existed
// before with a value of its own: it keeps that and loses only ours.
TEST_F(UninstallRoundTrip, Windows8StoreAppsGetTheirOpenWithBack) {
  WriteRegText(HKEY_CURRENT_USER, shelltest::kStoreAppClasses[0], "FriendlyTypeName", "Fotos");
  WriteRegText(HKEY_CURRENT_USER, shelltest::kStoreAppClasses[1], "NoOpenWith", "");
  RoundTrip({"/group=1 /assoc=2"}, "win8");
  EXPECT_TRUE(ReadRegValue(HKEY_CURRENT_USER, shelltest::kStoreAppClasses[1], "NoOpenWith").exists)
      << "a value that was there before stays";
}

TEST_F(UninstallRoundTrip, SettingsFolderElsewhereStays) {
  const Snapshot disk = DiskSnapshot();
  const Snapshot registry = RegistrySnapshot();
  Install("/group=1 /ini=%APPDATA%\\Pixorra");
  const std::string settings = SpecialFolder(CSIDL_APPDATA) + "Pixorra\\";
  ASSERT_TRUE(FileExists(settings + "px_main64.ini"));
  EXPECT_EQ(0u, RunQuietUninstall()) << Log();
  EXPECT_TRUE(ProgramFolderGone());
  EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
  // Exactly the settings folder and its file are left.
  const std::string diff = Difference(disk, DiskSnapshot());
  std::string folderLine = "+ " + settings + " = folder\n";
  for (char& c : folderLine) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  EXPECT_EQ(0u, diff.find(folderLine)) << diff;
  EXPECT_EQ(2, std::count(diff.begin(), diff.end(), '\n')) << diff;
  EXPECT_NE(std::string::npos, diff.find("pixorra\\px_main64.ini = ")) << diff;
}

TEST_F(UninstallRoundTrip, TwoInstallationsInARow) {
  SeedAnotherProgramsJpg();
  RoundTrip({"/group=1 /thumbs=1 /assoc=2", "/desktop=1 /allusers=1 /group=1 /assoc=1"});
}

// An update into another folder takes the registration and the earlier data
// along; the old folder's uninstaller then removes only its own files.
TEST_F(UninstallRoundTrip, RegistrationMovesWithTheNextInstallation) {
  SeedAnotherProgramsJpg();
  const Snapshot registry = RegistrySnapshot();
  const std::string old = work_ + "Alt\\";
  {
    ScopedWineVersion wineVersion(kSetupName, "win7");
    ASSERT_EQ(0u, RunSetup("/silent /assoc=1 /folder=" + old, work_).exitCode);
  }
  Install("/assoc=1 /folder=C:\\Program Files\\Pixorra");

  EXPECT_EQ(0u, RunProgram(old + "pv_uninstall.exe", "/silent", work_).exitCode);
  EXPECT_TRUE(WaitFor([&] { return !FolderExists(old); }, 15000));
  EXPECT_EQ("Pixorra.jpg", ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "").text) << "the newer installation's";
  EXPECT_EQ(kProgramFolder, ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").text);

  EXPECT_EQ(0u, RunQuietUninstall()) << Log();
  EXPECT_TRUE(ProgramFolderGone());
  EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
}

// Two installations with their links, into A and then B: the second points
// the links into B, so removing A leaves them as B's.
TEST_F(UninstallRoundTrip, RemovingTheFirstFolderKeepsTheSecondFoldersLinks) {
  const std::string a = work_ + "A\\";
  const std::string b = work_ + "B\\";
  for (const std::string& folder : {a, b}) {
    ScopedWineVersion wineVersion(kSetupName, "win7");
    ASSERT_EQ(0u, RunSetup("/silent /group=1 /desktop=1 /folder=" + folder, work_).exitCode);
  }
  const std::vector<std::string> group = ListFolder(shelltest::GroupFolder(false));
  ASSERT_FALSE(group.empty());

  EXPECT_EQ(0u, RunProgram(a + "pv_uninstall.exe", "/silent", work_).exitCode) << Log();
  EXPECT_TRUE(WaitFor([&] { return !FolderExists(a); }, 15000));
  EXPECT_EQ(group, ListFolder(shelltest::GroupFolder(false)));
  EXPECT_EQ("", shelltest::CompareLink(shelltest::DesktopFolder(false), shelltest::kDesktopViewerLink, b));
  for (const shelltest::ExpectedLink& link : shelltest::kGroupLinks) {
    if (FileExists(shelltest::GroupFolder(false) + link.name)) {
      EXPECT_EQ("", shelltest::CompareLink(shelltest::GroupFolder(false), link, b)) << link.name;
    }
  }
  EXPECT_EQ(b, ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").text);
  RemoveFolderTree(b);
}

// Installed into A, then into the default folder: A keeps its uninstaller
// and record until the default folder's removal takes A along by A's own
// record. Only A's unchanged files of ours go; what the user did there stays.
TEST_F(UninstallRoundTrip, AMovedInstallationGoesWithTheOneThatTookItsRegistration) {
  const std::string a = work_ + "A\\";
  const struct {
    const char* name;
    std::function<void()> afterMove;     // done to A once the registration moved
    std::vector<std::string> aKeeps;     // what stays in A ({} = A is gone)
  } cases[] = {
      {"untouched", [] {}, {}},
      {"the user's file and a changed file stay",
       [&] {
         WriteFileBytes(a + "Meine Notizen.txt", "eigene Datei");
         WriteFileBytes(a + "px_about.txt", "ge\xE4ndert");
       },
       {"Meine Notizen.txt", "px_about.txt"}},
      {"A removed with its own uninstaller first",
       [&] {
         EXPECT_EQ(0u, RunProgram(a + "pv_uninstall.exe", "/silent", work_).exitCode) << Log();
         EXPECT_TRUE(WaitFor([&] { return !FolderExists(a); }, 15000));
       },
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SeedAnotherProgramsJpg();
    const Snapshot registry = RegistrySnapshot();
    const Snapshot disk = DiskSnapshot();
    {
      ScopedWineVersion wineVersion(kSetupName, "win7");
      ASSERT_EQ(0u, RunSetup("/silent /group=1 /desktop=1 /assoc=1 /folder=" + a, work_).exitCode);
    }
    const std::vector<std::string> aFiles = ListFolder(a);
    Install("/group=1 /desktop=1 /assoc=1 /folder=C:\\Program Files\\Pixorra");
    // A is still whole and removable on its own; the entry names the new folder.
    EXPECT_EQ(aFiles, ListFolder(a));
    EXPECT_EQ(kProgramFolder, ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation").text);
    EXPECT_EQ("", shelltest::CompareLink(shelltest::DesktopFolder(false), shelltest::kDesktopViewerLink,
                                         kProgramFolder));
    c.afterMove();

    EXPECT_EQ(0u, RunQuietUninstall()) << Log();
    EXPECT_TRUE(ProgramFolderGone());
    if (c.aKeeps.empty()) {
      EXPECT_TRUE(WaitFor([&] { return !FolderExists(a); }, 15000)) << ListFolder(a).size();
    } else {
      EXPECT_EQ(c.aKeeps, ListFolder(a));
    }
    EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
    EXPECT_EQ("", Difference(disk, DiskSnapshot())) << "links and the Start-menu group go too";
    EXPECT_EQ("Other.jpg", ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "").text);
    Clean();
    RemoveFolderTree(a);
  }
}

// A folder named in the entry's record that holds no record of its own (or
// one written for another folder) is nobody's to empty: it stays whole.
TEST_F(UninstallRoundTrip, AMovedFolderWithoutItsRecordStays) {
  const std::string a = work_ + "A\\";
  {
    ScopedWineVersion wineVersion(kSetupName, "win7");
    ASSERT_EQ(0u, RunSetup("/silent /folder=" + a, work_).exitCode);
  }
  Install("/folder=C:\\Program Files\\Pixorra");
  ASSERT_TRUE(DeleteFileA((a + "pv_uninstall.dat").c_str()));
  const std::vector<std::string> aFiles = ListFolder(a);

  EXPECT_EQ(0u, RunQuietUninstall()) << Log();
  EXPECT_TRUE(ProgramFolderGone());
  EXPECT_EQ(aFiles, ListFolder(a));
  RemoveFolderTree(a);
}

TEST_F(UninstallRoundTrip, WhatTheUserDidSinceStays) {
  Install("/group=1 /assoc=1");
  WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.png", "", "Paint.png");
  WriteRegText(HKEY_CURRENT_USER,
               "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.gif\\UserChoice", "Progid",
               "Paint.gif");
  WriteFileBytes(std::string(kProgramFolder) + "Meine Notizen.txt", "eigene Datei");
  WriteFileBytes(std::string(kProgramFolder) + "Html\\eigene.htm", "<p>");

  EXPECT_EQ(0u, RunQuietUninstall()) << Log();
  // The uninstaller's copy removes its file a moment after the exit.
  const std::vector<std::string> mine = {"Html\\", "Html\\eigene.htm", "Meine Notizen.txt"};
  EXPECT_TRUE(WaitFor([&] { return ListFolder(kProgramFolder) == mine; }, 15000)) << ListFolder(kProgramFolder).size();
  EXPECT_EQ("Paint.png", ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.png", "").text);
  EXPECT_EQ("Paint.gif", ReadRegValue(HKEY_CURRENT_USER,
                                      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.gif\\UserChoice",
                                      "Progid").text);
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.tif")) << "created by the installation";
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(UninstallRoundTrip, ViewerRunningTouchesNothing) {
  Install("/group=1 /assoc=1");
  const Snapshot registry = RegistrySnapshot();
  const Snapshot disk = DiskSnapshot();
  StartedProgram viewer = StartProgram(ViewerExePath(), "/hidden /quitafter=60");
  ASSERT_TRUE(WaitFor([] { return !FindViewerWindows().empty(); }, 10000));

  EXPECT_EQ(1618u, RunQuietUninstall());
  EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
  EXPECT_EQ("", Difference(disk, DiskSnapshot()));
  EXPECT_NE(std::string::npos, Log().find("Warnung: Pixorra l\xE4uft!")) << Log();
}

TEST_F(UninstallRoundTrip, HeldFileFailsThenASecondRunFinishes) {
  SeedAnotherProgramsJpg();
  const Snapshot registry = RegistrySnapshot();
  const Snapshot disk = DiskSnapshot();
  Install("/group=1 /desktop=1 /assoc=1");
  const std::string held = std::string(kProgramFolder) + "Html\\index.htm";
  HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);

  EXPECT_EQ(1603u, RunQuietUninstall());
  EXPECT_NE(std::string::npos, Log().find(held + ": Kann nicht entfernt werden!")) << Log();
  // Everything else is gone; what a second run needs is still there.
  EXPECT_EQ((std::vector<std::string>{"Html\\", "Html\\index.htm", "pv_uninstall.dat", "pv_uninstall.exe"}),
            ListFolder(kProgramFolder));
  EXPECT_EQ("Other.jpg", ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "").text);
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(FileExists(shelltest::DesktopFolder(false) + "Pixorra 64.lnk"));

  CloseHandle(file);
  EXPECT_EQ(0u, RunQuietUninstall());
  EXPECT_TRUE(ProgramFolderGone());
  EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
  EXPECT_EQ("", Difference(disk, DiskSnapshot()));
}

// "/log=" as the setup takes it: failures and, since the caller asked for
// this log, the success go there, and nothing to the default log.
TEST_F(UninstallRoundTrip, LogNamedOnTheCommandLine) {
  Install("/group=1");
  const std::string log = work_ + "entfernen.log";
  StartedProgram viewer = StartProgram(ViewerExePath(), "/hidden /quitafter=60");
  ASSERT_TRUE(WaitFor([] { return !FindViewerWindows().empty(); }, 10000));
  EXPECT_EQ(1618u, RunUninstaller("/silent /log=" + log));
  ASSERT_TRUE(CloseAllViewers());
  EXPECT_EQ(0u, RunUninstaller("/log=" + log + " /silent"));
  EXPECT_TRUE(ProgramFolderGone());
  const std::string text = ReadFileBytes(log);
  const std::size_t warning = text.find("Warnung: Pixorra l\xE4uft!");
  const std::size_t done = text.find("Pixorra 4.42 wurde von diesem Computer entfernt.");
  EXPECT_NE(std::string::npos, warning) << text;
  EXPECT_NE(std::string::npos, done) << text;
  EXPECT_LT(warning, done) << text;
  EXPECT_FALSE(FileExists(work_ + "Pixorra_Uninstall.log"));
}

// A record that names anything the setup never writes makes the uninstaller
// leave the disk alone; the file where the entry points proves it.
TEST_F(UninstallRoundTrip, TamperedRecordDeletesNothing) {
  const std::string desktop = shelltest::DesktopFolder(false);
  const struct {
    const char* what;
    std::string line;  // added to the record
    std::string victim;
  } cases[] = {
      {"dot-dot", "File\t..\\victim.txt", "C:\\Program Files\\victim.txt"},
      {"absolute path", "File\t" + work_ + "victim.txt", work_ + "victim.txt"},
      {"other drive", "File\tD:victim.txt", ""},
      {"folder outside", "CreatedFolder\t..\\Leer\\", "C:\\Program Files\\Leer\\"},
      {"unknown link name", "Link\tuser-desktop\tMein Bericht.lnk", desktop + "Mein Bericht.lnk"},
      {"link out of the group", "Link\tuser-programs\tPixorra\\..\\victim.lnk", SpecialFolder(CSIDL_PROGRAMS) + "victim.lnk"},
      {"foreign value", "Earlier\tHKLM\tSOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\tx\t1\tC:\\x.exe", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Install("/desktop=1 /assoc=1");
    std::string text = ReadFileBytes(Record());
    ASSERT_EQ("End\r\n", text.substr(text.size() - 5));
    WriteFileBytes(Record(), text.substr(0, text.size() - 5) + c.line + "\r\nEnd\r\n");
    ForgetRecordCopy();
    if (!c.victim.empty()) {
      if (c.victim.back() == '\\') CreateDirectoryA(c.victim.c_str(), nullptr);
      else WriteFileBytes(c.victim, "nicht anfassen");
    }
    const std::vector<std::string> files = ListFolder(kProgramFolder);

    EXPECT_EQ(1603u, RunQuietUninstall());
    EXPECT_NE(std::string::npos, Log().find("besch\xE4" "digt oder ver\xE4ndert")) << Log();
    if (!c.victim.empty()) {
      EXPECT_TRUE(FileExists(c.victim) || FolderExists(c.victim)) << c.victim;
    }
    EXPECT_EQ(files, ListFolder(kProgramFolder));
    EXPECT_TRUE(FileExists(desktop + "Pixorra 64.lnk"));
    // Silent runs answer the offer to remove the registration with Yes; the
    // entry stays for a run that can finish.
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra.jpg"));

    if (!c.victim.empty()) {
      DeleteFileA(c.victim.c_str());
      RemoveDirectoryA(c.victim.c_str());
    }
    DeleteFileA((work_ + "Pixorra_Uninstall.log").c_str());
    Clean();
  }
}

TEST_F(UninstallRoundTrip, MissingOrForeignRecordRemovesNoFile) {
  const struct {
    const char* what;
    void (*spoil)();
    const char* logged;
  } cases[] = {
      {"missing", [] { DeleteFileA(Record().c_str()); }, "pv_uninstall.dat fehlt"},
      {"copied from another folder", [] {
         std::string text = ReadFileBytes(Record());
         const std::string from = "Folder\tC:\\Program Files\\Pixorra\\";
         text.replace(text.find(from), from.size(), "Folder\tC:\\Tools\\Pixorra\\");
         WriteFileBytes(Record(), text);
       }, "geh\xF6rt zu einem anderen Ordner"},
      {"cut off", [] {
         const std::string text = ReadFileBytes(Record());
         WriteFileBytes(Record(), text.substr(0, text.size() / 2));
       }, "besch\xE4" "digt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Install("/group=1");
    c.spoil();
    ForgetRecordCopy();
    const std::vector<std::string> files = ListFolder(kProgramFolder);
    EXPECT_EQ(1603u, RunQuietUninstall());
    EXPECT_NE(std::string::npos, Log().find(c.logged)) << Log();
    EXPECT_EQ(files, ListFolder(kProgramFolder));
    EXPECT_TRUE(FolderExists(shelltest::GroupFolder(false)));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    DeleteFileA((work_ + "Pixorra_Uninstall.log").c_str());
    Clean();
  }
}

// The record in the program folder may be edited or lost by anyone who can
// write the folder; the uninstall entry's copy, which only an administrator
// can change, stands in for it and decides what the registry gets back.
TEST_F(UninstallRoundTrip, TheEntrysCopyStandsInForASpoiledRecordFile) {
  const std::string victim = work_ + "victim.txt";
  const struct {
    const char* what;
    void (*spoil)(const std::string& victim);
  } cases[] = {
      {"missing", [](const std::string&) { DeleteFileA(Record().c_str()); }},
      {"cut off", [](const std::string&) {
         const std::string text = ReadFileBytes(Record());
         WriteFileBytes(Record(), text.substr(0, text.size() / 2));
       }},
      {"a file outside", [](const std::string& victim) {
         const std::string text = ReadFileBytes(Record());
         WriteFileBytes(Record(), text.substr(0, text.size() - 5) + "File\t" + victim + "\r\nEnd\r\n");
       }},
      {".jpg back to exefile", [](const std::string&) {
         std::string text = ReadFileBytes(Record());
         const std::string from = "Earlier\tHKLM\tSOFTWARE\\Classes\\.jpg\t\t1\tOther.jpg%00";
         ASSERT_NE(std::string::npos, text.find(from)) << text;
         text.replace(text.find(from), from.size(), "Earlier\tHKLM\tSOFTWARE\\Classes\\.jpg\t\t1\texefile%00");
         WriteFileBytes(Record(), text);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SeedAnotherProgramsJpg();
    WriteFileBytes(victim, "nicht anfassen");
    const Snapshot registry = RegistrySnapshot();
    const Snapshot disk = DiskSnapshot();
    Install("/desktop=1 /group=1 /assoc=1");
    c.spoil(victim);
    EXPECT_EQ(0u, RunQuietUninstall()) << Log();
    EXPECT_TRUE(ProgramFolderGone());
    EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
    EXPECT_EQ("", Difference(disk, DiskSnapshot()));
    EXPECT_EQ("Other.jpg", ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "").text);
    EXPECT_EQ("nicht anfassen", ReadFileBytes(victim));
    DeleteFileA(victim.c_str());
    DeleteFileA((work_ + "Pixorra_Uninstall.log").c_str());
    Clean();
  }
}

// An installation whose record has no copy in the entry (made before the
// entry kept one): what the file says goes back only as data. A class that
// runs its file, a value of another type or a ProgID nobody registers any
// more is never written into the machine's classes; the value goes instead.
TEST_F(UninstallRoundTrip, EarlierDataIsNeverAnInstruction) {
  const std::string from = "Earlier\tHKLM\tSOFTWARE\\Classes\\.jpg\t\t1\tOther.jpg%00";
  const struct {
    const char* what;
    std::string line;
  } cases[] = {
      {"a class that runs its file", "Earlier\tHKLM\tSOFTWARE\\Classes\\.jpg\t\t1\texefile%00"},
      {"a batch class", "Earlier\tHKLM\tSOFTWARE\\Classes\\.jpg\t\t1\tbatfile%00"},
      {"a link to another key", "Earlier\tHKLM\tSOFTWARE\\Classes\\.jpg\t\t6\tOther.jpg%00"},
      {"a ProgID nobody registers", "Earlier\tHKLM\tSOFTWARE\\Classes\\.jpg\t\t1\tGone.jpg%00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SeedAnotherProgramsJpg();
    Install("/assoc=1");
    std::string text = ReadFileBytes(Record());
    ASSERT_NE(std::string::npos, text.find(from)) << text;
    text.replace(text.find(from), from.size(), c.line);
    WriteFileBytes(Record(), text);
    ForgetRecordCopy();
    EXPECT_EQ(0u, RunQuietUninstall()) << Log();
    EXPECT_TRUE(ProgramFolderGone());
    const RegValue jpg = ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "");
    EXPECT_FALSE(jpg.exists) << jpg.text;
    EXPECT_EQ(REG_SZ, ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "Content Type").type) << "the rest of .jpg stays";
    DeleteFileA((work_ + "Pixorra_Uninstall.log").c_str());
    Clean();
  }
}

// Keys with the product's names that someone else had made before keep
// what they held; only what the setup added goes. A value the setup
// replaced in a shared key gets its earlier data back.
TEST_F(UninstallRoundTrip, WhatOthersHadInTheProductsKeysStays) {
  WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Pixorra", "License", "ABC-123");
  WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra.jpg\\shell\\print\\command", "", "drucker.exe \"%1\"");
  WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Directory\\shell\\Browse with &Pixorra", "Icon", "x.ico");
  WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", "Pixorra", "SOFTWARE\\Andere\\Capabilities");
  WriteRegText(HKEY_LOCAL_MACHINE, kOtherCapabilities, "ApplicationName", "Andere");
  RoundTrip({"/thumbs=1 /assoc=1"});
  EXPECT_EQ("ABC-123", ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Pixorra", "License").text);
  EXPECT_EQ("SOFTWARE\\Andere\\Capabilities",
            ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", "Pixorra").text);
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra.jpg\\shell\\open"));
}

// The viewer's App Paths entry is the product's own key: the uninstaller
// takes it away; one that another program had written under this name
// before gets back exactly what it held.
TEST_F(UninstallRoundTrip, AppPathsEntryGoesOrGetsItsEarlierContentBack) {
  constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\px_main64.exe";
  const std::string program = std::string(kProgramFolder) + "px_main64.exe";
  for (const bool foundBefore : {false, true}) {
    SCOPED_TRACE(foundBefore ? "another program's entry before" : "no entry before");
    if (foundBefore) {
      WriteRegText(HKEY_LOCAL_MACHINE, kAppPaths, "", "D:\\Alt\\px_main64.exe");
      WriteRegText(HKEY_LOCAL_MACHINE, kAppPaths, "Path", "D:\\Alt");
      WriteRegText(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "\\SupportedProtocols", "http", "");
    }
    const Snapshot registry = RegistrySnapshot();
    Install("");
    EXPECT_EQ(program, ReadRegValue(HKEY_LOCAL_MACHINE, kAppPaths, "").text);
    EXPECT_EQ("C:\\Program Files\\Pixorra", ReadRegValue(HKEY_LOCAL_MACHINE, kAppPaths, "Path").text);

    EXPECT_EQ(0u, RunQuietUninstall()) << Log();
    EXPECT_TRUE(ProgramFolderGone());
    EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
    EXPECT_EQ(foundBefore, RegKeyExists(HKEY_LOCAL_MACHINE, kAppPaths));
  }
  EXPECT_EQ("D:\\Alt\\px_main64.exe", ReadRegValue(HKEY_LOCAL_MACHINE, kAppPaths, "").text);
}

// A key that cannot be removed fails the run and is named; the entry stays,
// and a second run, once the key can go, finishes.
TEST_F(UninstallRoundTrip, AKeyThatCannotGoFailsTheRunAndASecondRunFinishes) {
  const Snapshot registry = RegistrySnapshot();
  Install("/assoc=1");
  const char* key = "SOFTWARE\\Pixorra";
  auto setSecurity = [key](const char* sddl) {
    HKEY handle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, WRITE_DAC, &handle));
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, sd));
    LocalFree(sd);
    RegCloseKey(handle);
  };
  // Writing and deleting denied: the tree is removed key by key, each key
  // opened for deleting only, so a key that denies only writing goes.
  setSecurity("D:P(D;;0x10006;;;WD)(A;;KA;;;WD)");
  ASSERT_EQ(ERROR_ACCESS_DENIED, RegSetValueA(HKEY_LOCAL_MACHINE, key, REG_SZ, "x", 1)) << "the denial holds";

  EXPECT_EQ(1603u, RunQuietUninstall());
  EXPECT_NE(std::string::npos, Log().find("HKLM\\SOFTWARE\\Pixorra")) << Log();
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "the entry goes last";
  EXPECT_TRUE(FileExists(std::string(kProgramFolder) + "pv_uninstall.exe"));

  setSecurity("D:P(A;;KA;;;WD)");
  DeleteFileA((work_ + "Pixorra_Uninstall.log").c_str());
  EXPECT_EQ(0u, RunQuietUninstall()) << Log();
  EXPECT_TRUE(ProgramFolderGone());
  EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
}

// An uninstaller with a record that would be valid, placed in a folder
// that is not a program's own: the user's desktop.
TEST_F(UninstallRoundTrip, SystemFolderIsNeverEmptied) {
  Install("");
  const std::string desktop = shelltest::DesktopFolder(false);
  std::string text = ReadFileBytes(Record());
  const std::string from = "Folder\tC:\\Program Files\\Pixorra\\";
  text.replace(text.find(from), from.size(), "Folder\t" + desktop);
  WriteFileBytes(desktop + "pv_uninstall.dat", text);
  WriteFileBytes(desktop + "px_about.txt", "Eigene Datei mit einem Namen aus dem Paket");
  CopyFileA((std::string(kProgramFolder) + "pv_uninstall.exe").c_str(), (desktop + "pv_uninstall.exe").c_str(), FALSE);

  const RunResult run = RunProgram(desktop + "pv_uninstall.exe", "/silent", work_);
  EXPECT_EQ(1603u, run.exitCode);
  EXPECT_NE(std::string::npos, Log().find(desktop + ": Der Programmordner ist ein Laufwerk oder ein Systemordner"))
      << Log();
  EXPECT_TRUE(FileExists(desktop + "px_about.txt"));
  EXPECT_TRUE(FileExists(desktop + "pv_uninstall.exe"));
  EXPECT_TRUE(FileExists(std::string(kProgramFolder) + "px_about.txt"));
  for (const char* name : {"pv_uninstall.dat", "px_about.txt", "pv_uninstall.exe"}) DeleteFileA((desktop + name).c_str());
}

// --- The interactive uninstaller, driven through its message boxes.

HWND WaitForBox(HWND other = nullptr) { return WaitForMessageBox(kBoxCaption, other); }

void Click(HWND box, int button) { PostMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0); }

TEST_F(UninstallRoundTrip, InteractiveNoKeepsEverything) {
  Install("/group=1");
  const Snapshot disk = DiskSnapshot();
  StartedProgram uninstaller = StartProgram(std::string(kProgramFolder) + "pv_uninstall.exe", "", work_);
  HWND box = WaitForBox();
  ASSERT_NE(nullptr, box);
  EXPECT_NE(std::string::npos, MessageBoxText(box).find("M\xF6" "chten Sie Pixorra 4.42 (64-bit) von diesem Computer entfernen?"));
  Click(box, IDNO);
  DWORD code = 0;
  ASSERT_TRUE(uninstaller.Wait(10000, &code));
  EXPECT_EQ(1602u, code);
  EXPECT_EQ("", Difference(disk, DiskSnapshot()));
}

TEST_F(UninstallRoundTrip, InteractiveWaitsForTheViewerAndNamesWhatStays) {
  const Snapshot registry = RegistrySnapshot();
  Install("/group=1 /desktop=1 /assoc=1 /ini=%APPDATA%\\Pixorra");
  WriteFileBytes(std::string(kProgramFolder) + "Meine Notizen.txt", "eigene Datei");
  StartedProgram viewer = StartProgram(ViewerExePath(), "/hidden /quitafter=60");
  ASSERT_TRUE(WaitFor([] { return !FindViewerWindows().empty(); }, 10000));

  StartedProgram uninstaller = StartProgram(std::string(kProgramFolder) + "pv_uninstall.exe", "", work_);
  HWND question = WaitForBox();
  ASSERT_NE(nullptr, question);
  Click(question, IDYES);
  HWND warning = WaitForBox(question);
  ASSERT_NE(nullptr, warning);
  EXPECT_NE(std::string::npos, MessageBoxText(warning).find("Pixorra l\xE4uft!")) << MessageBoxText(warning);
  EXPECT_TRUE(FileExists(Record())) << "nothing is removed while the viewer runs";
  ASSERT_TRUE(CloseAllViewers());
  Click(warning, IDRETRY);

  HWND closing = WaitForBox(warning);
  ASSERT_NE(nullptr, closing);
  const std::string text = MessageBoxText(closing);
  EXPECT_NE(std::string::npos, text.find("wurde von diesem Computer entfernt")) << text;
  EXPECT_NE(std::string::npos, text.find(std::string(kProgramFolder) + "Meine Notizen.txt")) << text;
  EXPECT_NE(std::string::npos, text.find(SpecialFolder(CSIDL_APPDATA) + "Pixorra\\")) << text;
  Click(closing, IDOK);
  DWORD code = 1;
  ASSERT_TRUE(uninstaller.Wait(10000, &code));
  EXPECT_EQ(0u, code);
  EXPECT_TRUE(WaitFor([] { return ListFolder(kProgramFolder) == std::vector<std::string>{"Meine Notizen.txt"}; }, 15000))
      << ListFolder(kProgramFolder).size();
  EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
}

}  // namespace

// Another program's entry in the list of registered applications comes back
// only while its capabilities are still there.
TEST_F(UninstallRoundTrip, AnotherApplicationsEntryComesBackOnlyWhileItIsRegistered) {
  const struct {
    const char* what;
    bool removedSince;
  } cases[] = {
      {"still registered", false},
      {"removed since", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", "Pixorra", kOtherCapabilities);
    WriteRegText(HKEY_LOCAL_MACHINE, kOtherCapabilities, "ApplicationName", "Andere");
    Install("/assoc=1");
    if (c.removedSince) DeleteRegTree(HKEY_LOCAL_MACHINE, kOtherCapabilities);
    EXPECT_EQ(0u, RunQuietUninstall()) << Log();
    EXPECT_TRUE(ProgramFolderGone());
    const RegValue entry = ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", "Pixorra");
    EXPECT_EQ(!c.removedSince, entry.exists) << entry.text;
    if (!c.removedSince) {
      EXPECT_EQ(kOtherCapabilities, entry.text);
    }
    Clean();
  }
}

// The setup runs again over an installation: the earlier data that counts
// is what each value held right before the run that took it, unless that run
// found the product's own data there. What comes back must still be
// registered.
TEST_F(UninstallRoundTrip, ARepeatedSetupGivesBackWhatItsRunReplaced) {
  // Another program takes .jpg: its class, the extension and the user's choice.
  const auto thirdTakesJpg = [] {
    DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Other.jpg");
    WriteRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Third.jpg", "", "Drittes Bild");
    WriteRegText(HKEY_LOCAL_MACHINE, kJpgKey, "", "Third.jpg");
    DeleteRegTree(HKEY_CURRENT_USER, kJpgChoice);
    WriteRegText(HKEY_CURRENT_USER, kJpgChoice, "Progid", "Third.jpg");
    WriteRegText(HKEY_CURRENT_USER, kJpgChoice, "Hash", "t3");
  };
  const struct {
    const char* what;
    std::function<void()> betweenRuns;
    std::function<void()> beforeRemoval;
    const char* jpg;  // .jpg's default afterwards; nullptr: none
    const char* choice;
    const char* hash;
  } cases[] = {
      {"nobody changed .jpg", [] {}, [] {}, "Other.jpg", "Other.jpg", "h4sh"},
      {"another program took .jpg between the runs", thirdTakesJpg, [] {}, "Third.jpg", "Third.jpg", "t3"},
      {"and was removed before the uninstallation", thirdTakesJpg,
       [] { DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Third.jpg"); }, nullptr, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SeedAnotherProgramsJpg();
    Install("/assoc=1");
    c.betweenRuns();
    Install("/assoc=1");
    EXPECT_EQ("Pixorra.jpg", ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "").text);
    c.beforeRemoval();
    EXPECT_EQ(0u, RunQuietUninstall()) << Log();
    EXPECT_TRUE(ProgramFolderGone());
    const RegValue jpg = ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "");
    const RegValue choice = ReadRegValue(HKEY_CURRENT_USER, kJpgChoice, "Progid");
    const RegValue hash = ReadRegValue(HKEY_CURRENT_USER, kJpgChoice, "Hash");
    EXPECT_EQ(c.jpg != nullptr, jpg.exists) << jpg.text;
    EXPECT_EQ(c.choice != nullptr, choice.exists) << choice.text;
    if (c.jpg != nullptr) {
      EXPECT_EQ(c.jpg, jpg.text);
    }
    if (c.choice != nullptr) {
      EXPECT_EQ(c.choice, choice.text);
    }
    if (c.hash != nullptr) {
      EXPECT_EQ(c.hash, hash.text);
    }
    EXPECT_EQ("image/jpeg", ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "Content Type").text);
    DeleteFileA((work_ + "Pixorra_Uninstall.log").c_str());
    Clean();
  }
}

// The next version's setup installed over this one and wrote its record in
// a later format, naming a file this payload does not have. This version's
// setup and uninstaller read what they know of it: the earlier data comes
// back, the unknown file stays, and the logs say that lines were left unread.
TEST_F(UninstallRoundTrip, ALaterVersionsRecordKeepsItsEarlierData) {
  const struct {
    const char* what;
    bool setupAgain;
  } cases[] = {
      {"this version's setup runs again", true},
      {"this version's uninstaller alone", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SeedAnotherProgramsJpg();
    const Snapshot registry = RegistrySnapshot();
    Install("/assoc=1");
    const std::string text = ReadFileBytes(Record());
    const std::string start = "Pixorra install record\r\nFormat\t2\r\nVersion\t4.42\r\n";
    ASSERT_EQ(0u, text.find(start)) << text;
    ASSERT_EQ("End\r\n", text.substr(text.size() - 5));
    const std::string later = "Pixorra install record\r\nFormat\t3\r\nVersion\t4.50\r\n" +
                              text.substr(start.size(), text.size() - 5 - start.size()) +
                              "File\tpx_neu.dll\t3\t123\r\nSignatur\tab12\r\nKept\tpx_main64.exe\tverschoben\r\nEnd\r\n";
    WriteFileBytes(Record(), later);
    WriteRecordCopy(later);
    WriteFileBytes(std::string(kProgramFolder) + "px_neu.dll", "neu");

    if (c.setupAgain) {
      DeleteFileA((work_ + "Pixorra_Install.log").c_str());
      Install("/assoc=1");
      EXPECT_NE(std::string::npos, ReadFileBytes(work_ + "Pixorra_Install.log").find("2 Zeilen eines neueren Formats"))
          << ReadFileBytes(work_ + "Pixorra_Install.log");
      const std::string rewritten = ReadFileBytes(Record());
      EXPECT_EQ(0u, rewritten.find(start)) << rewritten;
      EXPECT_EQ(std::string::npos, rewritten.find("px_neu.dll")) << "not ours to record";
    }
    EXPECT_EQ(0u, RunQuietUninstall()) << Log();
    EXPECT_EQ(!c.setupAgain, Log().find("2 Zeilen eines neueren Formats") != std::string::npos) << Log();
    const std::vector<std::string> left = {"px_neu.dll"};
    EXPECT_TRUE(WaitFor([&] { return ListFolder(kProgramFolder) == left; }, 15000)) << ListFolder(kProgramFolder).size();
    EXPECT_EQ("neu", ReadFileBytes(std::string(kProgramFolder) + "px_neu.dll"));
    EXPECT_EQ("Other.jpg", ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "").text);
    EXPECT_EQ("", Difference(registry, RegistrySnapshot()));
    DeleteFileA((work_ + "Pixorra_Uninstall.log").c_str());
    Clean();
  }
}

// A class that only the current user registers: it counts for the user's
// own choice, not for the machine's extension, which every user sees.
TEST_F(UninstallRoundTrip, OnlyAClassOfTheMachineComesBackForTheMachine) {
  WriteRegText(HKEY_CURRENT_USER, "Software\\Classes\\Mine.jpg", "", "Mein Bild");
  WriteRegText(HKEY_LOCAL_MACHINE, kJpgKey, "", "Mine.jpg");
  WriteRegText(HKEY_CURRENT_USER, kJpgChoice, "Progid", "Mine.jpg");
  WriteRegText(HKEY_CURRENT_USER, kJpgChoice, "Hash", "m1");
  Install("/assoc=1");
  EXPECT_EQ(0u, RunQuietUninstall()) << Log();
  EXPECT_TRUE(ProgramFolderGone());
  const RegValue jpg = ReadRegValue(HKEY_LOCAL_MACHINE, kJpgKey, "");
  EXPECT_FALSE(jpg.exists) << jpg.text;
  EXPECT_EQ("Mine.jpg", ReadRegValue(HKEY_CURRENT_USER, kJpgChoice, "Progid").text);
  EXPECT_EQ("m1", ReadRegValue(HKEY_CURRENT_USER, kJpgChoice, "Hash").text);
}
