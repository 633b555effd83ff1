#include "shell/link_undo.h"

#include <windows.h>
#include <shlobj.h>

#include "core/footprint_names.h"
#include "platform/file_identity.h"
#include "platform/shell_links.h"

namespace {

std::wstring Wide(const std::string& text) {
  std::wstring wide;
  return AnsiToWide(text, &wide) ? wide : std::wstring();
}

// Where name (relative to place, a shell folder ending in a backslash) must
// lead; "" when the place cannot be resolved.
std::wstring ExpectedBelow(const std::string& place, const std::string& name) {
  const std::wstring resolved = ResolvedFolderPath(place);
  const std::wstring wide = Wide(name);
  if (resolved.empty() || wide.empty()) return std::wstring();
  return resolved + L"\\" + wide;
}

StepResult DeleteLink(const std::string& path, const std::wstring& expected) {
  const FileIdentity identity = IdentifyFile(path);
  if (!identity.exists) return StepResult::Done();
  if (identity.directory || expected.empty() || !IsExactlyAt(identity, expected)) {
    return StepResult::Failed(path, ERROR_CANT_RESOLVE_FILENAME);
  }
  unsigned long error = 0;
  if (DeleteExactly(path, identity, expected, &error)) return StepResult::Done();
  return StepResult::Failed(path, error);
}

}  // namespace

std::string LinkPlaceFolder(installrecord::LinkPlace place) {
  switch (place) {
    case installrecord::LinkPlace::kUserPrograms: return ShellFolderPath(CSIDL_PROGRAMS);
    case installrecord::LinkPlace::kCommonPrograms: return ShellFolderPath(CSIDL_COMMON_PROGRAMS);
    case installrecord::LinkPlace::kUserDesktop: return ShellFolderPath(CSIDL_DESKTOPDIRECTORY);
    case installrecord::LinkPlace::kCommonDesktop: return ShellFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY);
  }
  return std::string();
}

StepResult UndoLinks(const journal::Journal& journal) {
  StepResult result;
  for (auto it = journal.links.rbegin(); it != journal.links.rend(); ++it) {
    if (it->existed) continue;
    const std::string place = LinkPlaceFolder(it->place);
    if (place.empty()) continue;
    result.KeepFirst(DeleteLink(place + it->name, ExpectedBelow(place, it->name)));
  }
  for (installrecord::LinkPlace place : journal.createdGroups) {
    const std::string programs = LinkPlaceFolder(place);
    if (programs.empty()) continue;
    const std::string group = programs + footprint::kGroupFolder;
    const FileIdentity identity = IdentifyFile(group);
    if (!identity.exists) continue;
    if (!identity.directory || !IsExactlyAt(identity, ExpectedBelow(programs, footprint::kGroupFolder))) {
      result.KeepFirst(StepResult::Failed(group, ERROR_CANT_RESOLVE_FILENAME));
      continue;
    }
    const std::wstring wide = Wide(group);
    if (IsFolderEmptyW(wide)) RemoveDirectoryW(wide.c_str());
  }
  return result;
}
