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

// The bytes of the file at path, when it is a file exactly at expected of
// at most mostBytes; false otherwise.
bool ReadLinkBytes(const std::string& path, const FileIdentity& identity, const std::wstring& expected,
                   std::size_t mostBytes, std::string* bytes) {
  if (identity.directory || expected.empty() || identity.size > mostBytes || !IsExactlyAt(identity, expected)) {
    return false;
  }
  bytes->clear();
  unsigned long error = 0;
  return ReadExactly(
      path, identity, expected,
      [bytes](const unsigned char* data, std::size_t count) { bytes->append(reinterpret_cast<const char*>(data), count); },
      &error);
}

// Puts content at path (expected: where path must lead). What stands at the
// name now must be a file exactly there; it is replaced as a name
// (ReplaceFileWith). A file that already holds content is left as it is.
StepResult WriteLinkBack(const std::string& path, const std::wstring& expected, const std::string& content) {
  if (expected.empty()) return StepResult::Failed(path, ERROR_CANT_RESOLVE_FILENAME);
  const FileIdentity identity = IdentifyFile(path);
  if (identity.exists) {
    if (identity.directory || !IsExactlyAt(identity, expected)) {
      return StepResult::Failed(path, identity.error != 0 ? identity.error : ERROR_CANT_RESOLVE_FILENAME);
    }
    std::string now;
    if (identity.size == content.size() && ReadLinkBytes(path, identity, expected, content.size(), &now) &&
        now == content) {
      return StepResult::Done();
    }
  }
  unsigned long error = 0;
  if (!ReplaceFileWith(Wide(path), expected, content.data(), content.size(), &error)) {
    return StepResult::Failed(path, error);
  }
  return StepResult::Done();
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

void CaptureLink(const std::string& placeFolder, std::size_t mostBytes, journal::Link* link) {
  CaptureLink(placeFolder, ResolvedFolderPath(placeFolder), mostBytes, link);
}

void CaptureLink(const std::string& placeFolder, const std::wstring& resolvedPlace, std::size_t mostBytes,
                 journal::Link* link) {
  const std::wstring name = Wide(link->name);
  const std::wstring expected = resolvedPlace.empty() || name.empty() ? std::wstring() : resolvedPlace + L"\\" + name;
  const std::size_t most = mostBytes < journal::kMostLinkBytes ? mostBytes : journal::kMostLinkBytes;
  FileIdentity identity;
  link->kept = ReadFileAt(Wide(placeFolder + link->name), expected, most, &identity, &link->content);
  link->existed = identity.exists;
}

StepResult DeleteLinkBelow(const std::string& placeFolder, const std::string& name) {
  return DeleteLink(placeFolder + name, ExpectedBelow(placeFolder, name));
}

StepReport UndoLinks(const journal::Journal& journal) {
  StepReport report;
  for (auto it = journal.links.rbegin(); it != journal.links.rend(); ++it) {
    const std::string place = LinkPlaceFolder(it->place);
    if (place.empty()) continue;
    // A run cut off while it wrote the link leaves the new file beside it;
    // only a file of its own there goes.
    for (int attempt = 0; attempt < kReplacementNames; ++attempt) {
      const std::string name = it->name + ReplacementSuffix(attempt);
      if (GetFileAttributesA((place + name).c_str()) != INVALID_FILE_ATTRIBUTES) {
        report.Add(DeleteLink(place + name, ExpectedBelow(place, name)));
      }
    }
    // An earlier link whose bytes were not kept is left as the run made it.
    if (it->existed && !it->kept) continue;
    const std::string path = place + it->name;
    const std::wstring expected = ExpectedBelow(place, it->name);
    report.Add(it->existed ? WriteLinkBack(path, expected, it->content) : DeleteLink(path, expected));
  }
  for (installrecord::LinkPlace place : journal.createdGroups) {
    const std::string programs = LinkPlaceFolder(place);
    if (programs.empty()) continue;
    const std::string group = programs + footprint::kGroupFolder;
    const FileIdentity identity = IdentifyFile(group);
    if (!identity.exists) continue;
    if (!identity.directory || !IsExactlyAt(identity, ExpectedBelow(programs, footprint::kGroupFolder))) {
      report.Add(StepResult::Failed(group, ERROR_CANT_RESOLVE_FILENAME));
      continue;
    }
    const std::wstring wide = Wide(group);
    if (IsFolderEmptyW(wide)) RemoveDirectoryW(wide.c_str());
  }
  return report;
}
