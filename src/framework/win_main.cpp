// Process entry: hardening first, then the one application object.
#include <windows.h>

#include "framework/win_app.h"

namespace {

// An installer is typically started from a Downloads folder, where a planted
// DLL named like a system DLL would otherwise be loaded from beside the
// executable. Restrict the search to System32 before anything else loads.
void RestrictDllSearchPath() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return;
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");  // also drops the current folder from the search
}

// The DLLs the wizard's windows pull in by name after start-up: theming and
// its helpers. Loaded here from the system folder by full path, they are
// found by name later however the system resolves a dependency; this also
// covers systems without SetDefaultDllDirectories (Vista without its update)
// and loaders that resolve a DLL's own imports along the old search path.
// Dependencies first, so a DLL's imports find them loaded already.
void PreloadLateSystemDlls() {
  static const char* const kLateDlls[] = {"msimg32.dll", "dwmapi.dll", "uxtheme.dll"};
  char path[MAX_PATH];
  const UINT folderLength = GetSystemDirectoryA(path, MAX_PATH);
  if (folderLength == 0 || folderLength >= MAX_PATH - 16) return;
  for (const char* name : kLateDlls) {
    path[folderLength] = '\\';
    lstrcpynA(path + folderLength + 1, name, MAX_PATH - static_cast<int>(folderLength) - 1);
    // Never unloaded: the point is that they stay the loaded copies.
    LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RestrictDllSearchPath();
  PreloadLateSystemDlls();
  CWinApp* app = CWinApp::Current();
  if (app == nullptr) return 1;
  return app->Run(instance);
}
