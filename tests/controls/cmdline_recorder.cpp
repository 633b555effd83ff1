// Stand-in for a browser: records the command line it was started with in
// the file named by PX_RECORD_FILE, so a test can see exactly what was run.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("PX_RECORD_FILE", path, MAX_PATH - 8);
  if (length == 0 || length >= MAX_PATH - 8) return 1;
  char temp[MAX_PATH] = {};
  std::memcpy(temp, path, length);
  std::memcpy(temp + length, ".tmp", 5);

  const char* commandLine = GetCommandLineA();
  HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  WriteFile(file, commandLine, static_cast<DWORD>(std::strlen(commandLine)), &written, nullptr);
  CloseHandle(file);
  // Whole or not at all: the test polls for the final name.
  return MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
