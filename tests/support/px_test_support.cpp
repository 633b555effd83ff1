#include "support/px_test_support.h"

#include <objbase.h>
#include <sddl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pxtest {

namespace {

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

std::string EnvironmentValue(const char* name) {
  char value[1024];
  DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
  return (n == 0 || n >= sizeof(value)) ? std::string() : std::string(value, n);
}

// Keys are opened in the 64-bit view: the setup is a 64-bit program and that
// is where its writes land.
constexpr REGSAM kView = KEY_WOW64_64KEY;

class RegKey {
 public:
  RegKey(HKEY root, const std::string& key, REGSAM access) {
    if (RegOpenKeyExA(root, key.c_str(), 0, access | kView, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

std::wstring Widen(const std::string& text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
  wide.resize(static_cast<size_t>(n - 1));
  return wide;
}

void CollectFolder(const std::string& root, const std::string& relative, bool recursive,
                   std::vector<std::string>& out) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((root + relative + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(relative + name + "\\");
      if (recursive) CollectFolder(root, relative + name + "\\", recursive, out);
    } else {
      out.push_back(relative + name);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

bool CreateFolderChain(const std::string& folder) {
  std::string path = WithBackslash(folder);
  for (size_t i = 3; i < path.size(); ++i) {  // after "C:\"
    if (path[i] != '\\' && path[i] != '/') continue;
    std::string prefix = path.substr(0, i);
    if (!CreateDirectoryA(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return true;
}

}  // namespace

std::string HostToWindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string windows = "Z:" + path;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

std::string WindowsToHostPath(const std::string& windowsPath) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  static const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return "";
  std::string trimmed = windowsPath;
  while (trimmed.size() > 3 && trimmed.back() == '\\') trimmed.pop_back();
  const int length = MultiByteToWideChar(CP_ACP, 0, trimmed.c_str(), -1, nullptr, 0);
  if (length <= 0) return "";
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, trimmed.c_str(), -1, &wide[0], length);
  char* name = unixName(wide.c_str());
  if (name == nullptr) return "";
  std::string path = name;
  HeapFree(GetProcessHeap(), 0, name);
  return path;
}

std::string SetupExePath() { return HostToWindowsPath(PX_BUILD_DIR "/bin/PixorraSetup64.exe"); }
std::string ViewerExePath() { return HostToWindowsPath(PX_BUILD_DIR "/payload/bin/px_main64.exe"); }
std::string UninstallerExePath() { return HostToWindowsPath(PX_BUILD_DIR "/payload/bin/pv_uninstall.exe"); }
std::string PayloadArchivePath() { return HostToWindowsPath(PX_BUILD_DIR "/payload/payload.zip"); }

// --- Programs -----------------------------------------------------------

StartedProgram StartProgram(const std::string& exe, const std::string& args, const std::string& workDir) {
  // The desktop is up before the first program starts, and belongs to this
  // test's lifetime. Under Wine it is a process of its own (explorer.exe),
  // started by whichever process needs it first and given that process's
  // output: a program a test kills while the desktop is still starting for
  // it can leave it running for good, and CTest then waits on the output it
  // holds.
  static const bool desktopUp = GetDesktopWindow() != nullptr;
  (void)desktopUp;
  std::string commandLine = "\"" + exe + "\"";
  if (!args.empty()) commandLine += " " + args;
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  StartedProgram program;
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       workDir.empty() ? nullptr : workDir.c_str(), &startup, &info)) {
      break;
    }
    const DWORD error = GetLastError();
    std::fprintf(stderr, "StartProgram: %s could not be started (attempt %d, error %lu)\n", exe.c_str(), attempt,
                 static_cast<unsigned long>(error));
    // A missing or unusable program stays so; only other refusals get a second try.
    if (attempt == 3 || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_BAD_EXE_FORMAT || error == ERROR_DIRECTORY) {
      return program;
    }
    Sleep(200 * attempt);
  }
  CloseHandle(info.hThread);
  program.process_ = info.hProcess;
  program.processId_ = info.dwProcessId;
  return program;
}

StartedProgram::~StartedProgram() {
  if (process_ == nullptr) return;
  Terminate();
  CloseHandle(process_);
}

StartedProgram::StartedProgram(StartedProgram&& other) noexcept
    : process_(other.process_), processId_(other.processId_) {
  other.process_ = nullptr;
  other.processId_ = 0;
}

StartedProgram& StartedProgram::operator=(StartedProgram&& other) noexcept {
  if (this != &other) {
    if (process_ != nullptr) {
      Terminate();
      CloseHandle(process_);
    }
    process_ = other.process_;
    processId_ = other.processId_;
    other.process_ = nullptr;
    other.processId_ = 0;
  }
  return *this;
}

bool StartedProgram::IsRunning() const {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool StartedProgram::Wait(DWORD timeoutMs, DWORD* exitCode) {
  if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  if (exitCode != nullptr) *exitCode = code;
  return true;
}

void StartedProgram::Terminate() {
  if (IsRunning()) {
    TerminateProcess(process_, 0xDEAD);
    WaitForSingleObject(process_, 5000);
  }
}

RunResult RunProgram(const std::string& exe, const std::string& args, const std::string& workDir,
                     DWORD timeoutMs) {
  RunResult result;
  StartedProgram program = StartProgram(exe, args, workDir);
  if (!program.started()) return result;
  result.started = true;
  if (!program.Wait(timeoutMs, &result.exitCode)) {
    result.timedOut = true;
    program.Terminate();
  }
  return result;
}

RunResult RunSetup(const std::string& args, const std::string& workDir, DWORD timeoutMs) {
  return RunProgram(SetupExePath(), args, workDir, timeoutMs);
}

HWND WaitForMessageBox(const char* caption, HWND other, DWORD timeoutMs) {
  HWND box = nullptr;
  WaitFor([&] {
    box = FindWindowA("#32770", caption);
    return box != nullptr && box != other;
  }, timeoutMs);
  return box != other ? box : nullptr;
}

std::string MessageBoxText(HWND box) {
  char text[4096] = "";
  GetWindowTextA(GetDlgItem(box, 0xFFFF), text, sizeof text);
  return text;
}

std::vector<HWND> FindViewerWindows() {
  std::vector<HWND> windows;
  HWND after = nullptr;
  while ((after = FindWindowExA(nullptr, after, "Pixorra", nullptr)) != nullptr) {
    windows.push_back(after);
    if (windows.size() > 100) break;  // a window list that changes under us
  }
  return windows;
}

bool CloseAllViewers(DWORD timeoutMs) {
  for (HWND window : FindViewerWindows()) PostMessageA(window, WM_CLOSE, 0, 0);
  return WaitFor([] { return FindViewerWindows().empty(); }, timeoutMs);
}

// --- Registry -------------------------------------------------------------

RegValue ReadRegValue(HKEY root, const std::string& key, const std::string& name) {
  RegValue value;
  RegKey opened(root, key, KEY_QUERY_VALUE);
  if (!opened) return value;
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExA(opened.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return value;
  value.raw.resize(size);
  if (RegQueryValueExA(opened.get(), name.c_str(), nullptr, &type, value.raw.empty() ? nullptr : value.raw.data(),
                       &size) != ERROR_SUCCESS) {
    value.raw.clear();
    return value;
  }
  value.raw.resize(size);
  value.exists = true;
  value.type = type;
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    value.text.assign(value.raw.begin(), value.raw.end());
    while (!value.text.empty() && value.text.back() == '\0') value.text.pop_back();
  } else if (type == REG_DWORD && size >= sizeof(DWORD)) {
    std::memcpy(&value.number, value.raw.data(), sizeof(DWORD));
  }
  return value;
}

bool RegKeyExists(HKEY root, const std::string& key) {
  return static_cast<bool>(RegKey(root, key, KEY_READ));
}

std::vector<std::string> ListRegValueNames(HKEY root, const std::string& key) {
  std::vector<std::string> names;
  RegKey opened(root, key, KEY_READ);
  if (!opened) return names;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD length = sizeof(name);
    if (RegEnumValueA(opened.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ListRegSubkeys(HKEY root, const std::string& key) {
  std::vector<std::string> names;
  RegKey opened(root, key, KEY_READ);
  if (!opened) return names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof(name);
    if (RegEnumKeyExA(opened.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void DeleteRegTree(HKEY root, const std::string& key) {
  if (key.empty()) return;  // never a whole root
  RegDeleteTreeA(root, key.c_str());
}

void WriteRegText(HKEY root, const std::string& key, const std::string& name, const std::string& text) {
  HKEY created = nullptr;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kView, nullptr, &created, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(created, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(created);
}

void WriteRegDword(HKEY root, const std::string& key, const std::string& name, DWORD number) {
  HKEY created = nullptr;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kView, nullptr, &created, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(created, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  RegCloseKey(created);
}

void DeleteRegValue(HKEY root, const std::string& key, const std::string& name) {
  RegKey opened(root, key, KEY_SET_VALUE);
  if (opened) RegDeleteValueA(opened.get(), name.c_str());
}

// --- Files ----------------------------------------------------------------

std::vector<std::string> ListFolder(const std::string& folder, bool recursive) {
  std::vector<std::string> entries;
  CollectFolder(WithBackslash(folder), "", recursive, entries);
  std::sort(entries.begin(), entries.end());
  return entries;
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileBytes(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (!bytes.empty()) WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string MakeTempFolder(const std::string& stem) {
  std::string folder = "C:\\pxtest\\" + stem + "\\";
  RemoveFolderTree(folder);
  CreateFolderChain(folder);
  return folder;
}

void RemoveFolderTree(const std::string& folder) {
  std::string root = WithBackslash(folder);
  if (root.size() <= 3) return;  // never a whole drive
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((root + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = root + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(path);
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  SetFileAttributesA(root.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(root.c_str());
}

void RemoveUninstallerCopies() {
  char temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof temp, temp);
  if (n == 0 || n >= sizeof temp) return;
  const std::string folder = WithBackslash(temp);
  WaitFor(
      [&] {
        bool gone = true;
        for (const std::string& name : ListFolder(folder, false)) {
          if (name.rfind("pv_uninstall-", 0) != 0) continue;
          gone = DeleteFileA((folder + name).c_str()) && gone;
        }
        return gone;
      },
      10000);
}

// --- Shell ------------------------------------------------------------------

LinkFields ReadShellLink(const std::string& lnkPath) {
  LinkFields fields;
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      if (FileExists(lnkPath) && SUCCEEDED(file->Load(Widen(lnkPath).c_str(), STGM_READ))) {
        char text[INFOTIPSIZE] = "";
        fields.loaded = true;
        if (link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK) fields.target = text;
        text[0] = '\0';
        if (SUCCEEDED(link->GetArguments(text, sizeof(text)))) fields.arguments = text;
        text[0] = '\0';
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) fields.workingFolder = text;
        text[0] = '\0';
        int index = 0;
        if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &index))) {
          fields.iconPath = text;
          fields.iconIndex = index;
        }
        text[0] = '\0';
        if (SUCCEEDED(link->GetDescription(text, sizeof(text)))) fields.description = text;
      }
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return fields;
}

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = "";
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) || path[0] == '\0') return "";
  return WithBackslash(path);
}

// --- Wine version per program -------------------------------------------------

namespace {
std::string AppDefaultsKey(const std::string& exeFileName) {
  return "Software\\Wine\\AppDefaults\\" + exeFileName;
}
}  // namespace

void SetWineVersionFor(const std::string& exeFileName, const std::string& version) {
  if (exeFileName.empty()) return;
  if (version.empty()) {
    DeleteRegValue(HKEY_CURRENT_USER, AppDefaultsKey(exeFileName), "Version");
    // Leave no empty key behind; RegDeleteKey refuses a key that still has subkeys.
    if (ListRegValueNames(HKEY_CURRENT_USER, AppDefaultsKey(exeFileName)).empty()) {
      RegDeleteKeyA(HKEY_CURRENT_USER, AppDefaultsKey(exeFileName).c_str());
    }
    return;
  }
  WriteRegText(HKEY_CURRENT_USER, AppDefaultsKey(exeFileName), "Version", version);
}

std::string WineVersionFor(const std::string& exeFileName) {
  RegValue value = ReadRegValue(HKEY_CURRENT_USER, AppDefaultsKey(exeFileName), "Version");
  return value.exists ? value.text : std::string();
}

ScopedWineVersion::ScopedWineVersion(const std::string& exeFileName, const std::string& version)
    : exe_(exeFileName) {
  SetWineVersionFor(exe_, version);
}

ScopedWineVersion::~ScopedWineVersion() { SetWineVersionFor(exe_, ""); }

// --- GUI bench ------------------------------------------------------------------

bool OnGuiBench() { return EnvironmentValue("PX_WINE_MODE") == "gui" && !EnvironmentValue("DISPLAY").empty(); }

std::string SaveScreenshot(const std::string& name) {
  const std::string folder = PX_BUILD_DIR "/screenshots";
  // The name and folder go into a shell command: plain characters only.
  if (!OnGuiBench() || name.empty() || name.find('/') != std::string::npos ||
      (name + folder).find_first_of("\\\"' $`;&|<>") != std::string::npos) {
    return "";
  }
  const std::string file = folder + "/" + name + ".png";
  const std::string partial = folder + "/" + name + ".partial.png";
  CreateFolderChain(HostToWindowsPath(folder));
  DeleteFileA(HostToWindowsPath(file).c_str());
  // Wine starts a host program given by its Unix path, with DISPLAY from our
  // environment, but does not wait for it: the handle is signalled at once.
  // So the shot is taken under another name and renamed when complete, and
  // we wait for the final name.
  std::string command = "/bin/sh -c \"/usr/bin/import -window root '" + partial + "' && mv '" + partial + "' '" +
                        file + "'\"";
  std::vector<char> buffer(command.begin(), command.end());
  buffer.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return "";
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  std::string windowsFile = HostToWindowsPath(file);
  if (!WaitFor([&] { return FileExists(windowsFile); }, 20000)) return "";
  return file;
}

namespace {

// Starts chattr on the host; it runs on its own (the process handle signals
// at once), so the caller waits for its effect.
bool StartChattr(const char* flag, const std::string& hostPath) {
  const std::string line = std::string("/usr/bin/chattr ") + flag + " \"" + hostPath + "\"";
  std::wstring wideLine(line.begin(), line.end());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(L"Z:\\usr\\bin\\chattr", &wideLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool OpensForWriting(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace

ScopedImmutableFile::ScopedImmutableFile(const std::string& path)
    : path_(path), hostPath_(WindowsToHostPath(path)) {
  if (hostPath_.empty() || !FileExists(path_) || !StartChattr("+i", hostPath_)) return;
  ok_ = WaitFor([this] { return !OpensForWriting(path_); }, 10000);
}

ScopedImmutableFile::~ScopedImmutableFile() {
  if (hostPath_.empty() || !StartChattr("-i", hostPath_)) return;
  WaitFor([this] { return !FileExists(path_) || OpensForWriting(path_); }, 10000);
}

namespace {
const char kDesktopKey[] = "Control Panel\\Desktop";
}  // namespace

ScopedLogPixels::ScopedLogPixels() : saved_(ReadRegValue(HKEY_CURRENT_USER, kDesktopKey, "LogPixels")) {}

ScopedLogPixels::~ScopedLogPixels() {
  if (saved_.exists && saved_.type == REG_DWORD) {
    WriteRegDword(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", saved_.number);
  } else {
    DeleteRegValue(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
  }
}

void ScopedLogPixels::Set(int dpi) {
  WriteRegDword(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", static_cast<DWORD>(dpi));
}

std::string CurrentUserSid() {
  HANDLE token = nullptr;
  std::string sid;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return sid;
  unsigned char buffer[512] = {};
  DWORD size = 0;
  char* text = nullptr;
  if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
      ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
    sid = text;
    LocalFree(text);
  }
  CloseHandle(token);
  return sid;
}

}  // namespace pxtest
