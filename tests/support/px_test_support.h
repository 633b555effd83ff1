// Helpers shared by the end-to-end and GUI tests. They run inside the test
// program under Wine, in the same prefix as the setup they start, so they see
// the real registry, files and links that the setup wrote.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace pxtest {

// Host path (as CMake passes it, e.g. /work/x/build/bin/a.exe) to a Windows
// path on Wine's Z: drive; Windows paths are returned unchanged.
std::string HostToWindowsPath(const std::string& path);

// The setup executable under test: PX_BUILD_DIR/bin/PixorraSetup64.exe.
std::string SetupExePath();
// The stand-in viewer built for the payload, under PX_BUILD_DIR.
std::string ViewerExePath();

struct RunResult {
  bool started = false;
  bool timedOut = false;
  DWORD exitCode = 0;  // the full Windows exit code (1603, 1618, ...)
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

struct LinkFields {
  bool loaded = false;
  std::string target, arguments, workingFolder, iconPath, description;
  int iconIndex = 0;
};
// Reads a .lnk back through IShellLinkA / IPersistFile.
LinkFields ReadShellLink(const std::string& lnkPath);

// CSIDL folder path with a trailing backslash ("" when it cannot be located).
std::string SpecialFolder(int csidl);

// Makes Wine report the given Windows version ("winxp", "vista", "win7",
// "win8", "win10") to programs with this file name; "" restores the default.
// Takes effect for processes started afterwards.
void SetWineVersionFor(const std::string& exeFileName, const std::string& version);

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

}  // namespace pxtest
