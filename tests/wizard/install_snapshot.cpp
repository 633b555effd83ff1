#include "wizard/install_snapshot.h"

#include <windows.h>
#include <shlobj.h>

#include <sstream>
#include <vector>

#include "support/px_test_support.h"

using namespace pxtest;

namespace wiztest {

namespace {

const char kClasses[] = "SOFTWARE\\Classes";
const char* const kMachineKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64",
    "SOFTWARE\\Pixorra",
    "SOFTWARE\\Classes\\Applications\\px_main64.exe",
    "SOFTWARE\\Classes\\Directory\\shell",
    "SOFTWARE\\Classes\\Drive\\shell",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\px_main64.exe",
};
const char kRegisteredApplications[] = "SOFTWARE\\RegisteredApplications";
const char kUserFileExts[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

// Sum of the bytes, enough to tell two payload files apart.
std::string Digest(const std::string& bytes) {
  unsigned long long sum = 1469598103934665603ull;
  for (unsigned char c : bytes) sum = (sum ^ c) * 1099511628211ull;
  std::ostringstream out;
  out << bytes.size() << " bytes, " << std::hex << sum;
  return out.str();
}

std::string ValueText(const RegValue& value) {
  std::ostringstream out;
  out << "type " << value.type << ": ";
  if (value.type == REG_DWORD) out << value.number;
  else if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) out << value.text;
  else out << Digest(std::string(value.raw.begin(), value.raw.end()));
  return out.str();
}

void AddKeyTree(Snapshot& snapshot, HKEY root, const std::string& rootName, const std::string& key) {
  if (!RegKeyExists(root, key)) return;
  snapshot[rootName + "\\" + key] = "(key)";
  for (const std::string& name : ListRegValueNames(root, key)) {
    snapshot[rootName + "\\" + key + " : " + name] = ValueText(ReadRegValue(root, key, name));
  }
  for (const std::string& sub : ListRegSubkeys(root, key)) AddKeyTree(snapshot, root, rootName, key + "\\" + sub);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

void AddFolderFiles(Snapshot& snapshot, const std::string& label, const std::string& folder) {
  if (!FolderExists(folder)) return;
  for (const std::string& entry : ListFolder(folder)) {
    const bool isFolder = !entry.empty() && entry.back() == '\\';
    // The install record names what each run found before it; two runs
    // into the same folder one after the other find different things.
    const bool record = entry == "pv_uninstall.dat";
    snapshot[label + entry] = isFolder ? "(folder)" : record ? "(record)" : Digest(ReadFileBytes(folder + entry));
  }
}

// Links are compared by what they point at, with the install folder written
// as a placeholder so that two installations into different folders could
// still be compared.
void AddLinks(Snapshot& snapshot, const std::string& label, const std::string& folder,
              const std::string& installFolder) {
  if (!FolderExists(folder)) return;
  for (const std::string& entry : ListFolder(folder)) {
    if (entry.size() < 4 || entry.compare(entry.size() - 4, 4, ".lnk") != 0) continue;
    LinkFields link = ReadShellLink(folder + entry);
    std::ostringstream out;
    out << "target " << link.target << " | args " << link.arguments << " | dir " << link.workingFolder
        << " | icon " << link.iconPath << "," << link.iconIndex << " | " << link.description;
    std::string text = out.str();
    for (std::size_t at; !installFolder.empty() && (at = text.find(installFolder)) != std::string::npos;) {
      text.replace(at, installFolder.size(), "<folder>\\");
    }
    snapshot[label + entry] = text;
  }
}

std::vector<std::string> LinkFolders() {
  return {SpecialFolder(CSIDL_DESKTOPDIRECTORY), SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY),
          SpecialFolder(CSIDL_PROGRAMS) + "Pixorra\\", SpecialFolder(CSIDL_COMMON_PROGRAMS) + "Pixorra\\"};
}

}  // namespace

std::string AppDataSettingsFolder() { return SpecialFolder(CSIDL_APPDATA) + "Pixorra\\"; }

Snapshot TakeSnapshot(const std::string& installFolder) {
  Snapshot snapshot;
  AddFolderFiles(snapshot, "file ", installFolder);
  const std::string ini = ReadFileBytes(installFolder + "px_main64.ini");
  snapshot["ini in the install folder"] = ini;
  snapshot["ini in the application data"] = ReadFileBytes(AppDataSettingsFolder() + "px_main64.ini");

  const char* const linkLabels[] = {"desktop link ", "common desktop link ", "group link ", "common group link "};
  std::vector<std::string> folders = LinkFolders();
  for (std::size_t i = 0; i < folders.size(); ++i) AddLinks(snapshot, linkLabels[i], folders[i], installFolder);

  for (const char* key : kMachineKeys) AddKeyTree(snapshot, HKEY_LOCAL_MACHINE, "HKLM", key);
  for (const std::string& sub : ListRegSubkeys(HKEY_LOCAL_MACHINE, kClasses)) {
    if (StartsWith(sub, "Pixorra") || StartsWith(sub, ".") || StartsWith(sub, "AppX")) {
      AddKeyTree(snapshot, HKEY_LOCAL_MACHINE, "HKLM", std::string(kClasses) + "\\" + sub);
    }
  }
  RegValue registered = ReadRegValue(HKEY_LOCAL_MACHINE, kRegisteredApplications, "Pixorra");
  if (registered.exists) snapshot["HKLM\\" + std::string(kRegisteredApplications) + " : Pixorra"] = ValueText(registered);
  AddKeyTree(snapshot, HKEY_CURRENT_USER, "HKCU", kUserFileExts);
  return snapshot;
}

std::string CompareSnapshots(const Snapshot& expected, const Snapshot& actual) {
  std::ostringstream out;
  for (const auto& [where, what] : expected) {
    auto found = actual.find(where);
    if (found == actual.end()) out << "missing: " << where << " = " << what << "\n";
    else if (found->second != what) out << "differs: " << where << "\n  expected " << what << "\n  actual   " << found->second << "\n";
  }
  for (const auto& [where, what] : actual) {
    if (expected.find(where) == expected.end()) out << "extra: " << where << " = " << what << "\n";
  }
  return out.str();
}

void RemoveInstallation(const std::string& installFolder) {
  if (!installFolder.empty()) RemoveFolderTree(installFolder);
  RemoveFolderTree(AppDataSettingsFolder());
  std::vector<std::string> folders = LinkFolders();
  for (std::size_t i = 0; i < 2; ++i) {
    for (const std::string& entry : ListFolder(folders[i], false)) {
      if (StartsWith(entry, "Pixorra")) DeleteFileA((folders[i] + entry).c_str());
    }
  }
  RemoveFolderTree(folders[2]);
  RemoveFolderTree(folders[3]);
  for (const char* key : kMachineKeys) DeleteRegTree(HKEY_LOCAL_MACHINE, key);
  // The verbs' parents, which a fresh prefix lacks and the first installation
  // with the thumbnails verbs creates: gone again when nothing else is in
  // them, so that every installation finds what the first one found.
  for (const char* parent : {"SOFTWARE\\Classes\\Directory", "SOFTWARE\\Classes\\Drive"}) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) continue;
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    if (subkeys == 0 && values == 0) RegDeleteKeyA(HKEY_LOCAL_MACHINE, parent);
  }
  for (const std::string& sub : ListRegSubkeys(HKEY_LOCAL_MACHINE, kClasses)) {
    if (StartsWith(sub, "Pixorra") || StartsWith(sub, "AppX")) {
      DeleteRegTree(HKEY_LOCAL_MACHINE, std::string(kClasses) + "\\" + sub);
    }
  }
  DeleteRegValue(HKEY_LOCAL_MACHINE, kRegisteredApplications, "Pixorra");
  DeleteRegTree(HKEY_CURRENT_USER, kUserFileExts);
}

}  // namespace wiztest
