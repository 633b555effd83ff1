// A DLL that an attacker would drop beside a downloaded setup under the name
// of a system DLL. It does nothing but leave a marker "<its own path>.loaded"
// when a process loads it, so a test can tell whether it ever ran.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char marker[MAX_PATH + 16];
  const DWORD length = GetModuleFileNameA(instance, marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcatA(marker, ".loaded");
  HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    char process[MAX_PATH];
    const DWORD written = GetModuleFileNameA(nullptr, process, MAX_PATH);
    DWORD ignored = 0;
    WriteFile(file, process, written, &ignored, nullptr);
    CloseHandle(file);
  }
  // Refusing the load keeps the real system DLL's callers from finding a
  // stranger without its exports.
  return TRUE;
}
