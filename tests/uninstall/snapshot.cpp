#include "uninstall/snapshot.h"

#include <windows.h>

#include <sstream>
#include <vector>

#include "support/px_test_support.h"

namespace uninstalltest {

namespace {

std::string Hex(const BYTE* data, DWORD size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (DWORD i = 0; i < size; ++i) {
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 15];
  }
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

void WalkKey(HKEY root, const std::string& rootName, const std::string& path, Snapshot* snapshot) {
  // Wine's own settings (the tests set Windows versions there), the COM
  // registrations and the system's tables: thousands of keys that neither
  // program opens, and each key costs a few milliseconds under Wine.
  for (const char* skipped : {"software\\wine", "software\\classes\\interface", "software\\classes\\clsid",
                              "software\\classes\\typelib", "software\\wow6432node",
                              "software\\microsoft\\cryptography", "software\\microsoft\\windows nt",
                              "software\\microsoft\\windows\\currentversion\\telephony",
                              "software\\microsoft\\windows\\currentversion\\explorer\\folderdescriptions"}) {
    if (Lower(path) == skipped) return;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return;
  (*snapshot)[rootName + "\\" + Lower(path) + "\\"] = "";
  DWORD subkeyCount = 0, valueCount = 0, longestName = 0, longestData = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeyCount, nullptr, nullptr, &valueCount, &longestName,
                   &longestData, nullptr, nullptr);
  std::vector<char> name(longestName * 2 + 2);
  std::vector<BYTE> data(longestData * 2 + 2);
  for (DWORD index = 0; index < valueCount; ++index) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD type = 0;
    DWORD dataSize = static_cast<DWORD>(data.size());
    if (RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS) {
      continue;
    }
    (*snapshot)[rootName + "\\" + Lower(path) + "\\\\" + Lower(name.data())] =
        std::to_string(type) + ":" + Hex(data.data(), dataSize);
  }
  std::vector<std::string> subkeys;
  for (DWORD index = 0; index < subkeyCount; ++index) {
    char subkey[1024];
    DWORD subkeySize = sizeof subkey;
    if (RegEnumKeyExA(key, index, subkey, &subkeySize, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      subkeys.push_back(subkey);
    }
  }
  RegCloseKey(key);
  for (const std::string& subkey : subkeys) WalkKey(root, rootName, path + "\\" + subkey, snapshot);
}

void WalkFolder(const std::string& folder, const std::vector<std::string>& skipped, Snapshot* snapshot) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> folders;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + name;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      bool skip = false;
      for (const std::string& s : skipped) {
        // "...\\name*": every folder there whose name starts so.
        const bool stem = !s.empty() && s.back() == '*';
        const std::string wanted = Lower(stem ? s.substr(0, s.size() - 1) : s);
        skip = skip || (stem ? Lower(path).rfind(wanted, 0) == 0 : Lower(path + "\\") == wanted);
      }
      if (skip) continue;
      (*snapshot)[Lower(path) + "\\"] = "folder";
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) folders.push_back(path + "\\");
    } else {
      (*snapshot)[Lower(path)] = std::to_string(found.nFileSizeLow);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  for (const std::string& sub : folders) WalkFolder(sub, skipped, snapshot);
}

}  // namespace

Snapshot RegistrySnapshot() {
  Snapshot snapshot;
  WalkKey(HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE", &snapshot);
  WalkKey(HKEY_CURRENT_USER, "HKCU", "Software", &snapshot);
  return snapshot;
}

Snapshot DiskSnapshot() {
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(sizeof temp, temp);
  std::string tempFolder = temp;
  if (!tempFolder.empty() && tempFolder.back() != '\\') tempFolder += '\\';
  // The folder an elevated removal makes for its copy in the system's
  // temporary folder goes once the copy has ended (checked apart, too).
  char windows[MAX_PATH] = {};
  GetSystemWindowsDirectoryA(windows, MAX_PATH);
  const std::string copyFolders = std::string(windows) + "\\Temp\\pv_uninstall-*";
  Snapshot snapshot;
  WalkFolder("C:\\", {"C:\\pxtest\\", tempFolder, copyFolders}, &snapshot);
  return snapshot;
}

std::string Difference(const Snapshot& before, const Snapshot& after) {
  std::ostringstream report;
  for (const auto& entry : before) {
    auto found = after.find(entry.first);
    if (found == after.end()) report << "- " << entry.first << "\n";
    else if (found->second != entry.second) report << "~ " << entry.first << ": " << entry.second << " -> " << found->second << "\n";
  }
  for (const auto& entry : after) {
    if (before.find(entry.first) == before.end()) report << "+ " << entry.first << " = " << entry.second << "\n";
  }
  return report.str();
}

}  // namespace uninstalltest
