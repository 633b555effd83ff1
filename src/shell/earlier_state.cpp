#include "shell/earlier_state.h"

#include <windows.h>
#include <shlobj.h>

#include "core/uninstall_rules.h"
#include "platform/registry_edit.h"
#include "platform/shell_links.h"

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

void RecordRegistration(InstallRecord* record) {
  for (const KnownKey& key : uninstallrules::OwnKeys()) {
    if (RegKeyPresent(RootKey(key.root), key.key)) record->ownKeys.push_back({key.root, key.key});
  }
  if (RegKeyPresent(HKEY_LOCAL_MACHINE, uninstallrules::kUninstallEntryKey)) {
    record->ownKeys.push_back({installrecord::Root::kLocalMachine, uninstallrules::kUninstallEntryKey});
  }
  for (const KnownValue& value : uninstallrules::KnownReplacedValues()) {
    if (value.kind == uninstallrules::ValueKind::kUserChoiceHash) continue;
    const RegData current = ReadRegData(RootKey(value.root), value.key, value.name);
    if (current.exists && SameName(uninstallrules::DataText(current.data), value.ours)) {
      record->setValues.push_back({value.root, value.key, value.name});
    }
  }
  if (ReadRegData(HKEY_LOCAL_MACHINE, uninstallrules::kRegisteredApplicationsKey, kProductWord).exists) {
    record->setValues.push_back({installrecord::Root::kLocalMachine, uninstallrules::kRegisteredApplicationsKey,
                                 kProductWord});
  }
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
