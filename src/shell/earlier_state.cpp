#include "shell/earlier_state.h"

#include <windows.h>
#include <shlobj.h>

#include "core/uninstall_rules.h"
#include "platform/registry_edit.h"

using installrecord::InstallRecord;
using installrecord::LinkPlace;
using installrecord::SameName;
using uninstallrules::KnownKey;
using uninstallrules::KnownValue;

namespace {

bool InsideFolder(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.size() > folder.size() && SameName(path.substr(0, folder.size()), folder);
}

}  // namespace

void CaptureEarlierState(InstallRecord* record) {
  for (const KnownValue& value : uninstallrules::KnownReplacedValues()) {
    const RegData current = ReadRegData(RootKey(value.root), value.key, value.name);
    installrecord::EarlierValue earlier;
    earlier.root = value.root;
    earlier.key = value.key;
    earlier.name = value.name;
    earlier.existed = current.exists;
    earlier.type = current.type;
    earlier.data = current.data;
    record->earlier.push_back(earlier);
  }
  for (const KnownKey& key : uninstallrules::KnownCreatedKeys()) {
    if (!RegKeyPresent(RootKey(key.root), key.key)) record->createdKeys.push_back({key.root, key.key});
  }
}

std::string ShellFolderPath(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) || path[0] == '\0') return "";
  return uninstallrules::WithBackslash(path);
}

bool GroupFolderExists(bool allUsers) {
  const std::string programs = ShellFolderPath(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
  if (programs.empty()) return false;
  const DWORD attributes = GetFileAttributesA((programs + uninstallrules::kGroupFolder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void RecordLinks(const std::string& folder, bool allUsers, bool groupExisted, InstallRecord* record) {
  const LinkPlace programsPlace = allUsers ? LinkPlace::kCommonPrograms : LinkPlace::kUserPrograms;
  const LinkPlace desktopPlace = allUsers ? LinkPlace::kCommonDesktop : LinkPlace::kUserDesktop;
  const std::string programs = ShellFolderPath(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
  const std::string desktop = ShellFolderPath(allUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY);
  if (!programs.empty()) {
    for (const std::string& name : uninstallrules::GroupLinkNames()) {
      const std::string relative = std::string(uninstallrules::kGroupFolder) + "\\" + name;
      if (InsideFolder(ReadLinkTarget(programs + relative), folder)) record->links.push_back({programsPlace, relative});
    }
    if (!groupExisted && GroupFolderExists(allUsers)) record->createdGroups.push_back(programsPlace);
  }
  if (!desktop.empty()) {
    for (const std::string& name : uninstallrules::DesktopLinkNames()) {
      if (InsideFolder(ReadLinkTarget(desktop + name), folder)) record->links.push_back({desktopPlace, name});
    }
  }
}

std::string ReadLinkTarget(const std::string& linkPath) {
  if (GetFileAttributesA(linkPath.c_str()) == INVALID_FILE_ATTRIBUTES) return "";
  std::string target;
  const HRESULT init = CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH];
      if (MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH) > 0 &&
          SUCCEEDED(file->Load(wide, STGM_READ))) {
        char path[MAX_PATH] = {};
        if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) target = path;
      }
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return target;
}
