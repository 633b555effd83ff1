// Process entry: hardening first, then the one application object.
#include <windows.h>

#include "framework/win_app.h"
#include "platform/dll_search.h"
#include "platform/thread_stack.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchPath();
  ReleaseUnusedStack();
  CWinApp* app = CWinApp::Current();
  if (app == nullptr) return 1;
  return app->Run();
}
