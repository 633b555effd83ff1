#include "uninstall/removal.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "core/folder_text.h"
#include "core/shell_text.h"
#include "core/uninstall_rules.h"
#include "install/viewer_settings.h"
#include "platform/file_identity.h"
#include "platform/registry_edit.h"
#include "platform/resource_text.h"
#include "platform/shell_links.h"
#include "uninstall/uninstall_resource.h"

#include <zlib.h>

using namespace uninstallrules;
using footprint::kGroupFolder;
using installrecord::InstallRecord;
using installrecord::SameName;

namespace {

constexpr const char* kSettingsFile = footprint::kSettingsFileName;

bool StartsWithFolder(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && SameName(path.substr(0, folder.size()), folder);
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

std::wstring Wide(const std::string& text) {
  std::wstring wide;
  return AnsiToWide(text, &wide) ? wide : std::wstring();
}

// "<resolved>\<name>" for a name relative to a resolved folder.
std::wstring Below(const std::wstring& resolved, const std::string& name) {
  std::wstring wide = Wide(name);
  while (!wide.empty() && wide.back() == L'\\') wide.pop_back();
  return wide.empty() || resolved.empty() ? std::wstring() : resolved + L"\\" + wide;
}

enum class Outcome { kGone, kLink, kChanged, kFailed };

// Deletes the file at path only when it leads exactly to expected; a missing
// file counts as gone. With stamp, only while size and CRC-32 are the
// recorded ones. error (when given) receives the system's code of a failed
// look or deletion.
Outcome DeleteChecked(const std::string& path, const std::wstring& expected,
                      const installrecord::RecordedFile* stamp, unsigned long* error = nullptr) {
  const FileIdentity identity = IdentifyFile(path);
  if (!identity.exists) return Outcome::kGone;
  if (identity.error != 0) {
    if (error != nullptr) *error = identity.error;
    return Outcome::kFailed;
  }
  if (expected.empty() || !IsExactlyAt(identity, expected)) return Outcome::kLink;
  if (identity.directory) return Outcome::kFailed;
  if (stamp != nullptr) {
    // An older record's line carries no stamp: whether the user changed the
    // file cannot be told, so it is left as theirs.
    if (!stamp->stamped || stamp->size != identity.size) return Outcome::kChanged;
    uLong crc = crc32(0L, Z_NULL, 0);
    unsigned long error = 0;
    const bool read = ReadExactly(
        path, identity, expected,
        [&crc](const unsigned char* bytes, std::size_t count) { crc = crc32(crc, bytes, static_cast<uInt>(count)); },
        &error);
    if (!read) return Outcome::kFailed;
    if ((crc & 0xFFFFFFFFul) != (stamp->crc & 0xFFFFFFFFul)) return Outcome::kChanged;
  }
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  unsigned long deletion = 0;
  if (DeleteExactly(path, identity, expected, &deletion)) return Outcome::kGone;
  if (!IdentifyFile(path).exists) return Outcome::kGone;
  if (error != nullptr) *error = deletion;
  return Outcome::kFailed;
}

void Note(Outcome outcome, const std::string& path, RemovalReport* report) {
  switch (outcome) {
    case Outcome::kGone: break;
    case Outcome::kLink: report->failed.push_back({path, LoadResourceString(IDS_UN_LINK_LEFT)}); break;
    case Outcome::kChanged: report->changed.push_back(path); break;
    case Outcome::kFailed: report->failed.push_back({path, LoadResourceString(IDS_UN_CANNOT_REMOVE)}); break;
  }
}

// A folder of ours: removed when exactly where it says and empty; a link
// there is reported, a full folder is the user's and stays silently.
void RemoveFolderChecked(const std::string& path, const std::wstring& expected, RemovalReport* report) {
  const FileIdentity identity = IdentifyFile(path);
  if (!identity.exists) return;
  if (identity.error != 0 || !identity.directory) return;
  if (expected.empty() || !IsExactlyAt(identity, expected)) {
    // Named like a file: without the backslash that marks a folder here.
    const std::string named = path.size() > 3 && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
    report->failed.push_back({named, LoadResourceString(IDS_UN_LINK_LEFT)});
    return;
  }
  RemoveFolderExactly(Wide(path), expected);
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

StepResult DeleteRecordFile(const ProgramFolder& program) {
  const std::string path = program.path + installrecord::kRecordFileName;
  unsigned long error = 0;
  if (DeleteChecked(path, Below(program.resolved, installrecord::kRecordFileName), nullptr, &error) ==
      Outcome::kGone) {
    return StepResult::Done();
  }
  return StepResult::Failed(path, error);
}

bool ResolveProgramFolder(const std::string& folder, ProgramFolder* program) {
  program->path = WithBackslash(folder);
  program->resolved = ResolvedFolderPath(program->path);
  std::wstring named = Wide(program->path);
  if (program->resolved.empty() || named.empty()) return false;
  // A short (8.3) spelling of the same folder is still the folder itself.
  std::vector<wchar_t> longName(32768);
  const DWORD length = GetLongPathNameW(named.c_str(), longName.data(), static_cast<DWORD>(longName.size()));
  if (length > 0 && length < longName.size()) named.assign(longName.data(), length);
  while (named.size() > 3 && named.back() == L'\\') named.pop_back();
  return CompareStringOrdinal(named.c_str(), static_cast<int>(named.size()), program->resolved.c_str(),
                              static_cast<int>(program->resolved.size()), TRUE) == CSTR_EQUAL;
}

void RemoveLinks(const InstallRecord& record, const std::string& folder, RemovalReport* report) {
  for (const installrecord::Link& link : record.links) {
    if (!IsProductLinkName(link.place, link.name)) continue;
    const std::string place = ShellFolderPath(PlaceFolderId(link.place));
    if (place.empty()) continue;
    const std::string path = place + link.name;
    const FileIdentity identity = IdentifyFile(path);
    if (!identity.exists) continue;
    const std::wstring expected = Below(ResolvedFolderPath(place), link.name);
    if (identity.error == 0 && (expected.empty() || !IsExactlyAt(identity, expected))) {
      Note(Outcome::kLink, path, report);
      continue;
    }
    // A link that another installation (or the user) has pointed elsewhere
    // since is theirs now.
    if (!StartsWithFolder(ReadLinkTarget(path), folder)) continue;
    Note(DeleteChecked(path, expected, nullptr), path, report);
  }
  for (installrecord::LinkPlace place : record.createdGroups) {
    if (!IsProgramsPlace(place)) continue;
    const std::string programs = ShellFolderPath(PlaceFolderId(place));
    if (programs.empty()) continue;
    RemoveFolderChecked(programs + kGroupFolder, Below(ResolvedFolderPath(programs), kGroupFolder), report);
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

namespace {

// Puts the user's files that the setup had moved into pv_kept\ back where
// they were, once our file there is gone, then removes pv_kept's folders
// that are empty. A file that cannot go back stays in pv_kept and fails the
// run, so that a second run tries again.
void RestoreKeptFiles(const InstallRecord& record, const ProgramFolder& program, RemovalReport* report) {
  std::vector<std::string> folders = {installrecord::kKeptFolder};
  for (const std::string& kept : record.kept) {
    const std::string name = WindowsSlashes(kept);
    if (!IsPlainRelativeName(name)) continue;
    for (std::size_t cut = name.find('\\'); cut != std::string::npos; cut = name.find('\\', cut + 1)) {
      folders.push_back(installrecord::kKeptFolder + name.substr(0, cut + 1));
    }
    const std::string source = program.path + installrecord::kKeptFolder + name;
    const std::string target = program.path + name;
    const FileIdentity found = IdentifyFile(source);
    if (!found.exists) continue;  // put back by an earlier run
    const std::wstring sourceFinal = Below(program.resolved, installrecord::kKeptFolder + name);
    const std::size_t slash = name.find_last_of('\\');
    const std::string parent = slash == std::string::npos ? std::string() : name.substr(0, slash);
    bool ok = found.error == 0 && !found.directory && IsExactlyAt(found, sourceFinal) &&
              !IdentifyFile(target).exists;
    if (ok && !parent.empty()) {
      const FileIdentity place = IdentifyFile(program.path + parent);
      ok = place.exists && place.directory && IsExactlyAt(place, Below(program.resolved, parent));
    }
    ok = ok && MoveFileExW(Wide(source).c_str(), Wide(target).c_str(), MOVEFILE_WRITE_THROUGH);
    if (!ok) report->failed.push_back({source, LoadResourceString(IDS_UN_KEPT_LEFT)});
  }
  std::stable_sort(folders.begin(), folders.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
  folders.erase(std::unique(folders.begin(), folders.end(),
                            [](const std::string& a, const std::string& b) { return SameName(a, b); }),
                folders.end());
  for (const std::string& kept : folders) {
    RemoveFolderChecked(program.path + kept, Below(program.resolved, kept), report);
  }
}

}  // namespace

void RemoveProgramFiles(const InstallRecord& record, const ProgramFolder& program, RemovalReport* report) {
  for (const installrecord::RecordedFile& recorded : record.files) {
    const std::string name = WindowsSlashes(recorded.name);
    if (SameName(name, kUninstallerFileName)) continue;  // the copy in TEMP takes it
    const std::string path = program.path + name;
    Note(DeleteChecked(path, Below(program.resolved, name), &recorded), path, report);
  }
  // The viewer writes its settings into this file: it carries no stamp.
  const std::string settings = program.path + kSettingsFile;
  Note(DeleteChecked(settings, Below(program.resolved, kSettingsFile), nullptr), settings, report);

  RestoreKeptFiles(record, program, report);

  std::vector<std::string> folders;
  for (const std::string& created : record.createdFolders) folders.push_back(WindowsSlashes(created));
  std::stable_sort(folders.begin(), folders.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
  for (const std::string& created : folders) {
    RemoveFolderChecked(program.path + created, Below(program.resolved, created), report);
  }
}

void RemoveEarlierInstallation(const InstallRecord& record, const ProgramFolder& program, RemovalReport* report) {
  RemovalReport own;
  RemoveLinks(record, program.path, &own);
  RemoveProgramFiles(record, program, &own);
  // No copy of this program runs from there: its file goes as the others.
  for (const installrecord::RecordedFile& recorded : record.files) {
    if (!SameName(WindowsSlashes(recorded.name), kUninstallerFileName)) continue;
    const std::string path = program.path + kUninstallerFileName;
    Note(DeleteChecked(path, Below(program.resolved, kUninstallerFileName), &recorded), path, &own);
  }
  if (own.failed.empty()) {
    if (!DeleteRecordFile(program)) {
      own.failed.push_back({program.path + installrecord::kRecordFileName, LoadResourceString(IDS_UN_CANNOT_REMOVE)});
    } else if (record.folderCreated) {
      RemoveFolderExactly(Wide(program.path), program.resolved);
    }
  }
  report->failed.insert(report->failed.end(), own.failed.begin(), own.failed.end());
  report->changed.insert(report->changed.end(), own.changed.begin(), own.changed.end());
}

RemovalReport RemoveLeftoverFolders(const ProgramFolder& program, const std::vector<std::string>& folders) {
  RemovalReport report;
  for (const std::string& leftover : folders) {
    RemoveFolderChecked(program.path + leftover, Below(program.resolved, leftover), &report);
    if (IdentifyFile(program.path + leftover).exists) {
      report.failed.push_back({program.path + leftover, LoadResourceString(IDS_UN_CANNOT_REMOVE)});
    }
  }
  return report;
}

namespace {

void ListChecked(const ProgramFolder& program, const std::string& prefix,
                 std::vector<std::pair<std::string, bool>>* entries, bool* complete) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((Wide(program.path + prefix) + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    *complete = false;
    return;
  }
  do {
    const std::wstring wide = found.cFileName;
    if (wide == L"." || wide == L"..") continue;
    std::string name;
    if (!WideToAnsiExact(wide, &name)) {
      // A name the code page cannot spell is not one of ours.
      entries->push_back({prefix + "?", false});
      continue;
    }
    const std::string relative = prefix + name;
    const FileIdentity identity = IdentifyFile(program.path + relative);
    const bool plain = identity.exists && identity.error == 0 && IsExactlyAt(identity, Below(program.resolved, relative));
    if (identity.directory) {
      entries->push_back({relative + "\\", plain});
      if (plain) ListChecked(program, relative + "\\", entries, complete);
    } else {
      entries->push_back({relative, plain});
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

}  // namespace

std::vector<std::pair<std::string, bool>> ListProgramFolder(const ProgramFolder& program, bool* complete) {
  *complete = true;
  std::vector<std::pair<std::string, bool>> entries;
  ListChecked(program, "", &entries, complete);
  return entries;
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
// unreadable to others under Wine. The removal goes through the handle that
// was checked to lead exactly to expected.
bool RemoveFolderExactly(const std::wstring& folder, const std::wstring& expected) {
  const FileIdentity identity = IdentifyFileW(folder);
  if (!identity.exists) return true;
  if (!identity.directory || !IsExactlyAt(identity, expected) || !IsFolderEmptyW(folder)) return false;
  std::string ansi;
  unsigned long error = 0;
  return WideToAnsiExact(folder, &ansi) && DeleteExactly(ansi, identity, expected, &error);
}
