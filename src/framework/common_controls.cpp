#include "framework/common_controls.h"

#include <windows.h>
#include <commctrl.h>

namespace {

// The DLLs comctl32 pulls in by name once windows are themed. Loaded here
// from the system folder by full path, they are found by name later however
// the system resolves a dependency; this also covers systems without
// SetDefaultDllDirectories (Vista without its update) and loaders that
// resolve a DLL's own imports along the old search path. Dependencies first,
// so a DLL's imports find them loaded already.
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

void PrepareCommonControls() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  PreloadLateSystemDlls();
  // The pages' list views and the sheet's controls need their window
  // classes registered before the first dialog is made.
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}
