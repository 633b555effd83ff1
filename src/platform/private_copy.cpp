#include "platform/private_copy.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

namespace {

constexpr DWORD kMostBytes = 64u * 1024u * 1024u;  // far above any program of ours

bool ReadAll(HANDLE file, std::vector<char>* bytes) {
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > kMostBytes) return false;
  bytes->assign(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (bytes->empty()) return true;
  return ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) && got == bytes->size();
}

}  // namespace

std::wstring SystemTempFolder() {
  wchar_t windows[MAX_PATH + 1] = {};
  const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  std::wstring folder(windows, length);
  if (folder.back() != L'\\') folder += L'\\';
  return folder + L"Temp\\";
}

bool CreatePrivateFolder(const std::wstring& folder) {
  // Protected (no inherited entries): full access for the built-in
  // Administrators and SYSTEM, to the folder and everything made in it.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return false;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  bool made = CreateDirectoryW(folder.c_str(), &attributes) != FALSE;
  // Set once more on the folder now made: a system that did not take the
  // descriptor at creation (Wine) has it then; one that cannot set it at all
  // gets no copy there.
  if (made && !SetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                descriptor)) {
    RemoveDirectoryW(folder.c_str());
    made = false;
  }
  LocalFree(descriptor);
  return made;
}

HeldCopy::~HeldCopy() {
  if (handle_ == nullptr) return;
  // Never started: the copy goes with the handle.
  CloseHandle(handle_);
  DeleteFileW(path_.c_str());
}

bool HeldCopy::Make(const std::wstring& from, const std::wstring& to) {
  HANDLE source = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (source == INVALID_HANDLE_VALUE) return false;
  std::vector<char> original;
  const bool read = ReadAll(source, &original);
  CloseHandle(source);
  if (!read) return false;
  // Written through a handle nobody else may share; a name that exists
  // (made by anybody) is refused.
  HANDLE writer = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (writer == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool complete = original.empty() || (WriteFile(writer, original.data(), static_cast<DWORD>(original.size()),
                                                       &written, nullptr) &&
                                             written == original.size());
  CloseHandle(writer);
  path_ = to;
  // The loader opens the program for reading and refuses it while anybody
  // holds it for writing: from here it is held for reading, sharing
  // reading alone, and checked through that very handle.
  HANDLE held = CreateFileW(to.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    DeleteFileW(to.c_str());
    return false;
  }
  handle_ = held;
  std::vector<char> copied;
  if (!complete || !ReadAll(held, &copied) || copied != original) {
    Release();
    DeleteFileW(to.c_str());
    return false;
  }
  return true;
}

void HeldCopy::Release() {
  if (handle_ != nullptr) CloseHandle(handle_);
  handle_ = nullptr;
}
