// Helpers shared by the end-to-end and GUI tests. They run inside the test
// program under Wine, in the same prefix as the setup they start, so they see
// the real registry, files and links that the setup wrote.
//
// Using them (tests/<folder>/CMakeLists.txt):
//
//   px_add_test(install_e2e_test install_e2e_test.cpp LIBS px_test_support)
//   px_add_gui_test(wizard_shot_test wizard_shot_test.cpp LIBS px_test_support)
//
// and in the test:
//
//   #include "support/px_test_support.h"
//   using namespace pxtest;
//   std::string dir = MakeTempFolder("silent_basic");            // C:\pxtest\silent_basic\ (emptied)
//   RunResult r = RunSetup("/silent /folder=" + dir);             // waits, full exit code
//   ASSERT_TRUE(r.started); EXPECT_FALSE(r.timedOut);
//   RegValue v = ReadRegValue(HKEY_CLASSES_ROOT, "Applications\\px_main64.exe\\shell\\open\\command", "");
//   EXPECT_EQ(REG_SZ, v.type);
//   LinkFields l = ReadShellLink(SpecialFolder(CSIDL_DESKTOP) + "Pixorra 64.lnk");
//   ScopedWineVersion win8("PixorraSetup64.exe", "win8");        // for processes started later
//
// Everything here is for test programs only: failures come back as empty or
// false results, never as exceptions, so a test can say what it expected.
// Paths are Windows paths (C:\..., Z:\work\...); HostToWindowsPath turns
// CMake's host paths into ones Windows code can open.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace pxtest {

// Host path (as CMake passes it, e.g. /work/x/build/bin/a.exe) to a Windows
// path on Wine's Z: drive; Windows paths are returned unchanged.
std::string HostToWindowsPath(const std::string& path);
// The other way: the host's name of a Windows path (its last name need not
// exist; a trailing backslash is dropped), through Wine's own mapping; ""
// when Wine cannot tell.
std::string WindowsToHostPath(const std::string& windowsPath);

// The setup executable under test: PX_BUILD_DIR/bin/PixorraSetup64.exe.
std::string SetupExePath();
// The stand-in viewer built for the payload, under PX_BUILD_DIR. Beyond a
// file name and "/thumbs" it takes "/hidden" (start with its window hidden)
// and "/quitafter=N" (close itself after N seconds: use it, so a failing
// test never leaves a viewer behind).
std::string ViewerExePath();
// The uninstaller built for the payload, beside the viewer.
std::string UninstallerExePath();
// The payload archive the setup embeds (PX_BUILD_DIR/payload/payload.zip).
std::string PayloadArchivePath();

// The exit code of a run that never started or never ended: no program of
// ours exits with it, so such a run cannot pass for any expected outcome.
constexpr DWORD kNoExitCode = 0xFFFFFFFFu;

struct RunResult {
  bool started = false;
  bool timedOut = false;
  DWORD exitCode = kNoExitCode;  // the full Windows exit code (1603, 1618, ...)
};

// Starts exe with the given argument text (the command line is the quoted exe
// path, a blank and args) in workDir (empty: the test's current folder),
// waits up to timeoutMs and returns its exit code. A process still running
// at the time-out is terminated.
RunResult RunProgram(const std::string& exe, const std::string& args,
                     const std::string& workDir = "", DWORD timeoutMs = 120000);
// RunProgram on SetupExePath().
RunResult RunSetup(const std::string& args, const std::string& workDir = "",
                   DWORD timeoutMs = 120000);

// A program left running while the test drives it (a wizard, the viewer).
// The destructor terminates it when it is still running.
class StartedProgram {
 public:
  StartedProgram() = default;
  ~StartedProgram();
  StartedProgram(StartedProgram&& other) noexcept;
  StartedProgram& operator=(StartedProgram&& other) noexcept;
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD processId() const { return processId_; }
  HANDLE process() const { return process_; }
  bool IsRunning() const;
  // Waits for the end; the exit code, or nothing when still running.
  bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
  void Terminate();

 private:
  friend StartedProgram StartProgram(const std::string&, const std::string&, const std::string&);
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
};
// Starts exe like RunProgram but does not wait. A start that Wine refuses
// (it can, for a moment, on a busy machine) is tried again twice; each refusal
// is written to stderr with its error code.
StartedProgram StartProgram(const std::string& exe, const std::string& args,
                            const std::string& workDir = "");

// A message box (dialog class "#32770") with that caption other than other,
// waited for up to timeoutMs; null when none came.
HWND WaitForMessageBox(const char* caption, HWND other = nullptr, DWORD timeoutMs = 15000);
// The text a message box shows.
std::string MessageBoxText(HWND box);

// Top-level windows of class "Pixorra" (the viewer), shown or hidden.
std::vector<HWND> FindViewerWindows();
// Posts WM_CLOSE to every viewer window and waits until none is left.
bool CloseAllViewers(DWORD timeoutMs = 5000);

struct RegValue {
  bool exists = false;
  DWORD type = REG_NONE;
  std::string text;            // REG_SZ / REG_EXPAND_SZ data without the terminator
  DWORD number = 0;            // REG_DWORD data
  std::vector<BYTE> raw;       // the data as stored
};
// name "" reads the key's unnamed default value. 64-bit registry view.
RegValue ReadRegValue(HKEY root, const std::string& key, const std::string& name);
bool RegKeyExists(HKEY root, const std::string& key);
std::vector<std::string> ListRegValueNames(HKEY root, const std::string& key);
std::vector<std::string> ListRegSubkeys(HKEY root, const std::string& key);
// Removes the key and everything below it; a missing key is fine.
void DeleteRegTree(HKEY root, const std::string& key);
void WriteRegText(HKEY root, const std::string& key, const std::string& name, const std::string& text);
void WriteRegDword(HKEY root, const std::string& key, const std::string& name, DWORD number);
// Removes one value; a missing value or key is fine.
void DeleteRegValue(HKEY root, const std::string& key, const std::string& name);

// Every entry below folder, relative to it, sorted; sub-folders end in "\".
std::vector<std::string> ListFolder(const std::string& folder, bool recursive = true);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// A new empty folder under the prefix's C:\pxtest\ (created), ending in "\".
std::string MakeTempFolder(const std::string& stem);
// Removes a folder with everything in it (read-only files included).
void RemoveFolderTree(const std::string& folder);
// Removes the copies of the uninstaller in TEMP (pv_uninstall-*.exe), which
// stay there until a restart; waits up to 10 s for a copy still running.
// For tear-downs: later tests then find TEMP as it was.
void RemoveUninstallerCopies();

struct LinkFields {
  bool loaded = false;
  std::string target, arguments, workingFolder, iconPath, description;
  int iconIndex = 0;
};
// Reads a .lnk back through IShellLinkA / IPersistFile.
LinkFields ReadShellLink(const std::string& lnkPath);

// CSIDL folder path with a trailing backslash ("" when it cannot be located).
std::string SpecialFolder(int csidl);

// The SID of the account this test runs as ("S-1-5-..."), "" when unknown.
std::string CurrentUserSid();

// Makes Wine report the given Windows version ("winxp", "vista", "win7",
// "win8", "win10") to programs with this file name; "" restores the default.
// Takes effect for processes started afterwards.
void SetWineVersionFor(const std::string& exeFileName, const std::string& version);

// The version currently set for that file name ("" when none).
std::string WineVersionFor(const std::string& exeFileName);

// RAII form of SetWineVersionFor for one test.
class ScopedWineVersion {
 public:
  ScopedWineVersion(const std::string& exeFileName, const std::string& version);
  ~ScopedWineVersion();
  ScopedWineVersion(const ScopedWineVersion&) = delete;
  ScopedWineVersion& operator=(const ScopedWineVersion&) = delete;
 private:
  std::string exe_;
};

// The screen's DPI (Wine's LogPixels below HKCU\Control Panel\Desktop) for
// programs started while it lives; the setting before comes back at the end.
class ScopedLogPixels {
 public:
  ScopedLogPixels();
  ~ScopedLogPixels();
  ScopedLogPixels(const ScopedLogPixels&) = delete;
  ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;
  void Set(int dpi);

 private:
  RegValue saved_;
};

// GUI bench (tests added with px_add_gui_test): a Wine virtual desktop on an
// Xvfb display, so windows have real pixels. True when this test runs there.
bool OnGuiBench();
// Saves a PNG of the whole virtual desktop as PX_BUILD_DIR/screenshots/<name>.png
// (ImageMagick on the host). Returns the host path, "" when it failed (for
// example outside the GUI bench, where there is no X display).
std::string SaveScreenshot(const std::string& name);

// Polls condition every 20 ms until it holds or timeoutMs passes.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return condition();
    Sleep(20);
  }
}

// A file nobody may change, root included: Wine runs as root here, and a
// read-only attribute does not stop root. The host makes the file
// immutable (chattr +i) for as long as this object lives; ok() tells
// whether it took effect (opening the file for writing is refused).
// Meant for files below C:\pxtest\ (a fresh prefix clears the flag there
// before it removes the old one, should a test be killed).
class ScopedImmutableFile {
 public:
  explicit ScopedImmutableFile(const std::string& path);
  ~ScopedImmutableFile();
  ScopedImmutableFile(const ScopedImmutableFile&) = delete;
  ScopedImmutableFile& operator=(const ScopedImmutableFile&) = delete;
  bool ok() const { return ok_; }

 private:
  std::string path_;
  std::string hostPath_;
  bool ok_ = false;
};

}  // namespace pxtest
