// Holds the setup's run mutex until it is killed: the stand-in for a setup
// or uninstaller at work. It signals the event named on its command line
// once it holds the mutex.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, "Global\\PixorraSetupRun");
  if (mutex == nullptr) return 2;
  const DWORD waited = WaitForSingleObject(mutex, 60000);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return 3;
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, commandLine);
  if (ready == nullptr) return 4;
  SetEvent(ready);
  Sleep(120000);  // ended long before by the test
  return 0;
}
