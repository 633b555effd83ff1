#include "install/payload_extraction.h"

#include <windows.h>

#include <iowin32.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/archive_entry.h"
#include "core/product.h"
#include "platform/file_identity.h"
#include "platform/run_progress.h"

namespace {

constexpr int kNameBufferSize = 520;
constexpr int kTempPathBufferSize = 520;
constexpr int kCopyBufferSize = 64 * 1024;  // per reader; fewer system calls per megabyte
constexpr int kSmallestArchiveLimit = 22 + 0xFFFF + 1;  // an end record and the longest comment
constexpr DWORD kArchiveCopyBufferSize = 256 * 1024;
constexpr DWORD kModulePathSize = 32768;  // the longest path Windows knows

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
// Two readers may fail at the same time.
SRWLOCK firstFailureLock = SRWLOCK_INIT;
// The kept failure's place: the archive index of the entry it belongs to in
// a walk by two readers, -1 for everything else. Two readers may meet a later
// entry's failure first; the one kept is the one a walk by one reader meets
// first.
LONG firstFailureRank = -1;
thread_local LONG entryRank = -1;  // the entry this thread unpacks in a shared walk

void ForgetFailure() {
  AcquireSRWLockExclusive(&firstFailureLock);
  firstFailure = ExtractionFailure();
  firstFailureRank = -1;
  ReleaseSRWLockExclusive(&firstFailureLock);
}

// Keeps the first failure of a run: later ones are mostly its consequences.
// Names of entries are relative to the current folder, the destination.
// shown: the path as the log names it, taken as it is.
void NoteFailureShown(const std::string& shown, DWORD error) {
  AcquireSRWLockExclusive(&firstFailureLock);
  if ((firstFailure.path.empty() && firstFailure.error == 0) || entryRank < firstFailureRank) {
    firstFailureRank = entryRank;
    firstFailure.path = shown;
    firstFailure.error = error != 0 ? error : static_cast<DWORD>(ERROR_GEN_FAILURE);
  }
  ReleaseSRWLockExclusive(&firstFailureLock);
}

void NoteFailure(const char* path, DWORD error) {
  // The payload resource itself is named by the program that carries it.
  char full[MAX_PATH];
  const DWORD length = path[0] != '\0' ? GetFullPathNameA(path, MAX_PATH, full, nullptr)
                                       : GetModuleFileNameA(nullptr, full, MAX_PATH);
  std::string shown = length > 0 && length < MAX_PATH ? std::string(full, length) : std::string(path);
  for (char& c : shown) {
    if (c == '/') c = '\\';
  }
  NoteFailureShown(shown, error);
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

// The folder being unpacked into, as the system names it once resolved
// (ResolvedFolderPath); set before a walk starts and only read during it.
std::wstring unpackRoot;
// Makes folder (the current folder of the walk) the root every written
// file is checked against; false when it is not exactly where its name
// says (a link, or behind one): then nothing is unpacked into it.
bool EnterUnpackRoot(const char* folder) {
  const std::wstring expected = FullLongFolderPath(folder);
  if (expected.empty() || !IsExactlyAt(IdentifyFile(folder), expected)) {
    unpackRoot.clear();
    return false;
  }
  unpackRoot = expected;
  return true;
}

bool ExtractEntriesHere(unzFile archive);

// Numbers the temporary names of replaced files; both readers take from it.
volatile LONG replacementNumber = 0;

// Every payload file is written as a new directory entry: an existing name
// is never opened for writing, since it may be a hard link or a symbolic
// link to a file elsewhere that the elevated setup would then overwrite.
// DELETE: a file that turns out to be in the wrong place is deleted through
// this very handle.
HANDLE CreateNewOutputFile(const char* name, DWORD share) {
  return CreateFileA(name, GENERIC_WRITE | DELETE, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsExistsError(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// Creates the output file, and its folders when they are missing.
HANDLE CreateOutputFileWithFolders(const char* name, DWORD share) {
  HANDLE file = CreateNewOutputFile(name, share);
  if (file != INVALID_HANDLE_VALUE || IsExistsError(GetLastError())) return file;
  const char* fileName = EntryFileName(name);
  if (fileName == name) return INVALID_HANDLE_VALUE;
  char folder[kNameBufferSize];
  const std::size_t folderLength = static_cast<std::size_t>(fileName - name) - 1;  // without the separator
  std::memcpy(folder, name, folderLength);
  folder[folderLength] = '\0';
  MakeDirectoryChain(folder);
  return CreateNewOutputFile(name, share);
}

// An entry's file being written: under its own name when that was free,
// else under a new temporary name beside it that replaces the name once the
// file is complete (a rename replaces a link itself, never its target).
struct OutputFile {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool replacing = false;
  char tempName[kNameBufferSize] = {};
};

// Where name (relative to the folder being unpacked into) must lead.
bool ExpectedPath(const char* name, std::wstring* expected) {
  std::wstring wide;
  if (unpackRoot.empty() || !AnsiToWide(name, &wide)) return false;
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  *expected = unpackRoot + L"\\" + wide;
  return true;
}

// True when the file of output is where name says, inside the folder being
// unpacked into; otherwise a folder on its way leads elsewhere, and the new
// file there is deleted again.
bool IsInPlace(HANDLE output, const char* name) {
  std::wstring expected;
  if (ExpectedPath(name, &expected) && HandleLeadsTo(output, expected)) return true;
  DeleteThroughHandle(output);
  return false;
}

// Opens the new file for the entry name; false with the system's error
// (GetLastError) when neither name nor a temporary name could be created.
bool OpenOutput(const char* name, OutputFile* output) {
  output->handle = CreateOutputFileWithFolders(name, 0);
  if (output->handle != INVALID_HANDLE_VALUE) return true;
  if (!IsExistsError(GetLastError())) return false;
  // The name is taken: a file of an earlier installation (or whatever a
  // user put there). The new file is written beside it, with the sharing
  // that lets the rename happen while it is still open.
  const std::size_t folderLength = static_cast<std::size_t>(EntryFileName(name) - name);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char tail[32];
    wsprintfA(tail, "~px%lx_%lx.tmp", GetCurrentProcessId(),
              static_cast<unsigned long>(InterlockedIncrement(&replacementNumber)));
    if (folderLength + std::strlen(tail) >= sizeof output->tempName) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return false;
    }
    std::memcpy(output->tempName, name, folderLength);
    std::memcpy(output->tempName + folderLength, tail, std::strlen(tail) + 1);
    output->handle = CreateNewOutputFile(output->tempName, FILE_SHARE_DELETE);
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
// there, and is checked once more under its final name. False (error in
// GetLastError) when that failed; the new file is then gone again.
bool CompleteOutput(const OutputFile& output, const char* name) {
  if (!output.replacing) return true;
  std::wstring from, to;
  if (!AnsiToWide(output.tempName, &from) || !AnsiToWide(name, &to) ||
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
  if (GetFileInformationByHandle(output.handle, &mine) && ExpectedPath(name, &expected) &&
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
      SetLastError(ERROR_DISK_FULL);  // a write cut short, as in ExtractPayload
      return CopyResult::kWriteError;
    }
    runprogress::Advance(static_cast<unsigned long long>(count));
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

// Where the bytes at data (size of them, inside the program's own image) lie
// in the program file: the section that holds them maps its file bytes at its
// virtual address. -1 when they are not all inside one section's file bytes.
LONGLONG ImageFileOffset(const void* data, DWORD size) {
  const BYTE* base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
  if (base == nullptr || static_cast<const BYTE*>(data) < base) return -1;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return -1;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return -1;
  const ULONGLONG rva = static_cast<ULONGLONG>(static_cast<const BYTE*>(data) - base);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    const ULONGLONG start = section->VirtualAddress;
    if (rva >= start && rva + size <= start + section->SizeOfRawData) {
      return static_cast<LONGLONG>(section->PointerToRawData + (rva - start));
    }
  }
  return -1;
}

// The temporary archive as the log names it: exactly in the ANSI code page
// when it can be; else through the short name of TEMP, which the system
// keeps in ASCII; else "(TEMP)\\" and the name, never a best-fit guess that
// would name another folder.
std::string ShownTempPath(const std::wstring& folder, const char* name) {
  std::string shown;
  if (WideToAnsiExact(folder, &shown)) return shown + name;
  wchar_t shortFolder[kTempPathBufferSize] = {};
  const DWORD length = GetShortPathNameW(folder.c_str(), shortFolder, kTempPathBufferSize);
  if (length > 0 && length < kTempPathBufferSize && WideToAnsiExact(std::wstring(shortFolder, length), &shown)) {
    return shown + name;
  }
  return std::string("(TEMP)\\") + name;
}

enum class ProgramCopy { kDone, kUnreadable, kWriteFailed };

// Copies size bytes at data, part of the program's image, from the program
// file into output through a bounded buffer.
ProgramCopy CopyFromProgramFile(const void* data, DWORD size, HANDLE output, DWORD& writeError) {
  const LONGLONG offset = ImageFileOffset(data, size);
  if (offset < 0) return ProgramCopy::kUnreadable;
  std::unique_ptr<WCHAR[]> path(new (std::nothrow) WCHAR[kModulePathSize]);
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kArchiveCopyBufferSize]);
  if (!path || !buffer) return ProgramCopy::kUnreadable;
  const DWORD length = GetModuleFileNameW(nullptr, path.get(), kModulePathSize);
  if (length == 0 || length >= kModulePathSize) return ProgramCopy::kUnreadable;
  HANDLE program = CreateFileW(path.get(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (program == INVALID_HANDLE_VALUE) return ProgramCopy::kUnreadable;
  LARGE_INTEGER position;
  position.QuadPart = offset;
  ProgramCopy result = SetFilePointerEx(program, position, nullptr, FILE_BEGIN) ? ProgramCopy::kDone
                                                                                 : ProgramCopy::kUnreadable;
  for (DWORD left = size; result == ProgramCopy::kDone && left > 0;) {
    const DWORD piece = left < kArchiveCopyBufferSize ? left : kArchiveCopyBufferSize;
    DWORD read = 0, written = 0;
    if (!ReadFile(program, buffer.get(), piece, &read, nullptr) || read != piece) {
      result = ProgramCopy::kUnreadable;
    } else if (!WriteFile(output, buffer.get(), piece, &written, nullptr)) {
      writeError = GetLastError();
      result = ProgramCopy::kWriteFailed;
    } else if (written != piece) {
      // Wine reports a write that a full disk cut short as a success with
      // fewer bytes and no error at all.
      writeError = ERROR_DISK_FULL;
      result = ProgramCopy::kWriteFailed;
    }
    left -= piece;
  }
  CloseHandle(program);
  return result;
}

// Writes the archive resource into the temporary file. Read from the program
// file in pieces: written straight from the mapped image, every page of the
// archive would become resident, and the process's memory would grow with the
// payload (23 MB more for a 23 MB archive). Where the program file cannot be
// read, the mapped bytes are written after all. A short write (a full disk)
// shows up when the file no longer opens as an archive; its error is the
// cause to name.
void WriteArchiveCopy(const void* data, DWORD size, HANDLE file, const std::string& tempPath) {
  DWORD writeError = 0;
  const ProgramCopy copied = CopyFromProgramFile(data, size, file, writeError);
  if (copied == ProgramCopy::kWriteFailed) NoteFailureShown(tempPath, writeError);
  if (copied != ProgramCopy::kUnreadable) return;
  LARGE_INTEGER start = {};
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) {
    NoteFailureShown(tempPath, GetLastError());
    return;
  }
  DWORD written = 0;
  if (!WriteFile(file, data, size, &written, nullptr)) {
    NoteFailureShown(tempPath, GetLastError());
  } else if (written != size) {
    NoteFailureShown(tempPath, ERROR_DISK_FULL);
  }
}

// The temporary archive is read through the handle that wrote it: between
// writing and the end of the unpacking no other process can swap or change
// the file, since nobody else gets it for writing or deleting, and there is
// no moment in which the file is closed. minizip's "open" hands out the kept
// handle; its "close" leaves it to the owner. Each reader keeps its own
// position and reads at it, so two readers can share the handle.
//
// minizip reads the headers a byte or two at a time; under Wine every read
// at a position is a system call of its own (a few thousand for a payload of
// 38 entries, most of the unpacking time of a small payload). Each reader
// therefore reads through a window of its own: requests up to the window's
// size are served from it and refill it at their position.
constexpr DWORD kReadWindowSize = 64 * 1024;

struct KeptArchive {
  KeptArchive(HANDLE archiveFile, ULONGLONG start)
      : file(archiveFile), position(start), window(new (std::nothrow) BYTE[kReadWindowSize]) {}
  HANDLE file;
  ULONGLONG position;
  std::unique_ptr<BYTE[]> window;  // null: every request is read directly
  ULONGLONG windowStart = 0;
  DWORD windowLength = 0;
};

voidpf ZCALLBACK OpenKept(voidpf opaque, const void*, int) {
  return static_cast<KeptArchive*>(opaque);
}

DWORD ReadAt(HANDLE file, ULONGLONG position, void* buffer, DWORD size) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(position);
  at.OffsetHigh = static_cast<DWORD>(position >> 32);
  DWORD got = 0;
  if (!ReadFile(file, buffer, size, &got, &at)) return 0;
  return got;
}

uLong ZCALLBACK ReadKept(voidpf, voidpf stream, void* buffer, uLong size) {
  KeptArchive* kept = static_cast<KeptArchive*>(stream);
  if (!kept->window || size > kReadWindowSize) {
    const DWORD got = ReadAt(kept->file, kept->position, buffer, static_cast<DWORD>(size));
    kept->position += got;
    return got;
  }
  const bool inside = kept->position >= kept->windowStart &&
                      kept->position + size <= kept->windowStart + kept->windowLength;
  if (!inside) {
    kept->windowStart = kept->position;
    kept->windowLength = ReadAt(kept->file, kept->position, kept->window.get(), kReadWindowSize);
  }
  const ULONGLONG offset = kept->position - kept->windowStart;
  const ULONGLONG available = kept->windowLength > offset ? kept->windowLength - offset : 0;
  const DWORD got = static_cast<DWORD>(available < size ? available : size);
  std::memcpy(buffer, kept->window.get() + offset, got);
  kept->position += got;
  return got;
}

uLong ZCALLBACK WriteKept(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellKept(voidpf, voidpf stream) { return static_cast<KeptArchive*>(stream)->position; }

long ZCALLBACK SeekKept(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  KeptArchive* kept = static_cast<KeptArchive*>(stream);
  ULONGLONG base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = kept->position;
  if (origin == ZLIB_FILEFUNC_SEEK_END) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(kept->file, &size)) return -1;
    base = static_cast<ULONGLONG>(size.QuadPart);
  }
  kept->position = base + offset;
  return 0;
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

enum class EntryOutcome { kWritten, kLeftOut, kStop };

// Sets creation and last-write time of a file just written through output;
// the last-access time stays.
void SetDateFromArchive(HANDLE output, unsigned long dosDateTime) {
  FILETIME local, universal;
  if (DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime & 0xFFFF),
                            &local) &&
      LocalFileTimeToFileTime(&local, &universal)) {
    SetFileTime(output, &universal, nullptr, &universal);
  }
}

// Unpacks the archive's current entry into the current folder. kLeftOut: the
// entry could not be created (or its name would leave the folder), the walk
// goes on; kStop: its information, data or CRC could not be read, or writing
// failed, and the walk ends.
EntryOutcome ExtractCurrentEntry(unzFile archive, char* buffer) {
  unz_file_info64 info;
  char name[kNameBufferSize];
  if (unzGetCurrentFileInfo64(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return EntryOutcome::kStop;
  }
  // minizip leaves a name that fills the buffer unterminated; such a name
  // cannot be a path on this system anyway.
  const bool nameFits = info.size_filename < sizeof name;
  name[nameFits ? info.size_filename : sizeof name - 1] = '\0';

  if (!nameFits || !IsSafeEntryName(name)) {
    NoteFailure(name, ERROR_INVALID_NAME);
    return EntryOutcome::kLeftOut;  // never written, reported like an entry that cannot be created
  }
  if (EntryFileName(name)[0] == '\0') {
    return CreateDirectoryEntry(name) ? EntryOutcome::kWritten : EntryOutcome::kLeftOut;
  }
  if (unzOpenCurrentFilePassword(archive, nullptr) != UNZ_OK) {
    unzCloseCurrentFile(archive);
    return EntryOutcome::kStop;
  }
  OutputFile output;
  if (!OpenOutput(name, &output)) {
    NoteFailure(name, GetLastError());
    unzCloseCurrentFile(archive);
    return EntryOutcome::kLeftOut;
  }
  // Checked before a byte is written: a file that a folder link took
  // elsewhere is deleted again, and the walk ends, since every later entry
  // in that folder would go the same way.
  if (!IsInPlace(output.handle, output.replacing ? output.tempName : name)) {
    CloseHandle(output.handle);
    NoteFailure(name, ERROR_CANT_RESOLVE_FILENAME);
    unzCloseCurrentFile(archive);
    return EntryOutcome::kStop;
  }
  const CopyResult copied = CopyEntry(archive, output.handle, buffer, info.uncompressed_size);
  const DWORD copyError = GetLastError();
  // Through the handle that wrote the file: opening it once more for the
  // date cost a round of system calls per file.
  if (copied == CopyResult::kDone) SetDateFromArchive(output.handle, info.dosDate);
  if (copied != CopyResult::kDone) {
    if (output.replacing) DeleteThroughHandle(output.handle);  // the name keeps what it held
    CloseHandle(output.handle);
    NoteFailure(name, copyError);
    unzCloseCurrentFile(archive);
    return EntryOutcome::kStop;
  }
  if (unzCloseCurrentFile(archive) != UNZ_OK) {  // the CRC check
    if (output.replacing) DeleteThroughHandle(output.handle);
    CloseHandle(output.handle);
    NoteFailure(name, ERROR_CRC);
    return EntryOutcome::kStop;
  }
  // A name that cannot be replaced (a file held by another program) is
  // left out like a name that cannot be created: the walk goes on.
  const bool named = CompleteOutput(output, name);
  const DWORD nameError = GetLastError();
  CloseHandle(output.handle);
  if (!named) {
    NoteFailure(name, nameError);
    return EntryOutcome::kLeftOut;
  }
  return EntryOutcome::kWritten;
}

// A large payload is unpacked by two readers of the kept archive, each with
// its own minizip handle and position, on two threads: the entries are
// independent, and inflating is what the time goes into. The readers take the
// entries largest first, so that the longest one does not start last and
// leave one thread alone with it. A walk-ending failure lets the readers
// finish every entry before it in archive order and skip those after it, so
// the folder holds what a walk by one reader leaves, and at most the entries
// the other reader was already working on come in addition.
constexpr DWORD kTwoReadersFrom = 1u << 20;    // archive bytes; below, one reader
constexpr ZPOS64_T kMostSharedEntries = 4096;  // bounds the list of entry positions

struct SharedEntry {
  unz64_file_pos position;
  ZPOS64_T packedSize;
  LONG index;  // in archive order
};

struct SharedWalk {
  HANDLE file;
  const SharedEntry* entries;  // in the order the readers take them
  LONG count;
  volatile LONG next;
  volatile LONG stopAt;  // the archive index of the first entry that ended the walk; count when none did
  volatile LONG leftOut;
};

void NoteStop(SharedWalk& walk, LONG index) {
  LONG seen = walk.stopAt;
  while (index < seen) {
    const LONG before = InterlockedCompareExchange(&walk.stopAt, index, seen);
    if (before == seen) return;
    seen = before;
  }
}

void TakeEntries(unzFile archive, SharedWalk& walk, char* buffer) {
  for (;;) {
    const LONG taken = InterlockedIncrement(&walk.next) - 1;
    if (taken >= walk.count) return;
    const SharedEntry& entry = walk.entries[taken];
    if (entry.index > walk.stopAt) continue;  // after the entry that ended the walk
    unz64_file_pos position = entry.position;
    entryRank = entry.index;
    const EntryOutcome outcome = unzGoToFilePos64(archive, &position) == UNZ_OK
                                     ? ExtractCurrentEntry(archive, buffer)
                                     : EntryOutcome::kStop;
    entryRank = -1;
    if (outcome == EntryOutcome::kStop) NoteStop(walk, entry.index);
    if (outcome == EntryOutcome::kLeftOut) InterlockedExchange(&walk.leftOut, 1);
  }
}

DWORD WINAPI SecondReader(void* parameter) {
  SharedWalk& walk = *static_cast<SharedWalk*>(parameter);
  KeptArchive kept(walk.file, 0);
  unzFile archive = OpenKeptArchive(&kept);
  if (archive == nullptr) return 1;  // the first reader then takes every entry
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBufferSize]);
  if (buffer) TakeEntries(archive, walk, buffer.get());
  unzClose(archive);
  return 0;
}

bool WorthTwoReaders(DWORD archiveSize) {
  if (archiveSize < kTwoReadersFrom) return false;
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  return system.dwNumberOfProcessors > 1;
}

// ExtractAllEntries for the kept archive, on two threads; same result.
bool ExtractAllEntriesShared(unzFile archive, HANDLE file) {
  unz_global_info64 global;
  if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) return false;
  if (global.number_entry < 2 || global.number_entry > kMostSharedEntries) return ExtractEntriesHere(archive);
  std::unique_ptr<SharedEntry[]> entries(new (std::nothrow) SharedEntry[global.number_entry]);
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBufferSize]);
  if (!entries || !buffer) return ExtractEntriesHere(archive);

  // An entry that cannot be reached ends the walk after the ones before it.
  LONG listed = 0;
  bool reachedAll = true;
  for (;;) {
    SharedEntry& entry = entries[listed];
    unz_file_info64 info;
    if (unzGetFilePos64(archive, &entry.position) != UNZ_OK ||
        unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
      reachedAll = false;
      break;
    }
    entry.packedSize = info.compressed_size;
    entry.index = listed;
    if (static_cast<ZPOS64_T>(++listed) >= global.number_entry) break;
    if (unzGoToNextFile(archive) != UNZ_OK) {
      reachedAll = false;
      break;
    }
  }
  std::sort(entries.get(), entries.get() + listed, [](const SharedEntry& a, const SharedEntry& b) {
    return a.packedSize != b.packedSize ? a.packedSize > b.packedSize : a.index < b.index;
  });

  SharedWalk walk{file, entries.get(), listed, 0, listed, 0};
  HANDLE second = CreateThread(nullptr, 0, SecondReader, &walk, 0, nullptr);
  TakeEntries(archive, walk, buffer.get());
  if (second != nullptr) {
    WaitForSingleObject(second, INFINITE);
    CloseHandle(second);
  }
  return reachedAll && walk.stopAt == listed && walk.leftOut == 0;
}

// UnzipToFolder on an archive that is already open; shared: the kept
// archive's handle, when two readers are worth it.
bool UnzipOpenArchive(unzFile archive, const char* destination, HANDLE shared = nullptr) {
  char previous[MAX_PATH] = {};
  const DWORD previousLength = GetCurrentDirectoryA(MAX_PATH, previous);
  if (!SetCurrentDirectoryA(destination)) {
    NoteFailure(destination, GetLastError());
    unzClose(archive);
    return false;
  }
  // Every file written must lead to the folder as it is named: one that is
  // a link or lies behind one is not unpacked into at all.
  if (!EnterUnpackRoot(destination)) {
    NoteFailure(destination, ERROR_CANT_RESOLVE_FILENAME);
    unzClose(archive);
    if (previousLength > 0 && previousLength < MAX_PATH) SetCurrentDirectoryA(previous);
    return false;
  }
  const bool result = shared != nullptr ? ExtractAllEntriesShared(archive, shared) : ExtractEntriesHere(archive);
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
  char current[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, current);
  if (length == 0 || length >= MAX_PATH || !EnterUnpackRoot(current)) return false;
  return ExtractEntriesHere(archive);
}

namespace {

bool ExtractEntriesHere(unzFile archive) {
  unz_global_info64 global;
  if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) return false;
  if (global.number_entry == 0) return true;

  // One copy buffer serves every entry of the walk.
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBufferSize]);
  if (!buffer) return false;

  bool allWritten = true;
  for (ZPOS64_T entry = 0;; ++entry) {
    const EntryOutcome outcome = ExtractCurrentEntry(archive, buffer.get());
    if (outcome == EntryOutcome::kStop) return false;
    if (outcome == EntryOutcome::kLeftOut) allWritten = false;

    if (entry + 1 >= global.number_entry) break;
    if (unzGoToNextFile(archive) != UNZ_OK) return false;
  }
  return allWritten;
}

}  // namespace

bool UnzipToFolder(const char* archivePath, const char* destination) {
  ForgetFailure();
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

bool UnzipToFolderOnTwoThreads(const char* archivePath, const char* destination) {
  ForgetFailure();
  HANDLE file = CreateFileA(archivePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool result = false;
  KeptArchive kept(file, 0);
  unzFile archive = OpenKeptArchive(&kept);
  if (archive != nullptr) {
    result = UnzipOpenArchive(archive, destination, file);
  } else if (HoldsNoEntries(file)) {
    result = SetCurrentDirectoryA(destination) != FALSE;
  }
  CloseHandle(file);
  return result;
}

ExtractionFailure LastExtractionFailure() {
  AcquireSRWLockShared(&firstFailureLock);
  const ExtractionFailure failure = firstFailure;
  ReleaseSRWLockShared(&firstFailureLock);
  return failure;
}

bool ExtractPayload(int resourceId, const char* resourceType, const char* tempName, const char* destination) {
  ForgetFailure();
  DWORD size = 0;
  const void* data = LockedResource(resourceId, resourceType, size);
  if (data == nullptr) {
    NoteFailure("", GetLastError());
    return false;
  }

  // TEMP as the system gives it, in UTF-16: a user's folder may hold a
  // character that the ANSI code page lacks, and the ANSI path would be a
  // best-fit guess naming another folder.
  std::unique_ptr<wchar_t[]> tempFolder(new (std::nothrow) wchar_t[kTempPathBufferSize]);
  if (!tempFolder) {
    NoteFailure("", ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  const DWORD tempLength = GetTempPathW(kTempPathBufferSize, tempFolder.get());
  if (tempLength == 0 || tempLength >= kTempPathBufferSize) {
    NoteFailure("", tempLength == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  std::wstring folderPath(tempFolder.get(), tempLength);
  if (folderPath.back() != L'\\') folderPath += L'\\';
  std::wstring wideName;
  AnsiToWide(tempName, &wideName);
  const std::wstring tempPathW = folderPath + wideName;
  const std::string tempPath = ShownTempPath(folderPath, tempName);
  if (tempPathW.size() >= kTempPathBufferSize) {
    NoteFailureShown(tempPath, ERROR_FILENAME_EXCED_RANGE);
    return false;
  }

  // Others may read the file while it exists, nobody may write, rename or
  // delete it; the system deletes it when the handle closes, also when the
  // process ends in the middle of the unpacking.
  HANDLE file = CreateFileW(tempPathW.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    NoteFailureShown(tempPath, GetLastError());
    return false;
  }
  WriteArchiveCopy(data, size, file, tempPath);

  bool result = false;
  KeptArchive kept(file, 0);
  unzFile archive = OpenKeptArchive(&kept);
  if (archive != nullptr) {
    result = UnzipOpenArchive(archive, destination, WorthTwoReaders(size) ? file : nullptr);
  } else if (HoldsNoEntries(file)) {
    result = SetCurrentDirectoryA(destination) != FALSE;
    if (!result) NoteFailure(destination, GetLastError());
  } else {
    NoteFailureShown(tempPath, ERROR_INVALID_DATA);  // no archive, or a cut one
  }
  CloseHandle(file);
  // Only a file that the system could not delete on close is still there.
  DeleteFileW(tempPathW.c_str());
  if (result) ForgetFailure();
  return result;
}

long LongestPayloadEntryName(int resourceId, const char* resourceType) {
  DWORD size = 0;
  const void* data = LockedResource(resourceId, resourceType, size);
  if (data == nullptr) return -1;
  return LongestEntryNameLength(static_cast<const unsigned char*>(data), size);
}
