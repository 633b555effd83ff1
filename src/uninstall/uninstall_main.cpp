// pv_uninstall.exe: takes back what the setup installed into the folder it
// lies in. Started without options it asks and reports in message boxes;
// "/silent" shows no window and answers through its exit code and the log.
#include <windows.h>

#include <memory>

#include "core/command_arguments.h"
#include "core/uninstall_rules.h"
#include "install/install_log.h"
#include "platform/dll_search.h"
#include "uninstall/uninstall_run.h"
#include "uninstall/uninstall_ui.h"

namespace {

// The folder the program was started from, ending in a backslash; "" when
// its path does not fit.
std::string OwnFolder() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= MAX_PATH) return "";
  std::string folder(path, length);
  const std::size_t cut = folder.find_last_of('\\');
  return cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchPath();  // runs elevated from the program folder or TEMP
  // Switches only among the arguments: the program's own path may hold
  // anything.
  const char* arguments = ProgramArguments(GetCommandLineA());
  uninstallrules::UninstallOptions options;
  const bool wellFormed = uninstallrules::ParseUninstallOptions(arguments, &options);
  if (options.cleanup) return wellFormed ? RunCleanup(options) : uninstallrules::kExitFailed;

  const std::string folder = OwnFolder();
  std::unique_ptr<UninstallUi> ui;
  if (options.silent) {
    // "/log=FILE" as the setup reads it; else Pixorra_Uninstall.log.
    char logFile[kPathSize] = {};
    const bool named = ReadLogOption(arguments, logFile);
    ChooseInstallLog(named ? logFile : UninstallLogPath(folder).c_str());
    ui.reset(new SilentUi(named));
  } else {
    ui.reset(new MessageBoxUi());
  }
  bool cleanup = false, removeFolder = false;
  const int result = RunUninstall(folder, options.silent, *ui, &cleanup, &removeFolder);
  if (cleanup) StartCleanupCopy(folder, removeFolder);
  return result;
}
