#include "install/payload_extraction.h"

#include <windows.h>

#include <iowin32.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/archive_entry.h"
#include "core/product.h"

namespace {

constexpr int kNameBufferSize = 520;
constexpr int kTempPathBufferSize = 520;
constexpr int kCopyBufferSize = 8192;
constexpr int kSmallestArchiveLimit = 22 + 0xFFFF + 1;  // an end record and the longest comment

// Bounded copy; false when source does not fit.
bool CopyText(char* target, std::size_t targetSize, const char* source) {
  const std::size_t length = std::strlen(source);
  if (length >= targetSize) return false;
  std::memcpy(target, source, length + 1);
  return true;
}

bool AppendText(char* target, std::size_t targetSize, const char* tail) {
  const std::size_t used = std::strlen(target);
  const std::size_t length = std::strlen(tail);
  if (used + length >= targetSize) return false;
  std::memcpy(target + used, tail, length + 1);
  return true;
}

bool IsExistingFolder(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

ExtractionFailure firstFailure;

// Keeps the first failure of a run: later ones are mostly its consequences.
// Names of entries are relative to the current folder, the destination.
void NoteFailure(const char* path, DWORD error) {
  if (!firstFailure.path.empty() || firstFailure.error != 0) return;
  // The payload resource itself is named by the program that carries it.
  char full[MAX_PATH];
  const DWORD length = path[0] != '\0' ? GetFullPathNameA(path, MAX_PATH, full, nullptr)
                                       : GetModuleFileNameA(nullptr, full, MAX_PATH);
  firstFailure.path = length > 0 && length < MAX_PATH ? std::string(full, length) : std::string(path);
  for (char& c : firstFailure.path) {
    if (c == '/') c = '\\';
  }
  firstFailure.error = error != 0 ? error : static_cast<DWORD>(ERROR_GEN_FAILURE);
}

// A directory entry: create that one folder; a parent that is listed later
// (or not at all) is created with it. Existing already is fine.
bool CreateDirectoryEntry(const char* name) {
  if (CreateDirectoryA(name, nullptr)) return true;
  const DWORD error = GetLastError();
  if (IsExistingFolder(name)) return true;
  MakeDirectoryChain(name);
  if (IsExistingFolder(name)) return true;
  NoteFailure(name, error);
  return false;
}

HANDLE CreateOutputFile(const char* name) {
  return CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Creates the output file, and its folders when they are missing.
HANDLE CreateOutputFileWithFolders(const char* name) {
  HANDLE file = CreateOutputFile(name);
  if (file != INVALID_HANDLE_VALUE) return file;
  const char* fileName = EntryFileName(name);
  if (fileName == name) return INVALID_HANDLE_VALUE;
  char folder[kNameBufferSize];
  const std::size_t folderLength = static_cast<std::size_t>(fileName - name) - 1;  // without the separator
  std::memcpy(folder, name, folderLength);
  folder[folderLength] = '\0';
  MakeDirectoryChain(folder);
  return CreateOutputFile(name);
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
      SetLastError(ERROR_DISK_FULL);  // a write cut short, as in ExtractPayload
      return CopyResult::kWriteError;
    }
  }
}

// minizip takes an end record at the very start of the file for "not found",
// so an archive without any entry (nothing but that record) does not open.
// It is still a valid archive with nothing to unpack.
bool HoldsNoEntries(HANDLE file) {
  LARGE_INTEGER start = {};
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
  std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[kSmallestArchiveLimit]);
  if (!data) return false;
  DWORD size = 0;
  const BOOL read = ReadFile(file, data.get(), kSmallestArchiveLimit, &size, nullptr);
  return read && size < static_cast<DWORD>(kSmallestArchiveLimit) && ArchiveEntryCount(data.get(), size) == 0;
}

bool IsArchiveWithoutEntries(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool empty = HoldsNoEntries(file);
  CloseHandle(file);
  return empty;
}

// The bytes of one of the program's own resources; null when it is missing,
// not loadable or not lockable.
const void* LockedResource(int resourceId, const char* resourceType, DWORD& size) {
  HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(resourceId), resourceType);
  if (resource == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(nullptr, resource);
  if (loaded == nullptr) return nullptr;
  size = SizeofResource(nullptr, resource);
  return LockResource(loaded);
}

// The temporary archive is read through the handle that wrote it: between
// writing and the end of the unpacking no other process can swap or change
// the file, since nobody else gets it for writing or deleting, and there is
// no moment in which the file is closed. minizip's "open" hands out the kept
// handle; its "close" leaves it to the owner.
struct KeptArchive {
  HANDLE file;
};

voidpf ZCALLBACK OpenKept(voidpf opaque, const void*, int) {
  return static_cast<KeptArchive*>(opaque);
}

uLong ZCALLBACK ReadKept(voidpf, voidpf stream, void* buffer, uLong size) {
  DWORD got = 0;
  if (!ReadFile(static_cast<KeptArchive*>(stream)->file, buffer, static_cast<DWORD>(size), &got, nullptr)) return 0;
  return got;
}

uLong ZCALLBACK WriteKept(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellKept(voidpf, voidpf stream) {
  LARGE_INTEGER zero = {}, position = {};
  if (!SetFilePointerEx(static_cast<KeptArchive*>(stream)->file, zero, &position, FILE_CURRENT)) {
    return static_cast<ZPOS64_T>(-1);
  }
  return static_cast<ZPOS64_T>(position.QuadPart);
}

long ZCALLBACK SeekKept(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  DWORD method = FILE_BEGIN;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) method = FILE_CURRENT;
  if (origin == ZLIB_FILEFUNC_SEEK_END) method = FILE_END;
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(static_cast<KeptArchive*>(stream)->file, distance, nullptr, method) ? 0 : -1;
}

int ZCALLBACK CloseKept(voidpf, voidpf) { return 0; }

int ZCALLBACK ErrorKept(voidpf, voidpf) { return 0; }

unzFile OpenKeptArchive(KeptArchive* kept) {
  zlib_filefunc64_def functions = {};
  functions.zopen64_file = OpenKept;
  functions.zread_file = ReadKept;
  functions.zwrite_file = WriteKept;
  functions.ztell64_file = TellKept;
  functions.zseek64_file = SeekKept;
  functions.zclose_file = CloseKept;
  functions.zerror_file = ErrorKept;
  functions.opaque = kept;
  return unzOpen2_64("", &functions);
}

// UnzipToFolder on an archive that is already open.
bool UnzipOpenArchive(unzFile archive, const char* destination) {
  char previous[MAX_PATH] = {};
  const DWORD previousLength = GetCurrentDirectoryA(MAX_PATH, previous);
  if (!SetCurrentDirectoryA(destination)) {
    NoteFailure(destination, GetLastError());
    unzClose(archive);
    return false;
  }
  const bool result = ExtractAllEntries(archive);
  unzClose(archive);
  if (!result && previousLength > 0 && previousLength < MAX_PATH) SetCurrentDirectoryA(previous);
  return result;
}

}  // namespace

bool MakeDirectoryChain(const char* relativePath) {
  if (relativePath == nullptr || relativePath[0] == '\0') return false;
  char path[kNameBufferSize];
  if (!CopyText(path, sizeof path, relativePath)) return false;
  std::size_t length = std::strlen(path);
  if (path[length - 1] == '/') path[--length] = '\0';
  if (length == 0) return false;
  if (CreateDirectoryA(path, nullptr)) return true;

  for (std::size_t i = 1; i <= length; ++i) {
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

void SetFileDateFromArchive(const char* fileName, unsigned long dosDateTime) {
  HANDLE file = CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FILETIME created, accessed, modified;
  FILETIME local, universal;
  if (GetFileTime(file, &created, &accessed, &modified) &&
      DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime & 0xFFFF),
                            &local) &&
      LocalFileTimeToFileTime(&local, &universal)) {
    SetFileTime(file, &universal, &accessed, &universal);
  }
  CloseHandle(file);
}

bool ExtractAllEntries(unzFile archive) {
  unz_global_info64 global;
  if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) return false;
  if (global.number_entry == 0) return true;

  // One copy buffer serves every entry of the walk.
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBufferSize]);
  if (!buffer) return false;

  bool allWritten = true;
  for (ZPOS64_T entry = 0;; ++entry) {
    unz_file_info64 info;
    char name[kNameBufferSize];
    if (unzGetCurrentFileInfo64(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
      return false;
    }
    // minizip leaves a name that fills the buffer unterminated; such a name
    // cannot be a path on this system anyway.
    const bool nameFits = info.size_filename < sizeof name;
    name[nameFits ? info.size_filename : sizeof name - 1] = '\0';

    if (!nameFits || !IsSafeEntryName(name)) {
      NoteFailure(name, ERROR_INVALID_NAME);
      allWritten = false;  // never written, reported like an entry that cannot be created
    } else if (EntryFileName(name)[0] == '\0') {
      if (!CreateDirectoryEntry(name)) allWritten = false;
    } else {
      if (unzOpenCurrentFilePassword(archive, nullptr) != UNZ_OK) {
        unzCloseCurrentFile(archive);
        return false;
      }
      HANDLE output = CreateOutputFileWithFolders(name);
      if (output == INVALID_HANDLE_VALUE) {
        NoteFailure(name, GetLastError());
        unzCloseCurrentFile(archive);
        allWritten = false;
      } else {
        const CopyResult copied = CopyEntry(archive, output, buffer.get(), info.uncompressed_size);
        const DWORD copyError = GetLastError();
        CloseHandle(output);
        if (copied != CopyResult::kDone) {
          NoteFailure(name, copyError);
          unzCloseCurrentFile(archive);
          return false;
        }
        SetFileDateFromArchive(name, info.dosDate);
        if (unzCloseCurrentFile(archive) != UNZ_OK) {  // the CRC check
          NoteFailure(name, ERROR_CRC);
          return false;
        }
      }
    }

    if (entry + 1 >= global.number_entry) break;
    if (unzGoToNextFile(archive) != UNZ_OK) return false;
  }
  return allWritten;
}

bool UnzipToFolder(const char* archivePath, const char* destination) {
  char alternative[kPathSize] = {};
  std::size_t length = std::strlen(archivePath);
  if (length > kPathSize - 1) length = kPathSize - 1;
  std::memcpy(alternative, archivePath, length);

  zlib_filefunc64_def fileFunctions;
  fill_win32_filefunc64A(&fileFunctions);
  unzFile archive = unzOpen2_64(archivePath, &fileFunctions);
  if (archive == nullptr && AppendText(alternative, sizeof alternative, ".zip")) {
    archive = unzOpen2_64(alternative, &fileFunctions);
  }
  if (archive == nullptr) {
    if (!IsArchiveWithoutEntries(archivePath)) return false;
    return SetCurrentDirectoryA(destination) != FALSE;
  }

  return UnzipOpenArchive(archive, destination);
}

ExtractionFailure LastExtractionFailure() { return firstFailure; }

bool ExtractPayload(int resourceId, const char* resourceType, const char* tempName, const char* destination) {
  firstFailure = ExtractionFailure();
  DWORD size = 0;
  const void* data = LockedResource(resourceId, resourceType, size);
  if (data == nullptr) {
    NoteFailure("", GetLastError());
    return false;
  }

  char tempPath[kTempPathBufferSize] = {};
  const DWORD tempLength = GetTempPathA(kTempPathBufferSize, tempPath);
  if (tempLength == 0 || tempLength >= kTempPathBufferSize) {
    NoteFailure("", tempLength == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  if ((tempPath[tempLength - 1] != '\\' && !AppendText(tempPath, sizeof tempPath, "\\")) ||
      !AppendText(tempPath, sizeof tempPath, tempName)) {
    NoteFailure(tempPath, ERROR_FILENAME_EXCED_RANGE);
    return false;
  }

  // Others may read the file while it exists, nobody may write, rename or
  // delete it; the system deletes it when the handle closes, also when the
  // process ends in the middle of the unpacking.
  HANDLE file = CreateFileA(tempPath, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    NoteFailure(tempPath, GetLastError());
    return false;
  }
  // A short write (a full disk) shows up when the file no longer opens as an
  // archive; its error is the cause to name.
  DWORD written = 0;
  if (!WriteFile(file, data, size, &written, nullptr)) {
    NoteFailure(tempPath, GetLastError());
  } else if (written != size) {
    // Wine reports a write that a full disk cut short as a success with
    // fewer bytes and no error at all.
    NoteFailure(tempPath, ERROR_DISK_FULL);
  }

  bool result = false;
  KeptArchive kept{file};
  LARGE_INTEGER start = {};
  if (SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
    unzFile archive = OpenKeptArchive(&kept);
    if (archive != nullptr) {
      result = UnzipOpenArchive(archive, destination);
    } else if (HoldsNoEntries(file)) {
      result = SetCurrentDirectoryA(destination) != FALSE;
      if (!result) NoteFailure(destination, GetLastError());
    } else {
      NoteFailure(tempPath, ERROR_INVALID_DATA);  // no archive, or a cut one
    }
  }
  CloseHandle(file);
  // Only a file that the system could not delete on close is still there.
  DeleteFileA(tempPath);
  if (result) firstFailure = ExtractionFailure();
  return result;
}

long LongestPayloadEntryName(int resourceId, const char* resourceType) {
  DWORD size = 0;
  const void* data = LockedResource(resourceId, resourceType, size);
  if (data == nullptr) return -1;
  return LongestEntryNameLength(static_cast<const unsigned char*>(data), size);
}
