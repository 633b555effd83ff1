// pv_uninstall.exe: takes back what the setup installed into the folder it
// lies in. Started without options it asks and reports in message boxes;
// "/silent" shows no window and answers through its exit code and the log.
#include <windows.h>

#include <memory>

#include "core/command_arguments.h"
#include "core/uninstall_rules.h"
#include "core/usage_layout.h"
#include "install/install_log.h"
#include "core/leftover_rules.h"
#include "platform/dll_search.h"
#include "platform/file_identity.h"
#include "platform/resource_text.h"
#include "uninstall/uninstall_resource.h"
#include "uninstall/uninstall_run.h"
#include "uninstall/uninstall_ui.h"

namespace {

// The folder the program was started from, ending in a backslash; "" when
// its path does not fit.
// A folder the code page cannot spell exactly is given as "": nothing is
// removed through a name that is only a best guess.
std::string OwnFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  std::string folder;
  if (length == 0 || length >= MAX_PATH || !WideToAnsiExact(std::wstring(path, length), &folder)) return "";
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
  if (options.cleanup) {
    leftoverrules::FileStamp stamp;
    const bool stamped = leftoverrules::ParseFileStamp(arguments, &stamp);
    return wellFormed ? RunCleanup(options, stamped ? &stamp : nullptr) : uninstallrules::kExitFailed;
  }

  const std::string folder = OwnFolder();
  std::unique_ptr<Reporter> ui;
  bool named = false;
  if (options.silent) {
    // "/log=FILE" as the setup reads it; else Pixorra_Uninstall.log.
    const LogOption log = ChooseLogOption(arguments);
    if (log == LogOption::kUnusable) return kExitLogNotWritable;
    named = log == LogOption::kNamed;
    if (!named) ChooseInstallLog(UninstallLogPath(folder).c_str());
    // As in the setup: the named log's folders are made, and a log that
    // cannot be written ends the run before anything is removed.
    if (named && !PrepareInstallLog()) return kExitLogNotWritable;
    ui.reset(new SilentUi(named));
  } else {
    ui.reset(new MessageBoxUi());
  }
  // Help and a mistyped option remove nothing: a deployment script that
  // asks for the usage, or misspells a switch, must not uninstall.
  if (options.help || !options.unknownOption.empty()) {
    const std::string caption = LoadResourceString(IDS_UN_CAPTION);
    const std::string text = options.help ? LoadResourceString(IDS_UN_HELP)
                                          : LoadResourceString(IDS_UN_UNKNOWN_OPTION) + ": " + options.unknownOption;
    if (!options.silent) {
      const std::string shown = options.help ? UsageForBox(text) : text;
      MessageBoxA(nullptr, shown.c_str(), caption.c_str(),
                  (options.help ? MB_ICONINFORMATION : MB_ICONERROR) | MB_OK | MB_SETFOREGROUND);
    } else {
      WriteInstallLog(text.c_str());
    }
    return options.help ? 0 : kExitInvalidCommandLine;  // the usage asked for is a success
  }
  return RunUninstall(folder, options.silent, *ui);
}
