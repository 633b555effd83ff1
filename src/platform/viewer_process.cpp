#include "platform/viewer_process.h"

#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "core/product.h"
#include "platform/environment.h"
#include "platform/file_identity.h"

namespace {

constexpr DWORD kImagePathSize = 32768;  // the longest path the system hands out

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.exists && b.exists && !a.directory && !b.directory && a.volume == b.volume && a.fileIndex == b.fileIndex;
}

// The process's image path, "" when it cannot be opened or asked.
std::wstring ImagePathOf(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return std::wstring();
  std::wstring path(kImagePathSize, L'\0');
  DWORD size = kImagePathSize;
  const BOOL asked = QueryFullProcessImageNameW(process, 0, &path[0], &size);
  CloseHandle(process);
  if (!asked || size >= kImagePathSize) return std::wstring();
  path.resize(size);
  return path;
}

}  // namespace

bool IsViewerProcessRunning(const char* programFolder) {
  if (programFolder == nullptr || programFolder[0] == '\0') return false;
  std::wstring expected;
  if (!AnsiToWide(std::string(programFolder) + kViewerProgramFile, &expected)) return false;
  std::wstring viewerName;
  if (!AnsiToWide(kViewerProgramFile, &viewerName)) return false;

  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  bool running = false;
  bool haveIdentity = false;
  FileIdentity expectedFile;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !running; more = Process32NextW(snapshot, &entry)) {
    // Only processes of that file name are asked for their path.
    if (CompareStringOrdinal(entry.szExeFile, -1, viewerName.c_str(), -1, TRUE) != CSTR_EQUAL) continue;
    const std::wstring image = ImagePathOf(entry.th32ProcessID);
    if (image.empty()) continue;
    if (CompareStringOrdinal(image.c_str(), -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL) {
      running = true;
      break;
    }
    // The same file by another name (a short name, another drive letter
    // for the same volume).
    if (!haveIdentity) {
      expectedFile = IdentifyFileW(expected);
      haveIdentity = true;
    }
    running = SameFile(IdentifyFileW(image), expectedFile);
  }
  CloseHandle(snapshot);
  return running;
}

bool IsViewerInUse(const char* programFolder) {
  return IsViewerRunning() || IsViewerProcessRunning(programFolder);
}
