#include "platform/file_identity.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kNoFollow = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring WithoutLongPrefix(std::wstring path) {
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\" + path.substr(7);
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
  return path;
}

std::wstring FinalPathOf(HANDLE handle) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
  }
  if (length == 0 || length >= buffer.size()) return std::wstring();
  return WithoutLongPrefix(std::wstring(buffer.data(), length));
}

FileIdentity Describe(HANDLE handle) {
  FileIdentity identity;
  identity.exists = true;
  BY_HANDLE_FILE_INFORMATION info = {};
  if (GetFileInformationByHandle(handle, &info)) {
    identity.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    identity.reparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    identity.links = info.nNumberOfLinks;
    identity.size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    identity.volume = info.dwVolumeSerialNumber;
    identity.fileIndex = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.writeTime =
        (static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
  } else {
    identity.error = GetLastError();
  }
  identity.finalPath = FinalPathOf(handle);
  return identity;
}

HANDLE OpenNoFollow(const std::wstring& path, DWORD access) {
  return CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, kNoFollow, nullptr);
}

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

std::wstring WithoutTrailingBackslash(std::wstring path) {
  while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

bool AnsiToWide(const std::string& text, std::wstring* wide) {
  wide->clear();
  if (text.empty()) return true;
  const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
  if (length <= 0) return false;
  wide->resize(static_cast<std::size_t>(length));
  return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &(*wide)[0],
                             length) == length;
}

bool WideToAnsiExact(const std::wstring& wide, std::string* text) {
  text->clear();
  if (wide.empty()) return true;
  BOOL lossy = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, &lossy);
  if (length <= 0 || lossy) return false;
  text->resize(static_cast<std::size_t>(length));
  return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), &(*text)[0],
                             length, nullptr, &lossy) == length &&
         !lossy;
}

FileIdentity IdentifyFileW(const std::wstring& path) {
  HANDLE handle = OpenNoFollow(path, 0);
  if (handle == INVALID_HANDLE_VALUE) {
    FileIdentity missing;
    const DWORD error = GetLastError();
    if (!IsMissing(error)) {
      missing.exists = true;  // something is there that cannot be looked at
      missing.error = error;
    }
    return missing;
  }
  FileIdentity identity = Describe(handle);
  CloseHandle(handle);
  return identity;
}

FileIdentity IdentifyFile(const std::string& path) {
  std::wstring wide;
  if (!AnsiToWide(path, &wide)) {
    FileIdentity unusable;
    unusable.exists = true;
    unusable.error = ERROR_INVALID_NAME;
    return unusable;
  }
  return IdentifyFileW(wide);
}

std::wstring ResolvedFolderPath(const std::string& folder) {
  const FileIdentity identity = IdentifyFile(folder);
  if (!identity.exists || !identity.directory || identity.finalPath.empty()) return std::wstring();
  return WithoutTrailingBackslash(identity.finalPath);
}

bool IsExactlyAt(const FileIdentity& identity, const std::wstring& expected) {
  if (!identity.exists || identity.error != 0 || identity.reparsePoint || identity.finalPath.empty()) return false;
  if (!identity.directory && identity.links != 1) return false;
  return SameText(WithoutTrailingBackslash(identity.finalPath), WithoutTrailingBackslash(expected));
}

bool DeleteExactly(const std::string& path, const FileIdentity& expected, const std::wstring& expectedFinal,
                   unsigned long* error) {
  *error = 0;
  std::wstring wide;
  if (!AnsiToWide(path, &wide)) {
    *error = ERROR_INVALID_NAME;
    return false;
  }
  HANDLE handle = OpenNoFollow(wide, DELETE | FILE_READ_ATTRIBUTES);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  const FileIdentity now = Describe(handle);
  bool ok = now.volume == expected.volume && now.fileIndex == expected.fileIndex && IsExactlyAt(now, expectedFinal);
  if (!ok) {
    *error = ERROR_INVALID_HANDLE;  // no longer the file that was checked
  } else {
    ok = DeleteThroughHandle(handle);
    if (!ok) *error = GetLastError();
  }
  CloseHandle(handle);
  return ok;
}

bool HandleLeadsTo(void* handle, const std::wstring& expected) {
  const std::wstring final = FinalPathOf(static_cast<HANDLE>(handle));
  return !final.empty() && SameText(final, WithoutTrailingBackslash(expected));
}

bool DeleteThroughHandle(void* handle) {
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(static_cast<HANDLE>(handle), FileDispositionInfo, &disposition,
                                    sizeof disposition) != FALSE;
}

bool RenameThroughHandle(void* handle, const std::wstring& to, bool replace) {
  // The rename's record: the header, then the name without terminator.
  std::vector<unsigned char> rename(sizeof(FILE_RENAME_INFO) + to.size() * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(rename.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(to.size() * sizeof(wchar_t));
  std::memcpy(info->FileName, to.data(), info->FileNameLength);
  return SetFileInformationByHandle(static_cast<HANDLE>(handle), FileRenameInfo, info,
                                    static_cast<DWORD>(rename.size())) != FALSE;
}

std::string ReplacementSuffix(int attempt) {
  return (attempt == 0 ? std::string() : "." + std::to_string(attempt)) + ".pxnew";
}

bool ReplaceFileWith(const std::wstring& path, const std::wstring& expectedFinal, const void* bytes, std::size_t size,
                     unsigned long* error) {
  *error = 0;
  HANDLE file = INVALID_HANDLE_VALUE;
  std::wstring suffix;
  for (int attempt = 0; attempt < kReplacementNames && file == INVALID_HANDLE_VALUE; ++attempt) {
    const std::string ansi = ReplacementSuffix(attempt);
    suffix.assign(ansi.begin(), ansi.end());
    const std::wstring fresh = path + suffix;
    file = CreateFileW(fresh.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  bool ok = expectedFinal.empty() || HandleLeadsTo(file, expectedFinal + suffix);
  if (!ok) SetLastError(ERROR_CANT_RESOLVE_FILENAME);
  const char* next = static_cast<const char*>(bytes);
  std::size_t left = size;
  while (ok && left > 0) {
    const DWORD piece = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
    DWORD written = 0;
    ok = WriteFile(file, next, piece, &written, nullptr) != FALSE && written == piece;
    next += piece;
    left -= piece;
  }
  if (ok) ok = RenameThroughHandle(file, path, true);
  if (!ok) {
    *error = GetLastError();
    DeleteThroughHandle(file);
  }
  CloseHandle(file);
  return ok;
}

std::wstring FullLongFolderPath(const std::string& folder) {
  std::wstring wide;
  if (!AnsiToWide(folder, &wide) || wide.empty()) return std::wstring();
  std::vector<wchar_t> full(MAX_PATH + 1);
  DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length + 1);
    length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return std::wstring();
  std::vector<wchar_t> longer(full.size() + MAX_PATH);
  DWORD longLength = GetLongPathNameW(full.data(), longer.data(), static_cast<DWORD>(longer.size()));
  if (longLength >= longer.size()) {
    longer.resize(longLength + 1);
    longLength = GetLongPathNameW(full.data(), longer.data(), static_cast<DWORD>(longer.size()));
  }
  // A name that cannot be made long (it is missing) stays as given.
  const std::wstring path = longLength > 0 && longLength < longer.size() ? std::wstring(longer.data(), longLength)
                                                                          : std::wstring(full.data(), length);
  return WithoutTrailingBackslash(path);
}

bool ReadFileAt(const std::wstring& path, const std::wstring& expectedFinal, std::size_t mostBytes,
                FileIdentity* identity, std::string* bytes) {
  bytes->clear();
  HANDLE handle = OpenNoFollow(path, GENERIC_READ);
  if (handle == INVALID_HANDLE_VALUE) {
    *identity = FileIdentity();
    const DWORD error = GetLastError();
    if (!IsMissing(error)) {
      identity->exists = true;  // something is there that cannot be read
      identity->error = error;
    }
    return false;
  }
  *identity = Describe(handle);
  bool ok = identity->error == 0 && !identity->directory && identity->size <= mostBytes && !expectedFinal.empty() &&
            IsExactlyAt(*identity, expectedFinal);
  if (ok) bytes->resize(static_cast<std::size_t>(identity->size));
  std::size_t done = 0;
  while (ok && done < bytes->size()) {
    DWORD got = 0;
    const std::size_t left = bytes->size() - done;
    const DWORD wanted = left < 0x100000 ? static_cast<DWORD>(left) : 0x100000;
    ok = ReadFile(handle, &(*bytes)[done], wanted, &got, nullptr) != FALSE && got > 0;
    done += got;
  }
  CloseHandle(handle);
  if (!ok) bytes->clear();
  return ok;
}

bool ReadExactly(const std::string& path, const FileIdentity& expected, const std::wstring& expectedFinal,
                 const std::function<void(const unsigned char*, std::size_t)>& consume, unsigned long* error) {
  *error = 0;
  std::wstring wide;
  if (!AnsiToWide(path, &wide)) {
    *error = ERROR_INVALID_NAME;
    return false;
  }
  HANDLE handle = OpenNoFollow(wide, GENERIC_READ);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  const FileIdentity now = Describe(handle);
  bool ok = !now.directory && now.volume == expected.volume && now.fileIndex == expected.fileIndex &&
            now.size == expected.size && IsExactlyAt(now, expectedFinal);
  if (!ok) *error = ERROR_INVALID_HANDLE;
  std::vector<unsigned char> buffer(64 * 1024);
  unsigned long long left = now.size;
  while (ok && left > 0) {
    DWORD got = 0;
    const DWORD wanted = left < buffer.size() ? static_cast<DWORD>(left) : static_cast<DWORD>(buffer.size());
    if (!ReadFile(handle, buffer.data(), wanted, &got, nullptr) || got == 0) {
      *error = got == 0 ? ERROR_HANDLE_EOF : GetLastError();
      ok = false;
      break;
    }
    consume(buffer.data(), got);
    left -= got;
  }
  CloseHandle(handle);
  return ok;
}

namespace {

bool StampOf(HANDLE handle, const std::wstring& expectedFinal, leftoverrules::FileStamp* stamp) {
  const FileIdentity identity = Describe(handle);
  FILE_BASIC_INFO basic = {};
  if (identity.directory || !IsExactlyAt(identity, expectedFinal) ||
      !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
    return false;
  }
  stamp->volume = identity.volume;
  stamp->fileIndex = identity.fileIndex;
  stamp->size = identity.size;
  stamp->writeTime = identity.writeTime;
  stamp->changeTime = static_cast<unsigned long long>(basic.ChangeTime.QuadPart);
  return true;
}

}  // namespace

bool TakeFileStamp(const std::wstring& path, const std::wstring& expectedFinal, leftoverrules::FileStamp* stamp) {
  *stamp = leftoverrules::FileStamp();
  HANDLE handle = OpenNoFollow(path, FILE_READ_ATTRIBUTES);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool ok = StampOf(handle, expectedFinal, stamp);
  CloseHandle(handle);
  return ok;
}

bool DeleteIfStamped(const std::wstring& path, const leftoverrules::FileStamp& stamp,
                     const std::wstring& expectedFinal, unsigned long* error) {
  *error = 0;
  HANDLE handle = OpenNoFollow(path, DELETE | FILE_READ_ATTRIBUTES);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return IsMissing(*error);
  }
  leftoverrules::FileStamp now;
  bool ok = StampOf(handle, expectedFinal, &now) && now.volume == stamp.volume && now.fileIndex == stamp.fileIndex &&
            now.size == stamp.size && now.writeTime == stamp.writeTime && now.changeTime == stamp.changeTime;
  if (!ok) {
    *error = ERROR_INVALID_HANDLE;  // another file by now
  } else {
    ok = DeleteThroughHandle(handle);
    if (!ok) *error = GetLastError();
  }
  CloseHandle(handle);
  return ok;
}

bool IsFolderEmptyW(const std::wstring& folder) {
  std::wstring pattern = folder;
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool empty = true;
  do {
    const std::wstring name = found.cFileName;
    empty = name == L"." || name == L"..";
  } while (empty && FindNextFileW(search, &found));
  FindClose(search);
  return empty;
}
