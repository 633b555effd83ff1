// Process entry: hardening first, then the one application object.
#include <windows.h>

#include "framework/win_app.h"
#include "platform/dll_search.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchPath();
  CWinApp* app = CWinApp::Current();
  if (app == nullptr) return 1;
  return app->Run();
}
