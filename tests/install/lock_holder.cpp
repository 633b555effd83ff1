// Holds the setup's run mutex until it is killed: the stand-in for a setup
// or uninstaller at work. It signals the event named on its command line
// once it holds the mutex.
#include <windows.h>
#include <sddl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  // Owned by Administrators and open to them and SYSTEM, as an elevated run makes it.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("O:BAD:(A;;GA;;;BA)(A;;GA;;;SY)", SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return 1;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  HANDLE mutex = CreateMutexA(&attributes, FALSE, "Global\\PixorraSetupRun");
  if (mutex == nullptr) return 2;
  const DWORD waited = WaitForSingleObject(mutex, 60000);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return 3;
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, commandLine);
  if (ready == nullptr) return 4;
  SetEvent(ready);
  Sleep(120000);  // ended long before by the test
  return 0;
}
