// The real setup and uninstaller in folders somebody has prepared: names
// that are links, files the user changed, the user's files the setup moved
// aside, a record that is not what it should be, a run killed half way, a
// repair right after the removal, and TEMP outside the code page.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/install_record.h"
#include "core/leftover_rules.h"
#include "platform/file_identity.h"
#include "shell/shell_expectations.h"
#include "support/px_test_support.h"

using namespace pxtest;

namespace {

constexpr const char* kSetupName = "PixorraSetup64.exe";
constexpr const char* kFolder = "C:\\Program Files\\Pixorra\\";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64";
constexpr const char* kLinkLeft = ": Verweist auf eine andere Stelle und wurde nicht entfernt!";
constexpr const char* kChanged = ": Seit der Installation ver\xE4ndert, wurde als Ihre Datei nicht entfernt.";
constexpr const char* kKeptLeft = ": Ihre Datei konnte nicht an ihren Platz zur\xFC" "ckgelegt werden";

std::string Record() { return std::string(kFolder) + "pv_uninstall.dat"; }
std::string Uninstaller() { return std::string(kFolder) + "pv_uninstall.exe"; }

// Starts a host program (line: its unix path first); it runs on its own,
// so callers wait for its effect.
bool RunHost(const std::string& line) {
  const std::string program = "Z:" + line.substr(0, line.find(' '));
  std::wstring wideProgram(program.begin(), program.end());
  for (wchar_t& c : wideProgram) c = c == L'/' ? L'\\' : c;
  std::wstring wideLine(line.begin(), line.end());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(wideProgram.c_str(), &wideLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// A host symbolic link at link (a Windows path whose name is free) leading
// to target.
bool MakeHostLink(const std::string& target, const std::string& link) {
  const std::string unixTarget = WindowsToHostPath(target);
  const std::string unixLink = WindowsToHostPath(link);
  if (unixTarget.empty() || unixLink.empty()) return false;
  return RunHost("/bin/ln -s \"" + unixTarget + "\" \"" + unixLink + "\"") &&
         WaitFor([&] { return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
}

// The uninstaller's copies in TEMP that still run.
int RunningCopies() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int running = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (_strnicmp(entry.szExeFile, "pv_uninstall-", 13) == 0) ++running;
  }
  CloseHandle(snapshot);
  return running;
}
bool CopiesEnded() { return WaitFor([] { return RunningCopies() == 0; }, 20000); }

installrecord::InstallRecord ReadRecord() {
  installrecord::InstallRecord record;
  std::string why;
  EXPECT_TRUE(installrecord::Parse(ReadFileBytes(Record()), &record, &why)) << why;
  return record;
}
// The record's copy in the uninstall entry stands in for the file; tests
// that change or spoil the file take it away, as an installation made
// before the entry kept one would have it.
void ForgetRecordCopy() {
  HKEY entry = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE, &entry) == ERROR_SUCCESS) {
    RegDeleteValueA(entry, "InstallRecord");
    RegCloseKey(entry);
  }
}
void WriteRecord(const installrecord::InstallRecord& record) {
  WriteFileBytes(Record(), installrecord::Serialize(record));
  ForgetRecordCopy();
}

class RemovalSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseAllViewers();
    Clean();
    work_ = MakeTempFolder("removal_safety");
    outside_ = MakeTempFolder("removal_safety_outside");
  }
  void TearDown() override {
    CopiesEnded();
    Clean();
    RemoveFolderTree(work_);
    RemoveFolderTree(outside_);
  }
  static void Clean() {
    shelltest::CleanRegistry();
    shelltest::CleanLinks();
    RemoveFolderTree(kFolder);
  }
  // Removes the host link at path first (deleting it from Windows would
  // delete its target), then cleans up.
  static void UnlinkAndClean(const std::string& path) {
    EXPECT_TRUE(RunHost("/bin/rm -f \"" + WindowsToHostPath(path) + "\""));
    EXPECT_TRUE(WaitFor([&] { return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; }, 10000)) << path;
    Clean();
  }

  void Install(const std::string& options = "") {
    ScopedWineVersion wineVersion(kSetupName, "win7");
    const RunResult run = RunSetup("/silent " + options, work_);
    ASSERT_TRUE(run.started);
    ASSERT_EQ(0u, run.exitCode) << ReadFileBytes(work_ + "Pixorra_Uninstall.log");
    ASSERT_TRUE(FileExists(Record()));
  }
  DWORD Uninstall(const std::string& exe = Uninstaller()) {
    const RunResult run = RunProgram(exe, "/silent", work_);
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    return run.exitCode;
  }
  std::string Log() { return ReadFileBytes(work_ + "Pixorra_Uninstall.log"); }
  void ForgetLog() { DeleteFileA((work_ + "Pixorra_Uninstall.log").c_str()); }

  std::string work_;
  std::string outside_;
};

// --- Never through a link.

// Names of the payload replaced by host links to what is not ours: the link
// is left and named, what it leads to is untouched, the rest goes, and the
// run fails so that record, uninstaller and entry stay for a second run.
TEST_F(RemovalSafety, LinksInTheProgramFolderAreLeft) {
  const struct {
    const char* what;
    const char* name;  // in the program folder; a folder ends in "\"
    std::string target;
    bool hardLink;
  } cases[] = {
      {"file link to a file outside", "px_about.txt", "victim.txt", false},
      {"file link to the Windows folder", "px_options.txt", "C:\\windows\\win.ini", false},
      {"hard link to a file outside", "px_changes.txt", "victim.txt", true},
      {"folder link to an empty folder", "Help\\", "Leer\\", false},
      {"folder link to a folder with a file", "Html\\", "Voll\\", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Install();
    const std::string path = std::string(kFolder) + c.name;
    std::string target = c.target.find(':') == std::string::npos ? outside_ + c.target : c.target;
    const bool folder = path.back() == '\\';
    const std::string bare = folder ? path.substr(0, path.size() - 1) : path;
    const std::string bareTarget = folder ? target.substr(0, target.size() - 1) : target;
    std::string before;
    if (folder) {
      RemoveFolderTree(path);
      CreateDirectoryA(target.c_str(), nullptr);
      if (c.target == "Voll\\") WriteFileBytes(target + "index.htm", "fremd");
    } else {
      DeleteFileA(path.c_str());
      if (target.rfind(outside_, 0) == 0) WriteFileBytes(target, "nicht anfassen");
      before = ReadFileBytes(target);
      ASSERT_NE("", before);
    }
    if (c.hardLink) {
      ASSERT_TRUE(CreateHardLinkA(path.c_str(), target.c_str(), nullptr));
    } else {
      ASSERT_TRUE(MakeHostLink(bareTarget, bare)) << bare;
    }

    EXPECT_EQ(1603u, Uninstall());
    EXPECT_NE(std::string::npos, Log().find(bare + kLinkLeft)) << Log();
    if (folder) {
      EXPECT_TRUE(FolderExists(target)) << "the link's target folder stays";
      if (c.target == "Voll\\") {
        EXPECT_EQ("fremd", ReadFileBytes(target + "index.htm"));
      }
    } else {
      EXPECT_EQ(before, ReadFileBytes(target)) << "the link's target stays";
    }
    EXPECT_TRUE(FileExists(Record()));
    EXPECT_TRUE(FileExists(Uninstaller()));
    EXPECT_FALSE(FileExists(std::string(kFolder) + "px_main64.exe")) << "the rest goes";
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    ForgetLog();
    UnlinkAndClean(bare);
    if (folder) RemoveFolderTree(target);
  }
}

// A desktop link file that is itself a host link to another file: left.
TEST_F(RemovalSafety, DesktopLinkThatIsAHostLinkIsLeft) {
  Install("/desktop=1");
  const std::string desktop = shelltest::DesktopFolder(false) + "Pixorra 64.lnk";
  const std::string victim = outside_ + "fremd.lnk";
  ASSERT_TRUE(CopyFileA(desktop.c_str(), victim.c_str(), FALSE));
  DeleteFileA(desktop.c_str());
  ASSERT_TRUE(MakeHostLink(victim, desktop));

  EXPECT_EQ(1603u, Uninstall());
  EXPECT_NE(std::string::npos, Log().find(desktop + kLinkLeft)) << Log();
  EXPECT_TRUE(FileExists(victim));
  EXPECT_TRUE(FileExists(Record()));
  UnlinkAndClean(desktop);
}

// The program folder itself reached through a link: nothing on the disk
// is touched.
TEST_F(RemovalSafety, ProgramFolderThatIsALinkIsLeftAlone) {
  const std::string real = outside_ + "Echt\\";
  {
    ScopedWineVersion wineVersion(kSetupName, "win7");
    ASSERT_EQ(0u, RunSetup("/silent /folder=" + real, work_).exitCode);
  }
  const std::string alias = work_ + "Alias";
  ASSERT_TRUE(MakeHostLink(real.substr(0, real.size() - 1), alias));
  const std::vector<std::string> files = ListFolder(real);

  EXPECT_EQ(1603u, Uninstall(alias + "\\pv_uninstall.exe"));
  EXPECT_NE(std::string::npos, Log().find("Der Programmordner ist ein Verweis auf einen anderen Ordner")) << Log();
  EXPECT_EQ(files, ListFolder(real));
  UnlinkAndClean(alias);
}

// --- Only unchanged files of ours.

TEST_F(RemovalSafety, FilesTheUserChangedStayAsTheirs) {
  const struct {
    const char* what;
    const char* name;
    void (*change)(const std::string& path);
  } cases[] = {
      {"longer", "px_about.txt", [](const std::string& p) { WriteFileBytes(p, ReadFileBytes(p) + "Notiz"); }},
      {"same size, other bytes", "Html\\stil.css",
       [](const std::string& p) {
         std::string text = ReadFileBytes(p);
         text[0] = static_cast<char>(text[0] ^ 1);
         WriteFileBytes(p, text);
       }},
      {"record line without a stamp", "px_plugins.txt",
       [](const std::string& p) {
         installrecord::InstallRecord record = ReadRecord();
         for (installrecord::RecordedFile& file : record.files) {
           if (std::string(kFolder) + file.name == p) file.stamped = false;
         }
         WriteRecord(record);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Install();
    const std::string path = std::string(kFolder) + c.name;
    c.change(path);
    const std::string content = ReadFileBytes(path);

    EXPECT_EQ(0u, Uninstall()) << Log();
    EXPECT_EQ(content, ReadFileBytes(path));
    EXPECT_NE(std::string::npos, Log().find(path + kChanged)) << Log();
    ASSERT_TRUE(CopiesEnded());
    EXPECT_FALSE(FileExists(Uninstaller()));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(FileExists(std::string(kFolder) + "px_main64.exe"));
    ForgetLog();
    Clean();
  }
}

// The interactive uninstaller names them in its closing box, apart from
// the user's other files.
TEST_F(RemovalSafety, InteractiveClosingBoxNamesChangedFiles) {
  Install();
  const std::string changed = std::string(kFolder) + "px_about.txt";
  WriteFileBytes(changed, ReadFileBytes(changed) + "Notiz");
  StartedProgram uninstaller = StartProgram(Uninstaller(), "", work_);
  HWND question = WaitForMessageBox("Pixorra deinstallieren");
  ASSERT_NE(nullptr, question);
  PostMessageA(GetDlgItem(question, IDYES), BM_CLICK, 0, 0);
  HWND closing = WaitForMessageBox("Pixorra deinstallieren", question);
  ASSERT_NE(nullptr, closing);
  const std::string text = MessageBoxText(closing);
  EXPECT_NE(std::string::npos, text.find("Diese Dateien wurden seit der Installation ver\xE4ndert und nicht entfernt:\n" +
                                         changed))
      << text;
  EXPECT_EQ(std::string::npos, text.find("Ihre eigenen Dateien")) << text;
  PostMessageA(GetDlgItem(closing, IDOK), BM_CLICK, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(uninstaller.Wait(10000, &code));
  EXPECT_EQ(0u, code);
  EXPECT_TRUE(FileExists(changed));
}

// --- The uninstaller replaced while it was open.

// An update while an uninstaller is open renames the running file to its
// replaced name and cannot delete it. The removal clears it: by the open
// uninstaller, answered Yes after the update, or by the new one after the
// open one was answered No.
TEST_F(RemovalSafety, TheReplacedUninstallerDoesNotOutliveTheRemoval) {
  const struct {
    const char* name;
    bool removedByTheOpenOne;
  } cases[] = {{"the open uninstaller goes on", true}, {"the new uninstaller removes", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string replaced = Uninstaller() + ".pxold";
    Install("/group=1");
    StartedProgram open = StartProgram(Uninstaller(), "", work_);
    HWND question = WaitForMessageBox("Pixorra deinstallieren");
    ASSERT_NE(nullptr, question);
    Install("/group=1");
    ASSERT_TRUE(FileExists(replaced)) << "the update could not delete the running uninstaller";
    PostMessageA(GetDlgItem(question, c.removedByTheOpenOne ? IDYES : IDNO), BM_CLICK, 0, 0);
    if (c.removedByTheOpenOne) {
      HWND closing = WaitForMessageBox("Pixorra deinstallieren", question);
      ASSERT_NE(nullptr, closing);
      PostMessageA(GetDlgItem(closing, IDOK), BM_CLICK, 0, 0);
    }
    DWORD code = 1;
    ASSERT_TRUE(open.Wait(10000, &code));
    if (!c.removedByTheOpenOne) {
      EXPECT_EQ(0u, Uninstall()) << Log();
    }
    EXPECT_TRUE(WaitFor([] { return !FolderExists(kFolder); }, 20000)) << ListFolder(kFolder).size();
    EXPECT_FALSE(FileExists(replaced));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    CopiesEnded();
    Clean();
  }
}

// --- The user's files that the setup moved aside come back.

TEST_F(RemovalSafety, KeptFilesComeBack) {
  const struct {
    const char* what;
    std::vector<std::string> kept;
    const char* blocker;  // a file left at the name (the user changed ours)
    DWORD exitCode;
    const char* linkedFolder = nullptr;  // the folder on the way back, now a link to an empty folder outside
  } cases[] = {
      {"one file", {"px_about.txt"}, nullptr, 0},
      {"files in folders", {"px_about.txt", "Html\\index.htm", "Help\\px_faq_deutsch.htm"}, nullptr, 0},
      {"our file changed at its name", {"px_about.txt"}, "px_about.txt", 1603},
      {"its folder made a link", {"Html\\index.htm"}, nullptr, 1603, "Html"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Install();
    installrecord::InstallRecord record = ReadRecord();
    for (const std::string& name : c.kept) {
      const std::size_t slash = name.rfind('\\');
      const std::string keptFolder = std::string(kFolder) + installrecord::kKeptFolder;
      CreateDirectoryA(keptFolder.c_str(), nullptr);
      if (slash != std::string::npos) CreateDirectoryA((keptFolder + name.substr(0, slash)).c_str(), nullptr);
      WriteFileBytes(keptFolder + name, "Datei des Benutzers: " + name);
      record.kept.push_back(name);
    }
    WriteRecord(record);
    if (c.blocker != nullptr) {
      const std::string blocker = std::string(kFolder) + c.blocker;
      WriteFileBytes(blocker, ReadFileBytes(blocker) + "geaendert");
    }
    const std::string linked = c.linkedFolder != nullptr ? std::string(kFolder) + c.linkedFolder : std::string();
    if (!linked.empty()) {
      RemoveFolderTree(linked);
      ASSERT_TRUE(MakeHostLink(outside_, linked));
    }

    EXPECT_EQ(c.exitCode, Uninstall()) << Log();
    ASSERT_TRUE(CopiesEnded());
    for (const std::string& name : c.kept) {
      const std::string kept = std::string(kFolder) + installrecord::kKeptFolder + name;
      if (c.exitCode == 0) {
        EXPECT_EQ("Datei des Benutzers: " + name, ReadFileBytes(std::string(kFolder) + name));
        EXPECT_FALSE(FolderExists(std::string(kFolder) + installrecord::kKeptFolder));
      } else {
        EXPECT_TRUE(FileExists(kept));
        EXPECT_NE(std::string::npos, Log().find(kept + kKeptLeft)) << Log();
        EXPECT_TRUE(FileExists(Record()));
      }
    }
    EXPECT_EQ(std::vector<std::string>(), ListFolder(outside_)) << "moved through the link";
    ForgetLog();
    if (linked.empty()) {
      Clean();
    } else {
      UnlinkAndClean(linked);
    }
  }
}

// --- The log names the real cause.

TEST_F(RemovalSafety, RecordProblemsAreNamed) {
  const struct {
    const char* what;
    void (*spoil)(const std::string& outside);
    const char* logged;
    bool linked = false;
  } cases[] = {
      {"missing", [](const std::string&) { DeleteFileA(Record().c_str()); }, "pv_uninstall.dat fehlt"},
      {"too large",
       [](const std::string&) { WriteFileBytes(Record(), ReadFileBytes(Record()) + std::string(300 * 1024, ' ')); },
       "pv_uninstall.dat ist gr\xF6\xDF" "er als jedes Protokoll"},
      {"a folder in its place",
       [](const std::string&) {
         DeleteFileA(Record().c_str());
         CreateDirectoryA(Record().c_str(), nullptr);
       },
       "An der Stelle des Installationsprotokolls pv_uninstall.dat liegt ein Ordner"},
      {"a link to another file",
       [](const std::string& outside) {
         CopyFileA(Record().c_str(), (outside + "protokoll.dat").c_str(), FALSE);
         DeleteFileA(Record().c_str());
         MakeHostLink(outside + "protokoll.dat", Record());
       },
       "pv_uninstall.dat ist ein Verweis auf eine andere Datei", true},
      {"damaged", [](const std::string&) { WriteFileBytes(Record(), "kein Protokoll\r\n"); },
       "pv_uninstall.dat ist besch\xE4" "digt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Install();
    c.spoil(outside_);
    ForgetRecordCopy();
    const std::vector<std::string> files = ListFolder(kFolder);
    EXPECT_EQ(1603u, Uninstall());
    EXPECT_NE(std::string::npos, Log().find(c.logged)) << Log();
    EXPECT_EQ(files, ListFolder(kFolder));
    ForgetLog();
    if (c.linked) UnlinkAndClean(Record());
    else Clean();
  }
}

// --- A run killed right after it deleted the record: a retry finishes.

TEST_F(RemovalSafety, RetriedRunFinishesWhatAKilledOneLeft) {
  const struct {
    const char* what;
    std::vector<std::string> left;  // besides pv_uninstall.exe; folders end in "\"
    bool entryStays;
    bool entryKeepsItsCopy;
    DWORD exitCode;
  } cases[] = {
      {"only the uninstaller", {}, false, false, 0},
      {"with emptied payload folders", {"Html\\", "Help\\"}, false, false, 0},
      {"a file of the user", {"Meine Notizen.txt"}, false, false, 1603},
      {"a folder of the user", {"Eigene\\"}, false, false, 1603},
      {"the uninstall entry still there", {}, true, false, 1603},
      {"the entry with its record copy", {"Html\\"}, true, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Install();
    // The state a killed run leaves: everything but the uninstaller gone.
    for (const std::string& name : ListFolder(kFolder, false)) {
      if (name == "pv_uninstall.exe") continue;
      if (name.back() == '\\') RemoveFolderTree(kFolder + name);
      else DeleteFileA((kFolder + name).c_str());
    }
    if (!c.entryStays) shelltest::CleanRegistry();
    if (!c.entryKeepsItsCopy) ForgetRecordCopy();
    for (const std::string& name : c.left) {
      if (name.back() == '\\') CreateDirectoryA((kFolder + name).c_str(), nullptr);
      else WriteFileBytes(kFolder + name, "eigene Datei");
    }
    const std::vector<std::string> files = ListFolder(kFolder);

    EXPECT_EQ(c.exitCode, Uninstall()) << Log();
    if (c.exitCode == 0) {
      EXPECT_TRUE(WaitFor([] { return !FolderExists(kFolder); }, 20000)) << ListFolder(kFolder).size();
      EXPECT_EQ("", Log());
    } else {
      EXPECT_NE(std::string::npos, Log().find("pv_uninstall.dat fehlt")) << Log();
      EXPECT_EQ(files, ListFolder(kFolder));
    }
    ForgetLog();
    Clean();
  }
}

// --- The copy in TEMP.

// A copy that cannot be made fails the run; once it can, a second run
// finishes. An elevated removal makes it in the system's temporary folder
// (the user's TEMP does not count): that folder is moved aside.
TEST_F(RemovalSafety, CleanupCopyThatCannotBeMadeFailsTheRun) {
  Install("/group=1");
  char windows[MAX_PATH] = {};
  GetSystemWindowsDirectoryA(windows, MAX_PATH);
  const std::string systemTemp = std::string(windows) + "\\Temp";
  const std::string aside = systemTemp + ".px_aside";
  ASSERT_TRUE(MoveFileA(systemTemp.c_str(), aside.c_str()));
  const DWORD failed = Uninstall();
  ASSERT_TRUE(MoveFileA(aside.c_str(), systemTemp.c_str()));

  EXPECT_EQ(1603u, failed);
  EXPECT_NE(std::string::npos, Log().find(Uninstaller() + ": Das Deinstallationsprogramm kann sich nicht selbst entfernen"))
      << Log();
  EXPECT_TRUE(FileExists(Uninstaller()));
  EXPECT_TRUE(FileExists(Record()));
  ForgetLog();

  EXPECT_EQ(0u, Uninstall()) << Log();
  EXPECT_TRUE(WaitFor([] { return !FolderExists(kFolder); }, 20000));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}


// The elevated removal's copy is never in the user's TEMP, which any
// process of the user can write: it is made in a folder of its own in the
// system's temporary folder (made with a DACL for Administrators and SYSTEM
// alone, which Wine does not keep: it answers its default DACL whatever it
// was given, so that part cannot be seen here), and that folder goes with
// it. A watcher looks without pause for both.
TEST_F(RemovalSafety, TheElevatedCopyRunsFromAFolderOfItsOwnNeverFromTheUsersTemp) {
  Install("/group=1");
  char temp[MAX_PATH + 1] = {}, windows[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  GetSystemWindowsDirectoryA(windows, MAX_PATH);
  const std::string userTemp = temp;
  const std::string systemTemp = std::string(windows) + "\\Temp\\";
  std::atomic<bool> stop(false);
  std::vector<std::string> inUserTemp;
  std::set<std::string> privateFolders, earlier;
  for (const std::string& name : ListFolder(systemTemp, false)) earlier.insert(name);
  std::thread watcher([&] {
    while (!stop) {
      for (const std::string& name : ListFolder(userTemp, false)) {
        if (name.rfind("pv_uninstall-", 0) == 0 && name.find(".exe") != std::string::npos) inUserTemp.push_back(name);
      }
      for (const std::string& name : ListFolder(systemTemp, false)) {
        if (name.rfind("pv_uninstall-", 0) == 0 && earlier.count(name) == 0) privateFolders.insert(name);
      }
    }
  });
  const DWORD removed = Uninstall();
  const bool gone = WaitFor([] { return !FolderExists(kFolder); }, 20000);
  stop = true;
  watcher.join();
  EXPECT_EQ(0u, removed) << Log();
  EXPECT_TRUE(gone);
  EXPECT_TRUE(inUserTemp.empty()) << inUserTemp.front();
  ASSERT_EQ(1u, privateFolders.size());
  const std::string folder = systemTemp + *privateFolders.begin();
  const bool folderGone = WaitFor([&] { return !FolderExists(folder); }, 5000);
  const RegValue pending = ReadRegValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                                        "PendingFileRenameOperations");
  EXPECT_TRUE(folderGone || std::string(pending.raw.begin(), pending.raw.end()).find(*privateFolders.begin()) != std::string::npos)
      << "the copy's folder stays only until the next restart";
}

// The copy in TEMP as the original starts it, but waiting on a process the
// test ends when it chooses: "cmd /c set /p x=" reading a pipe that the
// test closes. The copy is told the uninstaller's identity as it was now.
class HeldCleanupCopy {
 public:
  explicit HeldCleanupCopy(const std::string& folder) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    if (!CreatePipe(&readEnd, &stdinWrite_, &inherit, 0)) return;
    SetHandleInformation(stdinWrite_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    char waiterLine[] = "cmd.exe /c set /p x=";
    PROCESS_INFORMATION waiter = {};
    const BOOL started = CreateProcessA(nullptr, waiterLine, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &waiter);
    CloseHandle(readEnd);
    if (!started) return;
    CloseHandle(waiter.hThread);
    waiter_ = waiter.hProcess;

    // The identity the original takes of its own file before it ends.
    leftoverrules::FileStamp stamp;
    const std::wstring resolved = ResolvedFolderPath(folder);
    std::wstring uninstaller;
    AnsiToWide(folder + "pv_uninstall.exe", &uninstaller);
    if (resolved.empty() || !TakeFileStamp(uninstaller, resolved + L"\\pv_uninstall.exe", &stamp)) return;

    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    copy_ = std::string(temp) + "pv_uninstall-held.exe";
    if (!CopyFileA((folder + "pv_uninstall.exe").c_str(), copy_.c_str(), FALSE)) return;
    HANDLE inherited = nullptr;
    DuplicateHandle(GetCurrentProcess(), waiter_, GetCurrentProcess(), &inherited, SYNCHRONIZE, TRUE, 0);
    std::string line = "\"" + copy_ + "\" /cleanup=" + std::to_string(reinterpret_cast<unsigned long long>(inherited)) +
                       " /rmdir=0 \"" + folder + "\"" + leftoverrules::FormatFileStamp(stamp);
    STARTUPINFOA plain = {};
    plain.cb = sizeof plain;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(copy_.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, temp, &plain, &process)) {
      CloseHandle(process.hThread);
      copyProcess_ = process.hProcess;
    }
    CloseHandle(inherited);
  }
  ~HeldCleanupCopy() {
    Release();
    if (waiter_ != nullptr) CloseHandle(waiter_);
    if (copyProcess_ != nullptr) CloseHandle(copyProcess_);
  }
  bool started() const { return copyProcess_ != nullptr; }
  // Lets the copy go on and waits until it has ended.
  bool Release() {
    if (stdinWrite_ != nullptr) {
      CloseHandle(stdinWrite_);
      stdinWrite_ = nullptr;
    }
    return copyProcess_ == nullptr || WaitForSingleObject(copyProcess_, 30000) == WAIT_OBJECT_0;
  }

 private:
  HANDLE stdinWrite_ = nullptr;
  HANDLE waiter_ = nullptr;
  HANDLE copyProcess_ = nullptr;
  std::string copy_;
};

// A repair by a deployment tool: remove, then install again at once into
// the same folder. The old uninstaller's copy in TEMP, held back until the
// new installation is done, must not take the new uninstaller; without the
// repair, the same copy does delete the file it was started for.
TEST_F(RemovalSafety, RepairRightAfterTheRemovalKeepsTheNewUninstaller) {
  const struct {
    const char* what;
    bool repair;
    bool uninstallerStays;
  } cases[] = {
      {"repaired meanwhile", true, true},
      {"nothing happened meanwhile", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Install("/group=1");
    HeldCleanupCopy copy(kFolder);
    ASSERT_TRUE(copy.started());
    if (c.repair) Install("/group=1");
    ASSERT_TRUE(copy.Release());
    EXPECT_EQ(c.uninstallerStays, FileExists(Uninstaller()));
    EXPECT_TRUE(FileExists(Record()));
    // The installation is still whole: a removal ends it.
    if (!c.uninstallerStays) Install("/group=1");
    EXPECT_EQ(0u, Uninstall()) << Log();
    ASSERT_TRUE(CopiesEnded());
  }
}

// A removal immediately followed by a new installation into the folder the
// removal leaves: the uninstaller it left for its copy is the product's own,
// replaced rather than kept as a file of the user's.
TEST_F(RemovalSafety, InstallRightAfterTheRemovalReplacesTheLeftUninstaller) {
  Install("/group=1");
  HeldCleanupCopy copy(kFolder);
  ASSERT_TRUE(copy.started());
  DeleteFileA(Record().c_str());  // as the removal leaves it, the uninstaller alone
  Install("/group=1");
  ASSERT_TRUE(copy.Release());
  EXPECT_FALSE(FolderExists(std::string(kFolder) + "pv_kept\\"));
  EXPECT_TRUE(FileExists(Uninstaller()));
  EXPECT_EQ(0u, Uninstall()) << Log();
  ASSERT_TRUE(CopiesEnded());
}

// TEMP whose name the ANSI code page cannot spell.
TEST_F(RemovalSafety, TempOutsideTheCodePage) {
  const std::wstring temp = L"C:\\users\\\x0141ukasz\\Temp";
  CreateDirectoryW(L"C:\\users\\\x0141ukasz", nullptr);
  CreateDirectoryW(temp.c_str(), nullptr);
  Install("/group=1");
  wchar_t oldTemp[MAX_PATH] = {}, oldTmp[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TEMP", oldTemp, MAX_PATH);
  GetEnvironmentVariableW(L"TMP", oldTmp, MAX_PATH);
  SetEnvironmentVariableW(L"TEMP", temp.c_str());
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  const DWORD code = Uninstall();
  SetEnvironmentVariableW(L"TEMP", oldTemp);
  SetEnvironmentVariableW(L"TMP", oldTmp);

  EXPECT_EQ(0u, code) << Log();
  EXPECT_TRUE(WaitFor([] { return !FolderExists(kFolder); }, 20000)) << ListFolder(kFolder).size();
}

}  // namespace
