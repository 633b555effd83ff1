// Unattended deployment, end to end on the real setup and uninstaller.
//
// A deployment tool runs the setup as LocalSystem in a session nobody sees.
// Wine cannot give a process the SYSTEM token (every process runs as the
// prefix's one user), but it does keep window stations apart: a program
// started on a station of its own ("PxDeploy\Default") finds it invisible,
// as a service's station is, and sees no window of the test's desktop. So
// these tests run the setup there for the machine-account rule, and start
// the viewer there for "a viewer in another session".
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "install_texts.h"
#include "shell/shell_expectations.h"
#include "support/px_test_support.h"

using namespace pxtest;
using namespace installtest;

namespace {

constexpr DWORD kInstalled = 0;
constexpr DWORD kViewerBusy = 1618;
constexpr const char* kSetupName = "PixorraSetup64.exe";
constexpr const char* kProgramFolder = "C:\\Program Files\\Pixorra\\";
constexpr const char* kJpgChoice = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg";
constexpr const wchar_t* kHiddenStation = L"PxDeploy";

// The notices of a run on a station nobody sees (Windows-1252, as logged).
const std::string kLinksNotice =
    "Verkn\xfcpfungen f\xfcr alle Benutzer angelegt statt im Profil des Kontos ohne Benutzersitzung";
const std::string kAssociationsNotice =
    "Dateitypen nur f\xfcr den Computer verkn\xfcpft, ohne Benutzerauswahl im Profil des Kontos ohne Benutzersitzung";
const std::string kSettingsNotice =
    "Einstellungsdatei im Programmordner gespeichert statt im Profil des Kontos ohne Benutzersitzung";

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
  return wide;
}

// The test's own user, which the setup started from here runs as too.
// A program started on a window station of its own (station\Default), as a
// service or a program of another session runs. The process is ended when
// the object goes.
class OnOtherStation {
 public:
  OnOtherStation(const std::string& exe, const std::string& args, const std::string& workDir,
                 const wchar_t* station) {
    // The station is made here and kept open while the program runs.
    station_ = CreateWindowStationW(station, 0, WINSTA_ALL_ACCESS, nullptr);
    std::wstring desktop = std::wstring(station) + L"\\Default";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = &desktop[0];
    std::wstring command = L"\"" + Wide(exe) + L"\" " + Wide(args);
    const std::wstring folder = Wide(workDir);
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
    }
  }
  ~OnOtherStation() {
    if (process_ != nullptr) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 10000);
      }
      CloseHandle(process_);
    }
    if (station_ != nullptr) CloseWindowStation(station_);
  }
  OnOtherStation(const OnOtherStation&) = delete;
  OnOtherStation& operator=(const OnOtherStation&) = delete;

  bool started() const { return process_ != nullptr; }
  bool IsRunning() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  // The full exit code after at most timeoutMs; kNoExitCode when still running.
  DWORD Wait(DWORD timeoutMs) const {
    DWORD code = kNoExitCode;
    if (process_ != nullptr && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process_, &code);
    }
    return code;
  }

 private:
  HWINSTA station_ = nullptr;
  HANDLE process_ = nullptr;
};

DWORD RunOnHiddenStation(const std::string& exe, const std::string& args, const std::string& workDir) {
  OnOtherStation run(exe, args, workDir, kHiddenStation);
  EXPECT_TRUE(run.started()) << exe;
  return run.Wait(120000);
}

bool LinkExists(bool allUsers, const char* name) {
  return FileExists(shelltest::GroupFolder(allUsers) + name);
}

class Deployment : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseAllViewers();
    Clean();
    start_ = MakeTempFolder("deploy_start");
  }
  void TearDown() override {
    CloseAllViewers();
    Clean();
    RemoveFolderTree(start_);
  }
  static void Clean() {
    shelltest::CleanRegistry();
    shelltest::CleanLinks();
    RemoveFolderTree(kProgramFolder);
    RemoveFolderTree(SpecialFolder(CSIDL_APPDATA) + "PixorraDeploy\\");
  }
  std::string UninstallLog() const { return ReadWholeFile(start_ + "Pixorra_Uninstall.log"); }

  std::string start_;
};

// --- A machine account writes nothing into its own profile -------------------

struct StationCase {
  const char* name;
  bool hidden;          // run on a station nobody sees
  const char* options;  // besides /silent, links, associations and the settings folder
  bool linksForAllUsers;
  std::vector<std::string> notices;
};

TEST_F(Deployment, ARunNobodySeesWritesNothingIntoTheAccountsProfile) {
  const std::string sid = pxtest::CurrentUserSid();
  ASSERT_NE("", sid);
  const std::vector<StationCase> cases = {
      {"visible station: everything as chosen", false, "/allusers=0", false, {}},
      {"hidden station: links, associations and settings placed for the machine", true, "/allusers=0", true,
       {kLinksNotice + ": " + sid, kAssociationsNotice + ": " + sid, kSettingsNotice + ": %APPDATA%\\PixorraDeploy"}},
      {"hidden station, links for all users already", true, "/allusers=1", true,
       {kAssociationsNotice + ": " + sid, kSettingsNotice + ": %APPDATA%\\PixorraDeploy"}},
  };
  // Windows 8: the run would also mark the store apps of the running user.
  ScopedWineVersion windows8(kSetupName, "win8");
  const std::string appDataSettings = SpecialFolder(CSIDL_APPDATA) + "PixorraDeploy\\px_main64.ini";
  for (const StationCase& c : cases) {
    SCOPED_TRACE(c.name);
    Clean();
    DeleteFileA((start_ + kLogName).c_str());
    const std::string args = std::string("/silent /group=1 /desktop=1 /thumbs=1 /assoc=1 ") + c.options +
                             " /ini=%APPDATA%\\PixorraDeploy";
    const DWORD code = c.hidden ? RunOnHiddenStation(SetupExePath(), args, start_) : RunSetup(args, start_).exitCode;
    ASSERT_EQ(kInstalled, code) << ReadWholeFile(start_ + kLogName);

    // Links: the group and the desktop link in one place only.
    EXPECT_EQ(c.linksForAllUsers, LinkExists(true, shelltest::kGroupLinks[0].name));
    EXPECT_EQ(!c.linksForAllUsers, LinkExists(false, shelltest::kGroupLinks[0].name));
    EXPECT_EQ(c.linksForAllUsers, FileExists(shelltest::DesktopFolder(true) + "Pixorra 64.lnk"));
    EXPECT_EQ(!c.linksForAllUsers, FileExists(shelltest::DesktopFolder(false) + "Pixorra 64.lnk"));
    // Associations: the machine's default always; the user's own part only
    // for a person.
    EXPECT_EQ("Pixorra.jpg", ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.jpg", "").text);
    EXPECT_EQ(!c.hidden, RegKeyExists(HKEY_CURRENT_USER, kJpgChoice));
    EXPECT_EQ(c.hidden ? 0 : 5, shelltest::NoOpenWithCount());
    // The settings file: in the profile for a person, else in the program folder.
    EXPECT_EQ(!c.hidden, FileExists(appDataSettings));
    const std::string programSettings = ReadWholeFile(std::string(kProgramFolder) + "px_main64.ini");
    EXPECT_EQ(!c.hidden, programSettings.find("INI_Folder=") != std::string::npos) << programSettings;
    EXPECT_EQ(c.hidden, programSettings.find("[Language]") != std::string::npos) << programSettings;
    EXPECT_EQ(c.notices, LogTexts(start_));
  }
}

TEST_F(Deployment, TheUninstallerRunTheSameWayTakesTheAllUsersLinks) {
  ASSERT_EQ(kInstalled, RunOnHiddenStation(SetupExePath(), "/silent /group=1 /desktop=1 /thumbs=1", start_));
  ASSERT_TRUE(FolderExists(shelltest::GroupFolder(true)));
  ASSERT_TRUE(FileExists(shelltest::DesktopFolder(true) + "Pixorra 64 Thumbnails.lnk"));

  EXPECT_EQ(0u, RunOnHiddenStation(std::string(kProgramFolder) + "pv_uninstall.exe", "/silent", start_))
      << UninstallLog();
  EXPECT_FALSE(FolderExists(shelltest::GroupFolder(true)));
  EXPECT_FALSE(FileExists(shelltest::DesktopFolder(true) + "Pixorra 64.lnk"));
  EXPECT_FALSE(FileExists(shelltest::DesktopFolder(true) + "Pixorra 64 Thumbnails.lnk"));
  EXPECT_TRUE(WaitFor([] { return !FolderExists(kProgramFolder); }, 15000));
}

// --- The viewer counts in any session ------------------------------------------

// What an installation left that a refused run must not change.
struct Untouched {
  std::vector<std::string> listing;
  std::string about;
  std::string uninstallDate;
};

Untouched TakeStock() {
  return {ListFolder(kProgramFolder), ReadWholeFile(std::string(kProgramFolder) + "px_about.txt"),
          ReadRegValue(HKEY_LOCAL_MACHINE, shelltest::kUninstallKey, "InstallDate").text};
}

void ExpectSame(const Untouched& before) {
  const Untouched after = TakeStock();
  EXPECT_EQ(before.listing, after.listing);
  EXPECT_EQ(before.about, after.about);
  EXPECT_EQ(before.uninstallDate, after.uninstallDate);
}

struct ViewerCase {
  const char* name;
  bool programFoldersViewer;  // else a copy of the same program in another folder
  bool uninstall;             // the uninstaller instead of the setup
  DWORD expected;
};

TEST_F(Deployment, AViewerOfAnotherSessionIsSeenByItsProgramPath) {
  const std::vector<ViewerCase> cases = {
      {"setup, the program folder's viewer", true, false, kViewerBusy},
      {"setup, the same viewer elsewhere", false, false, kInstalled},
      {"uninstaller, the program folder's viewer", true, true, kViewerBusy},
      {"uninstaller, the same viewer elsewhere", false, true, 0},
  };
  const std::string elsewhere = MakeTempFolder("deploy_elsewhere");
  for (const ViewerCase& c : cases) {
    SCOPED_TRACE(c.name);
    Clean();
    DeleteFileA((start_ + kLogName).c_str());
    ASSERT_EQ(kInstalled, RunSetup("/silent", start_).exitCode);
    DeleteFileA((start_ + kLogName).c_str());
    // A mark in a payload file: a run that replaces files shows there.
    WriteFileBytes(std::string(kProgramFolder) + "px_about.txt", "unchanged");
    const std::string viewer = c.programFoldersViewer ? std::string(kProgramFolder) + "px_main64.exe"
                                                      : elsewhere + "px_main64.exe";
    if (!c.programFoldersViewer) {
      ASSERT_TRUE(CopyFileA((std::string(kProgramFolder) + "px_main64.exe").c_str(), viewer.c_str(), FALSE));
    }
    // Its window is on another station: this desktop has none of class "Pixorra".
    OnOtherStation running(viewer, "/quitafter=60", start_, L"PxSession2");
    ASSERT_TRUE(running.started());
    ASSERT_TRUE(FindViewerWindows().empty());
    const Untouched before = TakeStock();

    const RunResult run = c.uninstall ? RunProgram(std::string(kProgramFolder) + "pv_uninstall.exe", "/silent", start_)
                                      : RunSetup("/silent", start_);
    EXPECT_TRUE(running.IsRunning());
    EXPECT_EQ(c.expected, run.exitCode) << ReadWholeFile(start_ + kLogName) << UninstallLog();
    if (c.expected == kViewerBusy) {
      ExpectSame(before);
      if (!c.uninstall) {
        EXPECT_EQ(std::vector<std::string>{kViewerRunning}, LogTexts(start_));
      }
    }
  }
  RemoveFolderTree(elsewhere);
}

}  // namespace
