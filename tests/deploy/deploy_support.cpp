#include "deploy/deploy_support.h"

#include "install/install_texts.h"

using namespace pxtest;

namespace deploytest {

const char kUnknownOption[] = "Unbekannte Option, es wurde nichts installiert (Optionen: PixorraSetup64.exe /?)";
const char kNoDesktop[] =
    "Kein sichtbarer Desktop f\xfcr den Installationsassistenten, es wurde nichts installiert (ohne Fenster: /silent)";
const char kUsageStart[] = "Aufruf: PixorraSetup64.exe [Optionen]";
const char kUninstallerUnknownOption[] = "Unbekannte Option, es wurde nichts entfernt (Optionen: pv_uninstall.exe /?)";
const char kUninstallerUsageStart[] = "Aufruf: pv_uninstall.exe [Optionen]";

Texts EntriesOf(const std::string& file) {
  // LogTexts reads "<folder>Pixorra_Install.log": a copy under that name in
  // a folder of its own.
  if (!FileExists(file)) return {};
  const std::string folder = std::string(kArea) + "log_reading\\";
  RemoveFolderTree(folder);
  CreateDirectoryA(kArea, nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  CopyFileA(file.c_str(), (folder + installtest::kLogName).c_str(), FALSE);
  Texts texts = installtest::LogTexts(folder);
  RemoveFolderTree(folder);
  return texts;
}

RunResult RunWithin(const std::string& exe, const std::string& args, const std::string& workDir, DWORD timeoutMs) {
  return RunProgram(exe, args, workDir, timeoutMs);
}

namespace {

// Starts a host program; it runs on its own (the process handle signals at
// once), so callers wait for its effect.
bool StartHost(const wchar_t* program, std::wstring line) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

std::wstring Quoted(const std::string& text) { return L"\"" + std::wstring(text.begin(), text.end()) + L"\""; }

}  // namespace

bool MakeHostLink(const std::string& target, const std::string& link) {
  const std::string unixTarget = WindowsToHostPath(target);
  const std::string unixLink = WindowsToHostPath(link);
  if (unixTarget.empty() || unixLink.empty()) return false;
  return StartHost(L"Z:\\bin\\ln", L"/bin/ln -s " + Quoted(unixTarget) + L" " + Quoted(unixLink)) &&
         WaitFor([&] { return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
}

bool RemoveHostLink(const std::string& link) {
  if (GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  const std::string unixLink = WindowsToHostPath(link);
  if (unixLink.empty()) return false;
  return StartHost(L"Z:\\bin\\rm", L"/bin/rm -f " + Quoted(unixLink)) &&
         WaitFor([&] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; }, 10000);
}

bool InstalledIn(const std::string& folder) { return FileExists(folder + "px_main64.exe"); }

}  // namespace deploytest
