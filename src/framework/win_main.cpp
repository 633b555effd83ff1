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

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchPath();
  CWinApp* app = CWinApp::Current();
  if (app == nullptr) return 1;
  return app->Run();
}
