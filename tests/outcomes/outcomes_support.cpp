#include "outcomes/outcomes_support.h"

using namespace pxtest;

namespace outcomes {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  std::wstring wide(text.size(), L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                    static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return wide;
}

RunResult RunWide(const std::wstring& commandLine, const std::string& workDir, const std::string& exe) {
  RunResult result;
  std::wstring buffer = commandLine;
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  const std::wstring program = Wide(exe);
  const std::wstring dir = Wide(workDir);
  if (!CreateProcessW(program.c_str(), &buffer[0], nullptr, nullptr, FALSE, 0, nullptr,
                      dir.empty() ? nullptr : dir.c_str(), &startup, &info)) {
    return result;
  }
  result.started = true;
  if (WaitForSingleObject(info.hProcess, 120000) != WAIT_OBJECT_0) {
    result.timedOut = true;
    TerminateProcess(info.hProcess, 1);
  }
  GetExitCodeProcess(info.hProcess, &result.exitCode);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return result;
}

std::wstring SetupLine(const std::wstring& args) { return L"\"" + Wide(SetupExePath()) + L"\" " + args; }

Everything Snapshot() {
  Everything state{faulttest::SnapshotDisk(), faulttest::SnapshotSetupRegistry()};
  for (const std::string& name : ListFolder("C:\\", false)) state.disk["C:\\" + name] = "top";
  return state;
}

}  // namespace outcomes
