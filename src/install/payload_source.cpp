#include "install/payload_source.h"

#include <memory>

#include "install/entry_writer.h"
#include "platform/file_identity.h"

namespace {

constexpr int kTempPathBufferSize = 520;
constexpr DWORD kArchiveCopyBufferSize = 256 * 1024;
constexpr DWORD kModulePathSize = 32768;  // the longest path Windows knows

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

}  // namespace

StepResult LockProgramResource(int resourceId, const char* resourceType, ResourceBytes* bytes) {
  *bytes = ResourceBytes();
  HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(resourceId), resourceType);
  HGLOBAL loaded = resource != nullptr ? LoadResource(nullptr, resource) : nullptr;
  const void* data = nullptr;
  DWORD size = 0;
  if (loaded != nullptr) {
    size = SizeofResource(nullptr, resource);
    data = LockResource(loaded);
  }
  if (data == nullptr) return FailedAt("", GetLastError());
  bytes->data = data;
  bytes->size = size;
  return StepResult::Done();
}

TemporaryArchive::~TemporaryArchive() {
  if (file_ == INVALID_HANDLE_VALUE) return;
  CloseHandle(file_);
  // Only a file that the system could not delete on close is still there.
  DeleteFileW(path_.c_str());
}

StepResult TemporaryArchive::Create(const char* tempName) {
  // TEMP as the system gives it, in UTF-16: a user's folder may hold a
  // character that the ANSI code page lacks, and the ANSI path would be a
  // best-fit guess naming another folder.
  std::unique_ptr<wchar_t[]> tempFolder(new (std::nothrow) wchar_t[kTempPathBufferSize]);
  if (!tempFolder) return FailedAt("", ERROR_NOT_ENOUGH_MEMORY);
  const DWORD tempLength = GetTempPathW(kTempPathBufferSize, tempFolder.get());
  if (tempLength == 0 || tempLength >= kTempPathBufferSize) {
    return FailedAt("", tempLength == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
  }
  std::wstring folderPath(tempFolder.get(), tempLength);
  if (folderPath.back() != L'\\') folderPath += L'\\';
  std::wstring wideName;
  AnsiToWide(tempName, &wideName);
  const std::wstring path = folderPath + wideName;
  shown_ = ShownTempPath(folderPath, tempName);
  if (path.size() >= kTempPathBufferSize) return FailedShown(shown_, ERROR_FILENAME_EXCED_RANGE);

  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FailedShown(shown_, GetLastError());
  file_ = file;
  path_ = path;
  return StepResult::Done();
}

// Read from the program file in pieces: written straight from the mapped
// image, every page of the archive would become resident, and the process's
// memory would grow with the payload (23 MB more for a 23 MB archive). Where
// the program file cannot be read, the mapped bytes are written after all.
StepResult TemporaryArchive::Write(const ResourceBytes& bytes) {
  DWORD writeError = 0;
  const ProgramCopy copied = CopyFromProgramFile(bytes.data, bytes.size, file_, writeError);
  if (copied == ProgramCopy::kWriteFailed) return FailedShown(shown_, writeError);
  if (copied == ProgramCopy::kDone) return StepResult::Done();
  LARGE_INTEGER start = {};
  if (!SetFilePointerEx(file_, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file_)) {
    return FailedShown(shown_, GetLastError());
  }
  DWORD written = 0;
  if (!WriteFile(file_, bytes.data, bytes.size, &written, nullptr)) return FailedShown(shown_, GetLastError());
  if (written != bytes.size) return FailedShown(shown_, ERROR_DISK_FULL);
  return StepResult::Done();
}
