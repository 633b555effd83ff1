// Stands in for the browser: appends the address it was asked to open (its
// command line after the program) to the file named by PX_URL_RECORD.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  char path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("PX_URL_RECORD", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  WriteFile(file, arguments, static_cast<DWORD>(std::strlen(arguments)), &written, nullptr);
  WriteFile(file, "\n", 1, &written, nullptr);
  CloseHandle(file);
  return 0;
}
