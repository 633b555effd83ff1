// pv_uninstall.exe: takes back what the setup installed into the folder it
// lies in. Started without options it asks and reports in message boxes;
// "/silent" shows no window and answers through its exit code and the log.
#include <windows.h>

#include <memory>

#include "core/uninstall_rules.h"
#include "uninstall/uninstall_run.h"
#include "uninstall/uninstall_ui.h"

namespace {

// Runs elevated from the program folder or TEMP: a DLL planted beside it
// must not load (see the setup's WinMain).
void RestrictDllSearchPath() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return;
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
}

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
  RestrictDllSearchPath();
  uninstallrules::UninstallOptions options;
  const bool wellFormed = uninstallrules::ParseUninstallOptions(GetCommandLineA(), &options);
  if (options.cleanup) return wellFormed ? RunCleanup(options) : uninstallrules::kExitFailed;

  const std::string folder = OwnFolder();
  std::unique_ptr<UninstallUi> ui;
  if (options.silent) {
    ui.reset(new SilentUi(UninstallLogPath(folder)));
  } else {
    ui.reset(new MessageBoxUi());
  }
  bool cleanup = false, removeFolder = false;
  const int result = RunUninstall(folder, options.silent, *ui, &cleanup, &removeFolder);
  if (cleanup) StartCleanupCopy(folder, removeFolder);
  return result;
}
