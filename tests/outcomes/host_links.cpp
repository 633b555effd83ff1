#include "outcomes/host_links.h"

#include <windows.h>

#include "outcomes/outcomes_support.h"
#include "support/px_test_support.h"

namespace outcomes {

namespace {


std::string WithoutTrailingBackslash(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

std::string HostPath(const std::string& windowsPath) { return pxtest::WindowsToHostPath(windowsPath); }

bool RunHostScript(const std::string& script, unsigned long timeoutMs) {
  // A host program started from Wine is not waited for through its process
  // handle (it signals at once): the script leaves a marker when done.
  const std::string marker = "C:\\pxtest\\host_script_done";
  DeleteFileA(marker.c_str());
  const std::string hostMarker = HostPath(marker);
  if (hostMarker.empty()) return false;
  std::wstring line = Wide("/bin/sh -c \"" + script + "; touch " + Quoted(hostMarker) + "\"");
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(L"Z:\\bin\\sh", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const bool done = pxtest::WaitFor([&marker] { return pxtest::FileExists(marker); }, timeoutMs);
  DeleteFileA(marker.c_str());
  return done;
}

bool MakeHostLink(const std::string& target, const std::string& link) {
  const std::string hostTarget = HostPath(target), hostLink = HostPath(link);
  if (hostTarget.empty() || hostLink.empty()) return false;
  return RunHostScript("ln -s " + Quoted(hostTarget) + " " + Quoted(hostLink)) &&
         GetFileAttributesA(WithoutTrailingBackslash(link).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveHostLinksBelow(const std::string& folder) {
  const std::string host = HostPath(folder);
  if (host.empty()) return;
  RunHostScript("find " + Quoted(host) + " -type l -delete 2>/dev/null || true");
}

void WriteFileWithFolders(const std::string& path, const std::string& bytes) {
  for (std::size_t cut = path.find('\\', 3); cut != std::string::npos; cut = path.find('\\', cut + 1)) {
    CreateDirectoryA(path.substr(0, cut).c_str(), nullptr);
  }
  pxtest::WriteFileBytes(path, bytes);
}

}  // namespace outcomes
