#include "install/run_files.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "core/footprint_names.h"
#include "core/install_record.h"
#include "platform/file_identity.h"

namespace runfiles {

namespace {

constexpr unsigned long long kMostSettingsBytes = 64 * 1024;

std::wstring Wide(const std::string& text) {
  std::wstring wide;
  return AnsiToWide(text, &wide) ? wide : std::wstring();
}

std::string WithoutBackslash(std::string text) {
  while (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

// The program folder of a run: its path as given and where its names must
// lead. Nothing is touched in a folder that itself leads elsewhere.
struct Folder {
  std::string path;     // ends in a backslash
  std::wstring root;    // resolved, without a closing backslash; "" when unusable

  explicit Folder(const std::string& given) : path(given) {
    if (!path.empty() && path.back() != '\\') path += '\\';
    const std::wstring resolved = ResolvedFolderPath(path);
    const std::wstring expected = FullLongFolderPath(path);
    if (!resolved.empty() && !expected.empty() && IsExactlyAt(IdentifyFile(path), expected)) root = resolved;
  }
  bool Usable() const { return !root.empty(); }
  std::string At(const std::string& relative) const { return path + relative; }
  std::wstring Expected(const std::string& relative) const {
    const std::wstring wide = Wide(WithoutBackslash(relative));
    return wide.empty() ? std::wstring() : root + L"\\" + wide;
  }
};

// What stands at a name.
enum class Found { kNothing, kOwnFile, kOwnFolder, kOther };

// kOwnFile: a file that is exactly this name (a second hard link of it
// included: a rename or deletion acts on the name alone); kOther: a link
// leading elsewhere, or anything that cannot be looked at.
Found Look(const std::string& path, const std::wstring& expected) {
  FileIdentity identity = IdentifyFile(path);
  if (!identity.exists) return Found::kNothing;
  identity.links = 1;
  if (expected.empty() || !IsExactlyAt(identity, expected)) return Found::kOther;
  return identity.directory ? Found::kOwnFolder : Found::kOwnFile;
}

StepResult Refused(const std::string& path) { return StepResult::Failed(path, ERROR_CANT_RESOLVE_FILENAME); }

// Opens the file at path for renaming or deleting when it is a file of its
// own exactly there (a second hard link of it included, as with Look):
// *handle is then to be closed by the caller. Missing or anything else: refused; a file held
// by another program: the system's answer.
StepResult OpenOwnFile(const std::string& path, const std::wstring& expected, HANDLE* handle) {
  *handle = INVALID_HANDLE_VALUE;
  if (expected.empty()) return Refused(path);
  HANDLE opened = CreateFileW(Wide(path).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Refused(path)
                                                                           : StepResult::Failed(path, error);
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!GetFileInformationByHandle(opened, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
      !HandleLeadsTo(opened, expected)) {
    CloseHandle(opened);
    return Refused(path);
  }
  *handle = opened;
  return StepResult::Done();
}

// Deletes the file at path when it is exactly there (checked through the
// handle that deletes it); done when it is missing.
StepResult DeleteOwnFile(const std::string& path, const std::wstring& expected) {
  if (Look(path, expected) == Found::kNothing) return StepResult::Done();
  HANDLE handle = INVALID_HANDLE_VALUE;
  const StepResult opened = OpenOwnFile(path, expected, &handle);
  if (!opened) return opened;
  const bool deleted = DeleteThroughHandle(handle);
  const DWORD error = GetLastError();
  CloseHandle(handle);
  return deleted ? StepResult::Done() : StepResult::Failed(path, error);
}

// Gives the file of handle (opened by OpenOwnFile at from) the name to.
// replace: a plain file of its own at to is overwritten; anything else there
// fails.
StepResult RenameOpenFile(HANDLE handle, const std::string& from, const std::string& to,
                          const std::wstring& toExpected, bool replace) {
  const Found target = Look(to, toExpected);
  if (target != Found::kNothing && !(replace && target == Found::kOwnFile)) {
    return StepResult::Failed(to, target == Found::kOther ? ERROR_CANT_RESOLVE_FILENAME : ERROR_ALREADY_EXISTS);
  }
  if (!RenameThroughHandle(handle, Wide(to), target != Found::kNothing)) return StepResult::Failed(from, GetLastError());
  return StepResult::Done();
}

// Renames the file from (exactly there, checked through the handle that
// renames it) to the name to, as RenameOpenFile.
StepResult RenameOwnFile(const std::string& from, const std::wstring& fromExpected, const std::string& to,
                         const std::wstring& toExpected, bool replace) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  const StepResult opened = OpenOwnFile(from, fromExpected, &handle);
  if (!opened) return opened;
  const StepResult renamed = RenameOpenFile(handle, from, to, toExpected, replace);
  CloseHandle(handle);
  return renamed;
}

// Removes the folder at path when it is exactly there and empty.
void RemoveOwnEmptyFolder(const std::string& path, const std::wstring& expected) {
  if (Look(path, expected) != Found::kOwnFolder) return;
  const std::wstring wide = Wide(path);
  if (IsFolderEmptyW(wide)) RemoveDirectoryW(wide.c_str());
}

// One name of the program folder with its staged and replaced names.
struct Names {
  std::string name, staged, replaced;
  std::wstring nameAt, stagedAt, replacedAt;

  Names(const Folder& folder, const std::string& relative) {
    const std::string stagedRelative = relative + footprint::kStagedSuffix;
    const std::string replacedRelative = relative + footprint::kReplacedSuffix;
    name = folder.At(relative);
    staged = folder.At(stagedRelative);
    replaced = folder.At(replacedRelative);
    nameAt = folder.Expected(relative);
    stagedAt = folder.Expected(stagedRelative);
    replacedAt = folder.Expected(replacedRelative);
  }
};

// An entry that replaces an earlier file: while the replaced name exists,
// the name holds the new file (or nothing) and the earlier one goes back;
// without it the name still holds the earlier file. An entry that replaced
// nothing: the name was free before the run.
// A name whose user's file was set aside holds the run's file only while
// the user's file is still in pv_kept: once it is back, the name is the
// user's again.
StepResult UndoFile(const Folder& folder, const std::string& relative, bool replaces, bool setAside) {
  const Names names(folder, relative);
  StepResult result = DeleteOwnFile(names.staged, names.stagedAt);
  if (!replaces) {
    const std::string kept = std::string(installrecord::kKeptFolder) + relative;
    if (!setAside || Look(folder.At(kept), folder.Expected(kept)) != Found::kNothing) {
      result.KeepFirst(DeleteOwnFile(names.name, names.nameAt));
    }
    return result;
  }
  if (Look(names.replaced, names.replacedAt) == Found::kNothing) return result;
  const StepResult cleared = DeleteOwnFile(names.name, names.nameAt);
  result.KeepFirst(cleared);
  if (cleared) result.KeepFirst(RenameOwnFile(names.replaced, names.replacedAt, names.name, names.nameAt, false));
  return result;
}

// The folders on the way to relative's file inside base (relative, ending
// in a backslash), innermost first.
std::vector<std::string> FoldersOnTheWay(const std::string& base, const std::string& relative) {
  std::vector<std::string> folders;
  for (std::size_t cut = relative.find_last_of('\\'); cut != std::string::npos && cut > 0;
       cut = relative.find_last_of('\\', cut - 1)) {
    folders.push_back(base + relative.substr(0, cut + 1));
  }
  return folders;
}

void UndoKept(const Folder& folder, const std::vector<std::string>& kept, StepReport* report) {
  const std::string keptFolder = installrecord::kKeptFolder;
  for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
    const std::string from = keptFolder + *it;
    if (Look(folder.At(from), folder.Expected(from)) == Found::kNothing) continue;  // back already
    // A file of its own at the name: the user's file was never set aside
    // (what is in pv_kept is an earlier run's), or the run's file is still
    // there, which its own undo has named. A link or folder there is not
    // ours to go through, and the user's file stays in pv_kept: named.
    if (Look(folder.At(*it), folder.Expected(*it)) == Found::kOwnFile) continue;
    report->Add(RenameOwnFile(folder.At(from), folder.Expected(from), folder.At(*it), folder.Expected(*it), false));
  }
  if (kept.empty()) return;
  for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
    for (const std::string& inside : FoldersOnTheWay(keptFolder, *it)) {
      RemoveOwnEmptyFolder(folder.At(inside), folder.Expected(inside));
    }
  }
  RemoveOwnEmptyFolder(folder.At(keptFolder), folder.Expected(keptFolder));
}

StepResult UndoRecord(const Folder& folder, bool replaced) {
  const std::string record = installrecord::kRecordFileName;
  StepResult result = DeleteOwnFile(folder.At(footprint::kRecordTempName), folder.Expected(footprint::kRecordTempName));
  result.KeepFirst(UndoFile(folder, record, replaced, false));
  return result;
}

}  // namespace

std::size_t LongestStagedName(std::size_t longestInstalledName) {
  const std::size_t suffix = std::strlen(footprint::kStagedSuffix) > std::strlen(footprint::kReplacedSuffix)
                                 ? std::strlen(footprint::kStagedSuffix)
                                 : std::strlen(footprint::kReplacedSuffix);
  const std::size_t record = std::strlen(footprint::kRecordFileName) + std::strlen(footprint::kReplacedSuffix);
  const std::size_t longest = longestInstalledName + suffix;
  return longest > record ? longest : record;
}

std::vector<journal::File> PayloadFileEntries(const std::string& folderPath,
                                              const std::vector<installrecord::RecordedFile>& stamps) {
  const Folder folder(folderPath);
  std::vector<journal::File> files;
  for (const installrecord::RecordedFile& stamp : stamps) {
    journal::File file;
    file.name = stamp.name;
    file.size = stamp.size;
    file.crc = stamp.crc;
    file.replaces = folder.Usable() && Look(folder.At(stamp.name), folder.Expected(stamp.name)) == Found::kOwnFile;
    files.push_back(file);
  }
  return files;
}

StepResult PutStagedFilesInPlace(const std::string& folderPath, const std::vector<journal::File>& files) {
  const Folder folder(folderPath);
  if (!folder.Usable()) return Refused(folder.path);
  for (const journal::File& file : files) {
    const Names names(folder, file.name);
    // The staged file is checked once, and renamed through the handle that
    // checked it.
    HANDLE staged = INVALID_HANDLE_VALUE;
    if (!OpenOwnFile(names.staged, names.stagedAt, &staged)) return Refused(names.staged);
    StepResult placed;
    const Found existing = Look(names.name, names.nameAt);
    if (existing != Found::kNothing && file.replaces) {
      placed = RenameOwnFile(names.name, names.nameAt, names.replaced, names.replacedAt, true);
    } else if (existing == Found::kOther) {
      // A link under a name that was free of files: the new file replaces
      // the name itself, as an unpacking always has.
      if (!RenameThroughHandle(staged, Wide(names.name), true)) placed = StepResult::Failed(names.name, GetLastError());
      CloseHandle(staged);
      if (!placed) return placed;
      if (Look(names.name, names.nameAt) != Found::kOwnFile) return Refused(names.name);
      continue;
    } else if (existing != Found::kNothing) {
      placed = StepResult::Failed(names.name, ERROR_ALREADY_EXISTS);
    }
    if (placed) placed = RenameOpenFile(staged, names.staged, names.name, names.nameAt, false);
    CloseHandle(staged);
    if (!placed) return placed;
  }
  return StepResult::Done();
}

StepResult SetRecordAside(const std::string& folderPath) {
  const Folder folder(folderPath);
  if (!folder.Usable()) return Refused(folder.path);
  const Names names(folder, installrecord::kRecordFileName);
  if (Look(names.name, names.nameAt) == Found::kNothing) return StepResult::Done();
  return RenameOwnFile(names.name, names.nameAt, names.replaced, names.replacedAt, true);
}

StepResult DeleteReplacedFiles(const journal::Journal& journal) {
  const Folder folder(journal.folder);
  if (!folder.Usable()) return Refused(folder.path);
  StepResult result;
  for (const journal::File& file : journal.files) {
    if (!file.replaces) continue;
    const Names names(folder, file.name);
    result.KeepFirst(DeleteOwnFile(names.replaced, names.replacedAt));
  }
  if (journal.recordReplaced) {
    const Names names(folder, installrecord::kRecordFileName);
    result.KeepFirst(DeleteOwnFile(names.replaced, names.replacedAt));
  }
  return result;
}

StepReport UndoRunFiles(const journal::Journal& journal) {
  StepReport report;
  const Folder folder(journal.folder);
  if (folder.Usable()) {
    if (journal.recordStep) report.Add(UndoRecord(folder, journal.recordReplaced));
    for (auto it = journal.files.rbegin(); it != journal.files.rend(); ++it) {
      const bool setAside = std::any_of(journal.kept.begin(), journal.kept.end(), [&it](const std::string& kept) {
        return installrecord::SameName(kept, it->name);
      });
      report.Add(UndoFile(folder, it->name, it->replaces, setAside));
    }
    for (auto it = journal.payloadFolders.rbegin(); it != journal.payloadFolders.rend(); ++it) {
      RemoveOwnEmptyFolder(folder.At(*it), folder.Expected(*it));
    }
    UndoKept(folder, journal.kept, &report);
  } else if (IdentifyFile(folder.path).exists &&
             (journal.recordStep || !journal.files.empty() || !journal.payloadFolders.empty())) {
    // Only a folder the run got as far as unpacking into: a folder refused
    // as a link at its name holds nothing of the run's (files are set aside
    // only in a folder found exactly there, and the unpacking comes after).
    report.Add(Refused(folder.path));
  }
  for (auto it = journal.createdFolders.rbegin(); it != journal.createdFolders.rend(); ++it) {
    RemoveOwnEmptyFolder(*it, FullLongFolderPath(*it));
  }
  return report;
}

bool CaptureSettings(const std::string& path, journal::Settings* settings) {
  *settings = journal::Settings();
  settings->path = path;
  const FileIdentity identity = IdentifyFile(path);
  if (!identity.exists) return identity.error == 0;
  const std::size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos) return false;
  const std::wstring expected = FullLongFolderPath(path.substr(0, cut)) + Wide(path.substr(cut));
  if (identity.directory || identity.size > kMostSettingsBytes || !IsExactlyAt(identity, expected)) return false;
  std::string content;
  unsigned long error = 0;
  const bool read = ReadExactly(
      path, identity, expected,
      [&content](const unsigned char* bytes, std::size_t count) {
        content.append(reinterpret_cast<const char*>(bytes), count);
      },
      &error);
  if (!read) return false;
  settings->existed = true;
  settings->content = content;
  return true;
}

StepResult UndoSettings(const journal::Settings& settings) {
  const std::string& path = settings.path;
  const std::size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos) return StepResult::Failed(path, ERROR_INVALID_NAME);
  const std::wstring folderAt = FullLongFolderPath(path.substr(0, cut));
  const std::wstring expected = folderAt + Wide(path.substr(cut));
  if (!settings.existed) return DeleteOwnFile(path, expected);

  // The earlier content goes into a new file beside it, which then takes
  // the name: whatever stands at the name now (a link included) is replaced
  // as a name, never written through.
  const std::string fresh = path + footprint::kStagedSuffix;
  const std::wstring freshAt = expected + Wide(footprint::kStagedSuffix);
  const StepResult cleared = DeleteOwnFile(fresh, freshAt);
  if (!cleared) return cleared;
  HANDLE file = CreateFileW(Wide(fresh).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return StepResult::Failed(fresh, GetLastError());
  if (!HandleLeadsTo(file, freshAt)) {
    DeleteThroughHandle(file);
    CloseHandle(file);
    return Refused(fresh);
  }
  DWORD written = 0;
  const bool wrote = settings.content.empty() ||
                     (WriteFile(file, settings.content.data(), static_cast<DWORD>(settings.content.size()), &written,
                                nullptr) &&
                      written == settings.content.size());
  const DWORD writeError = wrote ? ERROR_SUCCESS : GetLastError();
  if (!wrote) DeleteThroughHandle(file);
  CloseHandle(file);
  if (!wrote) return StepResult::Failed(fresh, writeError != 0 ? writeError : ERROR_DISK_FULL);
  if (!MoveFileExW(Wide(fresh).c_str(), Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = GetLastError();
    DeleteOwnFile(fresh, freshAt);
    return StepResult::Failed(path, error);
  }
  return StepResult::Done();
}

}  // namespace runfiles
