#include "uninstall/removal.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "core/folder_text.h"
#include "core/shell_text.h"
#include "core/uninstall_rules.h"
#include "install/viewer_settings.h"
#include "platform/registry_edit.h"
#include "platform/shell_links.h"

using namespace uninstallrules;
using installrecord::InstallRecord;
using installrecord::SameName;

namespace {

constexpr const char* kOpenCommandKey = "SOFTWARE\\Classes\\Pixorra\\shell\\open\\command";
constexpr const char* kSettingsFile = "px_main64.ini";

bool StartsWithFolder(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && SameName(path.substr(0, folder.size()), folder);
}

void RestoreValue(const KnownValue& value, const installrecord::EarlierValue* earlier, ValueAction action) {
  HKEY root = RootKey(value.root);
  if (action == ValueAction::kWriteEarlier) {
    WriteRegData(root, value.key, value.name, earlier->type, earlier->data);
  } else if (action == ValueAction::kDelete) {
    RemoveRegValue(root, value.key, value.name);
  }
}

// The setup replaces a user choice as a whole key holding only our Progid;
// taking it back means the whole key again: the other program's Progid and
// Hash, or no key at all.
void RestoreUserChoice(const KnownValue& progid, const InstallRecord& record) {
  const RegData current = ReadRegData(HKEY_CURRENT_USER, progid.key, progid.name);
  if (!current.exists || !SameName(DataText(current.data), progid.ours)) return;
  RemoveRegTree(HKEY_CURRENT_USER, progid.key);
  const installrecord::EarlierValue* earlier = FindEarlier(record, installrecord::Root::kCurrentUser, progid.key, "Progid");
  if (earlier == nullptr || !earlier->existed || IsProductProgId(earlier->data)) return;
  WriteRegData(HKEY_CURRENT_USER, progid.key, "Progid", earlier->type, earlier->data);
  const installrecord::EarlierValue* hash = FindEarlier(record, installrecord::Root::kCurrentUser, progid.key, "Hash");
  if (hash != nullptr && hash->existed) WriteRegData(HKEY_CURRENT_USER, progid.key, "Hash", hash->type, hash->data);
}

int PlaceFolderId(installrecord::LinkPlace place) {
  switch (place) {
    case installrecord::LinkPlace::kUserPrograms: return CSIDL_PROGRAMS;
    case installrecord::LinkPlace::kCommonPrograms: return CSIDL_COMMON_PROGRAMS;
    case installrecord::LinkPlace::kUserDesktop: return CSIDL_DESKTOPDIRECTORY;
    case installrecord::LinkPlace::kCommonDesktop: return CSIDL_COMMON_DESKTOPDIRECTORY;
  }
  return CSIDL_DESKTOPDIRECTORY;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool DeleteOneFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(path.c_str()) || !PathExists(path);
}

std::string WindowsSlashes(std::string name) {
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

std::size_t Depth(const std::string& name) { return static_cast<std::size_t>(std::count(name.begin(), name.end(), '\\')); }

void ListInto(const std::string& folder, const std::string& prefix, std::vector<std::string>* entries) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + prefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      entries->push_back(prefix + name + "\\");
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) ListInto(folder, prefix + name + "\\", entries);
    } else {
      entries->push_back(prefix + name);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

}  // namespace

bool RegistrationBelongsTo(const std::string& folder) {
  const RegData location = ReadRegData(HKEY_LOCAL_MACHINE, kUninstallEntryKey, "InstallLocation");
  if (location.exists) return SameName(WithBackslash(DataText(location.data)), folder);
  const RegData command = ReadRegData(HKEY_LOCAL_MACHINE, kOpenCommandKey, "");
  if (!command.exists) return false;
  char named[kPathSize] = {};
  const std::string text = DataText(command.data);
  return text.size() < kPathSize && ReadOpenCommandFolder(text.c_str(), named) &&
         SameName(named, folder);
}

void RemoveRegistration(const InstallRecord& record) {
  for (const KnownValue& value : KnownReplacedValues()) {
    if (value.kind == ValueKind::kUserChoice) {
      RestoreUserChoice(value, record);
    } else if (value.kind != ValueKind::kUserChoiceHash) {
      const RegData current = ReadRegData(RootKey(value.root), value.key, value.name);
      const installrecord::EarlierValue* earlier = FindEarlier(record, value.root, value.key, value.name);
      RestoreValue(value, earlier, DecideValue(value, current.exists, current.data, earlier));
    }
  }

  for (const KnownKey& key : OwnKeys()) RemoveRegTree(RootKey(key.root), key.key);
  // Written through HKEY_CLASSES_ROOT, which Windows maps to the user's
  // classes when the key existed there.
  RemoveRegTree(HKEY_CLASSES_ROOT, std::string("Applications\\") + kViewerProgramFile);
  RemoveRegValue(HKEY_LOCAL_MACHINE, kRegisteredApplicationsKey, kProductWord);
  for (const KnownKey& key : KnownCreatedKeys()) {
    if (HasCreatedKey(record, key.root, key.key)) RemoveRegKeyIfEmpty(RootKey(key.root), key.key);
  }
  RefreshShellAssociations();
}

void RemoveUninstallEntry() { RemoveRegTree(HKEY_LOCAL_MACHINE, kUninstallEntryKey); }

void RemoveLinks(const InstallRecord& record, const std::string& folder, RemovalReport* report) {
  for (const installrecord::Link& link : record.links) {
    if (!IsProductLinkName(link.place, link.name)) continue;
    const std::string place = ShellFolderPath(PlaceFolderId(link.place));
    if (place.empty()) continue;
    const std::string path = place + link.name;
    if (!PathExists(path)) continue;
    // A link that another installation (or the user) has pointed elsewhere
    // since is theirs now.
    if (!StartsWithFolder(ReadLinkTarget(path), folder)) continue;
    if (!DeleteOneFile(path)) report->failed.push_back(path);
  }
  for (installrecord::LinkPlace place : record.createdGroups) {
    if (!IsProgramsPlace(place)) continue;
    const std::string programs = ShellFolderPath(PlaceFolderId(place));
    if (!programs.empty()) RemoveFolderIfEmpty(programs + kGroupFolder);
  }
}

bool LeadsThroughReparsePoint(const std::string& folder, const std::string& relativeName) {
  const DWORD top = GetFileAttributesA(folder.c_str());
  if (top != INVALID_FILE_ATTRIBUTES && (top & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
  for (std::size_t cut = relativeName.find('\\'); cut != std::string::npos; cut = relativeName.find('\\', cut + 1)) {
    const DWORD attributes = GetFileAttributesA((folder + relativeName.substr(0, cut)).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
  }
  return false;
}

void RemoveProgramFiles(const InstallRecord& record, const std::string& folder, RemovalReport* report) {
  for (const std::string& recorded : record.files) {
    const std::string name = WindowsSlashes(recorded);
    if (SameName(name, kUninstallerFileName)) continue;  // the copy in TEMP takes it
    const std::string path = folder + name;
    if (LeadsThroughReparsePoint(folder, name) || !DeleteOneFile(path)) report->failed.push_back(path);
  }
  const std::string settings = folder + kSettingsFile;
  if (!DeleteOneFile(settings)) report->failed.push_back(settings);

  std::vector<std::string> folders;
  for (const std::string& created : record.createdFolders) folders.push_back(WindowsSlashes(created));
  std::stable_sort(folders.begin(), folders.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
  for (const std::string& created : folders) RemoveFolderIfEmpty(folder + created);
}

std::vector<std::string> RemainingEntries(const std::string& folder) {
  std::vector<std::string> entries;
  ListInto(folder, "", &entries);
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [](const std::string& name) {
                                 return SameName(name, kUninstallerFileName) ||
                                        SameName(name, installrecord::kRecordFileName);
                               }),
                entries.end());
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string SettingsFolderOf(const std::string& folder) {
  char pointer[kPathSize] = {};
  GetPrivateProfileStringA("Others", "INI_Folder", "", pointer, sizeof pointer, (folder + kSettingsFile).c_str());
  if (pointer[0] == '\0') return "";
  char expanded[kPathSize] = {};
  if (!ExpandPercentVariables(pointer, expanded) || expanded[0] == '\0') return "";
  return WithBackslash(expanded);
}

// Only an empty folder is removed, and it is looked into first: asking the
// system to remove a full one (which it refuses) makes the folder briefly
// unreadable to others under Wine.
void RemoveFolderIfEmpty(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((WithBackslash(folder) + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  bool empty = true;
  do {
    const std::string name = found.cFileName;
    empty = empty && (name == "." || name == "..");
  } while (empty && FindNextFileA(search, &found));
  FindClose(search);
  if (empty) RemoveDirectoryA(folder.c_str());
}
