#include "reliability/fault_support.h"

#include <shlobj.h>

#include <unzip.h>
// After unzip.h, which brings the declarations it builds on.
#include <iowin32.h>

#include <algorithm>
#include <cstdio>

#include "support/px_test_support.h"

using namespace pxtest;

namespace faulttest {

namespace {

std::string Lower(std::string text) {
  if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

ULONGLONG AsNumber(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// FNV-1a over the file's bytes.
std::string Checksum(const std::string& path) {
  const std::string bytes = ReadFileBytes(path);
  unsigned long long hash = 1469598103934665603ULL;
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ULL;
  char text[32];
  std::snprintf(text, sizeof text, "%016llx", hash);
  return text;
}

// withChecksum: contents and creation time too; withTimes: the times at all.
void Walk(const std::string& folder, bool recursive, bool withChecksum, DiskState* state, bool withTimes = true) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::string path = folder + name + (isFolder ? "\\" : "");
    std::string description;
    if (isFolder) {
      description = "folder";
    } else {
      const ULONGLONG size = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
      description = std::to_string(size);
      if (withTimes) description += " written " + std::to_string(AsNumber(found.ftLastWriteTime));
      if (withChecksum && withTimes) description += " created " + std::to_string(AsNumber(found.ftCreationTime));
      if (withChecksum) description += " sum " + Checksum(path);
    }
    (*state)[path] = description;
    if (isFolder && recursive) Walk(path, true, withChecksum, state, withTimes);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::string HexBytes(const BYTE* data, DWORD size) {
  std::string text;
  char pair[4];
  for (DWORD i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", data[i]);
    text += pair;
  }
  return text;
}

}  // namespace

std::string VariantSetupPath(const std::string& variant) {
  return HostToWindowsPath(PX_BUILD_DIR "/tests/bin/variants/" + variant + "/PixorraSetup64.exe");
}

DiskState SnapshotDisk() {
  DiskState state;
  for (const std::string& root : {std::string("C:\\pxtest\\"), std::string("C:\\Program Files\\"),
                                  std::string("C:\\ProgramData\\"), SpecialFolder(CSIDL_PROFILE)}) {
    if (!root.empty()) Walk(root, true, false, &state);
  }
  char windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  if (length > 0 && length < MAX_PATH - 1) {
    DiskState top;
    Walk(std::string(windows) + "\\", false, false, &top);
    for (const auto& entry : top) {
      if (entry.second != "folder") state.insert(entry);
    }
  }
  return state;
}

std::vector<std::string> ChangedOutside(const DiskState& before, const DiskState& after,
                                        const std::vector<std::string>& allowed) {
  std::vector<std::string> changed;
  auto isAllowed = [&](const std::string& path) {
    for (const std::string& folder : allowed) {
      if (StartsWith(Lower(path), Lower(folder))) return true;
    }
    return false;
  };
  for (const auto& entry : after) {
    const auto old = before.find(entry.first);
    if ((old == before.end() || old->second != entry.second) && !isAllowed(entry.first)) {
      changed.push_back((old == before.end() ? "new " : "changed ") + entry.first);
    }
  }
  for (const auto& entry : before) {
    if (after.count(entry.first) == 0 && !isAllowed(entry.first)) changed.push_back("gone " + entry.first);
  }
  return changed;
}

DiskState SnapshotTree(const std::string& folder, bool withTimes) {
  DiskState state;
  Walk(folder, true, true, &state, withTimes);
  DiskState relative;
  for (const auto& entry : state) relative[entry.first.substr(folder.size())] = entry.second;
  return relative;
}

void SnapshotRegistry(HKEY root, const std::string& key, RegistryState* state) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &handle) != ERROR_SUCCESS) return;
  (*state)[key + "\\"] = "key";
  for (DWORD index = 0;; ++index) {
    char name[16384];
    DWORD nameSize = sizeof name;
    BYTE data[65536];
    DWORD dataSize = sizeof data;
    DWORD type = 0;
    if (RegEnumValueA(handle, index, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    (*state)[key + "\\" + name] = std::to_string(type) + ":" + HexBytes(data, dataSize);
  }
  std::vector<std::string> subkeys;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameSize = sizeof name;
    if (RegEnumKeyExA(handle, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.push_back(name);
  }
  RegCloseKey(handle);
  for (const std::string& subkey : subkeys) SnapshotRegistry(root, key + "\\" + subkey, state);
}

RegistryState SnapshotSetupRegistry() {
  RegistryState state;
  // Whole class and application trees: an association may touch any
  // extension, and nothing else may change.
  for (const char* key : {"SOFTWARE\\Classes", "SOFTWARE\\Pixorra", "SOFTWARE\\RegisteredApplications",
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"}) {
    RegistryState part;
    SnapshotRegistry(HKEY_LOCAL_MACHINE, key, &part);
    for (auto& entry : part) state["HKLM\\" + entry.first] = entry.second;
  }
  RegistryState user;
  SnapshotRegistry(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts", &user);
  for (auto& entry : user) state["HKCU\\" + entry.first] = entry.second;
  return state;
}

std::vector<std::string> RegistryDifferences(const RegistryState& before, const RegistryState& after) {
  std::vector<std::string> differences;
  for (const auto& entry : after) {
    const auto old = before.find(entry.first);
    if (old == before.end()) differences.push_back("new " + entry.first);
    else if (old->second != entry.second) differences.push_back("changed " + entry.first);
  }
  for (const auto& entry : before) {
    if (after.count(entry.first) == 0) differences.push_back("gone " + entry.first);
  }
  return differences;
}

void ForgetInstallations() {
  DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra");
  DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Pixorra");
  DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Applications\\px_main64.exe");
  DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64");
  DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\px_main64.exe");
  DeleteRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", "Pixorra");
  RemoveFolderTree("C:\\Program Files\\Pixorra\\");
  CloseAllViewers();
}

bool HostFaultsReady(std::string* reason) {
  const std::string status = ReadFileBytes(HostToWindowsPath(PX_BUILD_DIR "/reliability/switch/status"));
  if (status.compare(0, 5, "ready") == 0) return true;
  *reason = status.empty() ? "host_faults.sh did not run (start the test through ctest)" : status;
  while (!reason->empty() && (reason->back() == '\n' || reason->back() == '\r')) reason->pop_back();
  return false;
}

bool SetHostReadOnly(const std::string& pathOnR, bool readonly) {
  static int serial = 0;
  const std::string base = HostToWindowsPath(PX_BUILD_DIR "/reliability/switch/") + "r" +
                           std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
  DeleteFileA((base + ".done").c_str());
  WriteFileBytes(base + ".tmp", std::string(readonly ? "readonly " : "writable ") + pathOnR + "\n");
  // Renamed into place, so the watcher never reads half a request.
  if (!MoveFileExA((base + ".tmp").c_str(), (base + ".req").c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
  if (!WaitFor([&] { return FileExists(base + ".done"); }, 10000)) return false;
  const std::string result = ReadFileBytes(base + ".done");
  DeleteFileA((base + ".done").c_str());
  return !result.empty() && result[0] == '0';
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
  char old[32767];
  const DWORD length = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
  had_ = length > 0 && length < sizeof old;
  if (had_) old_ = old;
  SetEnvironmentVariableA(name.c_str(), value.c_str());
}

ScopedEnv::~ScopedEnv() { SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr); }

std::map<std::string, unsigned long long> PayloadFiles() {
  std::map<std::string, unsigned long long> files;
  zlib_filefunc64_def functions;
  fill_win32_filefunc64A(&functions);
  unzFile archive = unzOpen2_64(PayloadArchivePath().c_str(), &functions);
  if (archive == nullptr) return files;
  for (int status = unzGoToFirstFile(archive); status == UNZ_OK; status = unzGoToNextFile(archive)) {
    unz_file_info64 info;
    char name[520] = {};
    if (unzGetCurrentFileInfo64(archive, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    std::string entry = name;
    std::replace(entry.begin(), entry.end(), '/', '\\');
    files[entry] = info.uncompressed_size;
  }
  unzClose(archive);
  return files;
}

std::vector<std::string> MissingOrDifferent(const std::string& folder) {
  std::vector<std::string> wrong;
  const auto files = PayloadFiles();
  if (files.empty()) wrong.push_back("(the payload archive could not be read)");
  for (const auto& file : files) {
    const std::string path = folder + file.first;
    if (!file.first.empty() && file.first.back() == '\\') {
      if (!FolderExists(path)) wrong.push_back(file.first);
      continue;
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        ((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) != file.second) {
      wrong.push_back(file.first);
    }
  }
  return wrong;
}

}  // namespace faulttest
