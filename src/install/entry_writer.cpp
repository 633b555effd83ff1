#include "install/entry_writer.h"

#include <cctype>
#include <cstring>

#include "core/archive_entry.h"
#include "platform/file_identity.h"
#include "platform/run_progress.h"

namespace {

constexpr int kCopyBufferSize = 64 * 1024;  // per reader; fewer system calls per megabyte
constexpr std::size_t kPathCapacity = MAX_PATH + kEntryNameSize;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsExistingFolder(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The full path of path with backslashes; path itself when the system
// cannot complete it.
std::string ShownFullPath(const std::string& path) {
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  std::string shown = length > 0 && length < MAX_PATH ? std::string(full, length) : path;
  for (char& c : shown) {
    if (c == '/') c = '\\';
  }
  return shown;
}

// The path an entry's name stands for, completed against prefix (the
// folder's full path ending in a backslash) as the system completes a name
// against the current folder: a name rooted by a backslash on the folder's
// drive or share, a name relative to the folder's drive inside the folder,
// anything absolute as it is. A name rooted by a slash is left to the system
// as it is: Wine takes it for a host path, whatever the current folder. Only
// failures are named this way; names that are not relative are never
// written.
std::string EntryPathAt(const std::string& prefix, const char* name) {
  if (IsSeparator(name[0])) {
    if (name[0] == '/' || IsSeparator(name[1])) return name;  // a host, share or device path
    std::size_t rootEnd = 2;                 // "X:"
    if (prefix.compare(0, 2, "\\\\") == 0) {
      const std::size_t server = prefix.find('\\', 2);
      const std::size_t share = server == std::string::npos ? server : prefix.find('\\', server + 1);
      rootEnd = share == std::string::npos ? prefix.size() : share;
    }
    return prefix.substr(0, rootEnd) + name;
  }
  if (name[0] != '\0' && name[1] == ':') {
    if (IsSeparator(name[2])) return name;
    const bool sameDrive = prefix.size() > 1 && prefix[1] == ':' &&
                           std::toupper(static_cast<unsigned char>(prefix[0])) ==
                               std::toupper(static_cast<unsigned char>(name[0]));
    return sameDrive ? prefix + (name + 2) : std::string(name);
  }
  return prefix + name;
}

// An entry's failure as the log names it: its full path, or the name as it
// is when that cannot be had.
StepResult FailedEntry(const std::string& prefix, const char* name, DWORD error) {
  char full[MAX_PATH];
  const std::string path = EntryPathAt(prefix, name);
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  std::string shown = length > 0 && length < MAX_PATH ? std::string(full, length) : std::string(name);
  for (char& c : shown) {
    if (c == '/') c = '\\';
  }
  return FailedShown(shown, error);
}

// Every payload file is written as a new directory entry: an existing name
// is never opened for writing, since it may be a hard link or a symbolic
// link to a file elsewhere that the elevated setup would then overwrite.
// DELETE: a file that turns out to be in the wrong place is deleted through
// this very handle.
HANDLE CreateNewOutputFile(const char* path, DWORD share) {
  return CreateFileA(path, GENERIC_WRITE | DELETE, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsExistsError(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// Creates the output file at path (prefix, the folder being unpacked into,
// then the entry's name), and its folders when they are missing.
HANDLE CreateOutputFileWithFolders(const std::string& prefix, const char* path, DWORD share) {
  HANDLE file = CreateNewOutputFile(path, share);
  if (file != INVALID_HANDLE_VALUE || IsExistsError(GetLastError())) return file;
  const char* name = path + prefix.size();
  const char* fileName = EntryFileName(name);
  if (fileName == name) return INVALID_HANDLE_VALUE;
  char folder[kEntryNameSize];
  const std::size_t folderLength = static_cast<std::size_t>(fileName - name) - 1;  // without the separator
  std::memcpy(folder, name, folderLength);
  folder[folderLength] = '\0';
  MakeDirectoryChain(prefix.c_str(), folder);
  return CreateNewOutputFile(path, share);
}

// An entry's file being written: under its own name when that was free,
// else under a new temporary name beside it that replaces the name once the
// file is complete (a rename replaces a link itself, never its target).
struct OutputFile {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool replacing = false;
  char tempPath[kPathCapacity] = {};  // the folder's prefix, then the temporary name
};

// Where name (relative to the folder being unpacked into) must lead.
bool ExpectedPath(const UnpackFolder& folder, const char* name, std::wstring* expected) {
  std::wstring wide;
  if (folder.root.empty() || !AnsiToWide(name, &wide)) return false;
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  *expected = folder.root + L"\\" + wide;
  return true;
}

// True when the file of output is where name says, inside the folder being
// unpacked into; otherwise a folder on its way leads elsewhere, and the new
// file there is deleted again.
bool IsInPlace(const UnpackFolder& folder, HANDLE output, const char* name) {
  std::wstring expected;
  if (ExpectedPath(folder, name, &expected) && HandleLeadsTo(output, expected)) return true;
  DeleteThroughHandle(output);
  return false;
}

// Opens the new file for the entry at path; false with the system's error
// (GetLastError) when neither its name nor a temporary name could be created.
bool OpenOutput(UnpackFolder& folder, const char* path, std::size_t prefixLength, OutputFile* output) {
  output->handle = CreateOutputFileWithFolders(folder.prefix, path, 0);
  if (output->handle != INVALID_HANDLE_VALUE) return true;
  if (!IsExistsError(GetLastError())) return false;
  // The name is taken: a file of an earlier installation (or whatever a
  // user put there). The new file is written beside it, with the sharing
  // that lets the rename happen while it is still open.
  const char* name = path + prefixLength;
  const std::size_t folderLength = static_cast<std::size_t>(EntryFileName(name) - name);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char tail[32];
    wsprintfA(tail, "~px%lx_%lx.tmp", GetCurrentProcessId(),
              static_cast<unsigned long>(InterlockedIncrement(&folder.replacementNumber)));
    const std::size_t tailLength = std::strlen(tail);
    if (folderLength + tailLength >= static_cast<std::size_t>(kEntryNameSize)) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return false;
    }
    std::memcpy(output->tempPath, path, prefixLength + folderLength);
    std::memcpy(output->tempPath + prefixLength + folderLength, tail, tailLength + 1);
    output->handle = CreateNewOutputFile(output->tempPath, FILE_SHARE_DELETE);
    if (output->handle != INVALID_HANDLE_VALUE) {
      output->replacing = true;
      return true;
    }
    if (!IsExistsError(GetLastError())) return false;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return false;
}

// Why name could not be replaced. The system answers "access denied" for a
// file that another program holds open; the cause to tell is that it is
// held, as when the name itself could not be opened. Asked only after a
// failure, for deletion alone and without following a link.
DWORD ReplacementError(const std::wstring& name, DWORD error) {
  if (error != ERROR_ACCESS_DENIED || name.empty()) return error;
  HANDLE existing = CreateFileW(name.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (existing != INVALID_HANDLE_VALUE) {
    CloseHandle(existing);
    return error;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION ? static_cast<DWORD>(ERROR_SHARING_VIOLATION) : error;
}

// The written file takes the entry's name: a temporary one replaces what is
// at path, and is checked once more under its final name. False (error in
// GetLastError) when that failed; the new file is then gone again.
bool CompleteOutput(const UnpackFolder& folder, const OutputFile& output, const char* path, const char* name) {
  if (!output.replacing) return true;
  std::wstring from, to;
  if (!AnsiToWide(output.tempPath, &from) || !AnsiToWide(path, &to) ||
      !MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = ReplacementError(to, GetLastError());
    DeleteThroughHandle(output.handle);
    SetLastError(error != 0 ? error : static_cast<DWORD>(ERROR_INVALID_NAME));
    return false;
  }
  // The handle still carries the temporary name for Wine; the name itself
  // must now be this very file (the same id; the place below decides the
  // volume, which Wine leaves 0 on a handle opened for writing), and exactly
  // where it belongs.
  BY_HANDLE_FILE_INFORMATION mine = {};
  std::wstring expected;
  const FileIdentity now = IdentifyFileW(to);
  if (GetFileInformationByHandle(output.handle, &mine) && ExpectedPath(folder, name, &expected) &&
      now.fileIndex == ((static_cast<unsigned long long>(mine.nFileIndexHigh) << 32) | mine.nFileIndexLow) &&
      IsExactlyAt(now, expected)) {
    return true;
  }
  DeleteThroughHandle(output.handle);
  SetLastError(ERROR_CANT_RESOLVE_FILENAME);
  return false;
}

enum class CopyResult { kDone, kReadError, kWriteError };

// A damaged deflate stream can end early without any error from inflate;
// minizip checks the CRC only once the declared size has been read, so an
// entry that yields fewer (or more) bytes than declared is a read error too.
CopyResult CopyEntry(unzFile archive, HANDLE output, char* buffer, ZPOS64_T declaredSize) {
  ZPOS64_T copied = 0;
  for (;;) {
    const int count = unzReadCurrentFile(archive, buffer, kCopyBufferSize);
    if (count < 0 || (count == 0 && copied != declaredSize)) {
      SetLastError(ERROR_CRC);  // damaged packed data
      return CopyResult::kReadError;
    }
    if (count == 0) return CopyResult::kDone;
    copied += static_cast<ZPOS64_T>(count);
    DWORD written = 0;
    if (!WriteFile(output, buffer, static_cast<DWORD>(count), &written, nullptr)) return CopyResult::kWriteError;
    if (written != static_cast<DWORD>(count)) {
      SetLastError(ERROR_DISK_FULL);  // a write cut short, as in the archive copy
      return CopyResult::kWriteError;
    }
    runprogress::Advance(static_cast<unsigned long long>(count));
  }
}

// Sets creation and last-write time of a file just written through output
// to the archive's DOS date and time (local time); the last-access time
// stays. Through the handle that wrote the file: opening it once more for
// the date cost a round of system calls per file.
void SetDateFromArchive(HANDLE output, unsigned long dosDateTime) {
  FILETIME local, universal;
  if (DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime & 0xFFFF),
                            &local) &&
      LocalFileTimeToFileTime(&local, &universal)) {
    SetFileTime(output, &universal, nullptr, &universal);
  }
}

}  // namespace

StepResult FailedShown(const std::string& shown, DWORD error) {
  return StepResult::Failed(shown, error != 0 ? error : static_cast<DWORD>(ERROR_GEN_FAILURE));
}

StepResult FailedAt(const char* path, DWORD error) {
  if (path[0] != '\0') return FailedShown(ShownFullPath(path), error);
  // The payload resource itself is named by the program that carries it.
  char module[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
  return FailedShown(length > 0 && length < MAX_PATH ? std::string(module, length) : std::string(), error);
}

StepResult CheckEnterable(const char* destination) {
  // An empty name is no folder; the system calls it an invalid name.
  if (destination[0] == '\0') return FailedAt(destination, ERROR_INVALID_NAME);
  // Opened as the system opens a folder it makes the current one: for
  // passing through, by a name that must be a folder.
  HANDLE folder = CreateFileA(destination, FILE_TRAVERSE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return FailedAt(destination, GetLastError());
  BY_HANDLE_FILE_INFORMATION info = {};
  const bool isFolder = GetFileInformationByHandle(folder, &info) != FALSE;
  const DWORD error = isFolder ? ERROR_SUCCESS : GetLastError();
  CloseHandle(folder);
  if (!isFolder) return FailedAt(destination, error);
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return FailedAt(destination, ERROR_DIRECTORY);
  return StepResult::Done();
}

StepResult OpenUnpackFolder(const char* destination, UnpackFolder* folder) {
  folder->prefix.clear();
  folder->root.clear();
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(destination, MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return FailedAt(destination, ERROR_FILENAME_EXCED_RANGE);
  // Every file written must lead to the folder as it is named: one that is
  // a link or lies behind one is not unpacked into at all.
  const std::wstring expected = FullLongFolderPath(destination);
  if (expected.empty() || !IsExactlyAt(IdentifyFile(destination), expected)) {
    return FailedAt(destination, ERROR_CANT_RESOLVE_FILENAME);
  }
  folder->root = expected;
  folder->prefix.assign(full, length);
  if (!IsSeparator(folder->prefix.back())) folder->prefix += '\\';
  return StepResult::Done();
}

bool MakeDirectoryChain(const char* destination, const char* relativePath) {
  if (relativePath == nullptr || relativePath[0] == '\0') return false;
  char path[kPathCapacity];
  const std::size_t prefixLength = std::strlen(destination);
  const std::size_t relativeLength = std::strlen(relativePath);
  const bool joined = prefixLength > 0 && !IsSeparator(destination[prefixLength - 1]);
  const std::size_t start = prefixLength + (joined ? 1 : 0);
  if (relativeLength >= static_cast<std::size_t>(kEntryNameSize) || start + relativeLength >= sizeof path) {
    return false;
  }
  std::memcpy(path, destination, prefixLength);
  if (joined) path[prefixLength] = '\\';
  std::memcpy(path + start, relativePath, relativeLength + 1);
  std::size_t length = start + relativeLength;
  if (path[length - 1] == '/') path[--length] = '\0';
  if (length == start) return false;
  if (CreateDirectoryA(path, nullptr)) return true;

  for (std::size_t i = start + 1; i <= length; ++i) {
    if (i < length && !IsSeparator(path[i])) continue;
    const char kept = path[i];
    path[i] = '\0';
    const BOOL created = CreateDirectoryA(path, nullptr);
    const DWORD error = created ? ERROR_SUCCESS : GetLastError();
    path[i] = kept;
    if (error == ERROR_PATH_NOT_FOUND) return false;
  }
  return true;
}

EntryWriter::EntryWriter(UnpackFolder& folder)
    : folder_(folder), buffer_(new (std::nothrow) char[kCopyBufferSize]), prefixLength_(folder.prefix.size()) {
  std::memcpy(path_, folder.prefix.c_str(), prefixLength_ + 1);
}

EntryStep EntryWriter::WriteCurrentEntry(unzFile archive) {
  EntryStep step;
  unz_file_info64 info;
  char* const name = path_ + prefixLength_;
  if (unzGetCurrentFileInfo64(archive, &info, name, kEntryNameSize, nullptr, 0, nullptr, 0) != UNZ_OK) {
    step.outcome = EntryOutcome::kStop;
    return step;
  }
  // minizip leaves a name that fills the buffer unterminated; such a name
  // cannot be a path on this system anyway.
  const bool nameFits = info.size_filename < static_cast<uLong>(kEntryNameSize);
  name[nameFits ? info.size_filename : kEntryNameSize - 1] = '\0';

  if (!nameFits || !IsSafeEntryName(name)) {
    // Never written, reported like an entry that cannot be created.
    step.outcome = EntryOutcome::kLeftOut;
    step.result = FailedEntry(folder_.prefix, name, ERROR_INVALID_NAME);
    return step;
  }
  if (EntryFileName(name)[0] == '\0') {
    // A directory entry: create that one folder; a parent that is listed
    // later (or not at all) is created with it. Existing already is fine.
    if (CreateDirectoryA(path_, nullptr)) return step;
    const DWORD error = GetLastError();
    if (IsExistingFolder(path_)) return step;
    MakeDirectoryChain(folder_.prefix.c_str(), name);
    if (IsExistingFolder(path_)) return step;
    step.outcome = EntryOutcome::kLeftOut;
    step.result = FailedEntry(folder_.prefix, name, error);
    return step;
  }
  // A file written under a longer name: the same rules hold for that name.
  const std::size_t suffixLength = folder_.nameSuffix.size();
  if (suffixLength > 0) {
    const std::size_t nameLength = std::strlen(name);
    if (nameLength + suffixLength >= static_cast<std::size_t>(kEntryNameSize)) {
      step.outcome = EntryOutcome::kLeftOut;
      step.result = FailedEntry(folder_.prefix, name, ERROR_FILENAME_EXCED_RANGE);
      return step;
    }
    std::memcpy(name + nameLength, folder_.nameSuffix.c_str(), suffixLength + 1);
    // What an earlier run left under that name is replaced only when it is
    // a file of its own in this folder; anything else stays, and the entry
    // is left out.
    const FileIdentity leftover = IdentifyFile(path_);
    std::wstring expected;
    if (leftover.exists && (leftover.directory || !ExpectedPath(folder_, name, &expected) ||
                            !IsExactlyAt(leftover, expected))) {
      step.outcome = EntryOutcome::kLeftOut;
      step.result = FailedEntry(folder_.prefix, name, ERROR_CANT_RESOLVE_FILENAME);
      return step;
    }
  }
  if (unzOpenCurrentFilePassword(archive, nullptr) != UNZ_OK) {
    unzCloseCurrentFile(archive);
    step.outcome = EntryOutcome::kStop;
    return step;
  }
  OutputFile output;
  if (!OpenOutput(folder_, path_, prefixLength_, &output)) {
    step.result = FailedEntry(folder_.prefix, name, GetLastError());
    unzCloseCurrentFile(archive);
    step.outcome = EntryOutcome::kLeftOut;
    return step;
  }
  // Checked before a byte is written: a file that a folder link took
  // elsewhere is deleted again, and the walk ends, since every later entry
  // in that folder would go the same way.
  if (!IsInPlace(folder_, output.handle, output.replacing ? output.tempPath + prefixLength_ : name)) {
    CloseHandle(output.handle);
    step.result = FailedEntry(folder_.prefix, name, ERROR_CANT_RESOLVE_FILENAME);
    unzCloseCurrentFile(archive);
    step.outcome = EntryOutcome::kStop;
    return step;
  }
  const CopyResult copied = CopyEntry(archive, output.handle, buffer_.get(), info.uncompressed_size);
  const DWORD copyError = GetLastError();
  if (copied == CopyResult::kDone) SetDateFromArchive(output.handle, info.dosDate);
  if (copied != CopyResult::kDone) {
    if (output.replacing) DeleteThroughHandle(output.handle);  // the name keeps what it held
    CloseHandle(output.handle);
    step.result = FailedEntry(folder_.prefix, name, copyError);
    unzCloseCurrentFile(archive);
    step.outcome = EntryOutcome::kStop;
    return step;
  }
  if (unzCloseCurrentFile(archive) != UNZ_OK) {  // the CRC check
    if (output.replacing) DeleteThroughHandle(output.handle);
    CloseHandle(output.handle);
    step.result = FailedEntry(folder_.prefix, name, ERROR_CRC);
    step.outcome = EntryOutcome::kStop;
    return step;
  }
  // A name that cannot be replaced (a file held by another program) is
  // left out like a name that cannot be created: the walk goes on.
  const bool named = CompleteOutput(folder_, output, path_, name);
  const DWORD nameError = GetLastError();
  CloseHandle(output.handle);
  if (!named) {
    step.result = FailedEntry(folder_.prefix, name, nameError);
    step.outcome = EntryOutcome::kLeftOut;
  }
  return step;
}
