// Starts a program several times, each time into an emptied target folder,
// and prints the wall time of every run in milliseconds (process start to
// end, measured inside Wine so both contenders pay the same start-up).
//   px_bench_runner RUNS TARGET_FOLDER EXE [ARGS...]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: px_bench_runner RUNS TARGET_FOLDER EXE [ARGS...]\n");
    return 2;
  }
  // PX_BENCH_EXIT_CODE: the exit code a run must end with (default 0).
  const char* expected = std::getenv("PX_BENCH_EXIT_CODE");
  const DWORD expectedCode = expected != nullptr ? static_cast<DWORD>(std::atoi(expected)) : 0;
  const int runs = std::atoi(argv[1]);
  const std::string target = argv[2];
  std::string commandLine = std::string("\"") + argv[3] + "\"";
  for (int i = 4; i < argc; ++i) commandLine += std::string(" ") + argv[i];

  // The desktop is there before the first run and stays while this program
  // runs, as it always is on Windows. Under Wine it is a process of its own
  // (explorer.exe) that starts on first need and ends soon after the last
  // program: without this, whichever contender needs it first in a round
  // pays its start (about 0.2 s), and the next one finds it still running.
  GetDesktopWindow();
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (int run = 0; run < runs; ++run) {
    RemoveTree(target);
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    LARGE_INTEGER begin, end;
    QueryPerformanceCounter(&begin);
    if (!CreateProcessA(argv[3], &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      std::fprintf(stderr, "cannot start %s\n", argv[3]);
      return 3;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    if (code != expectedCode) {
      std::fprintf(stderr, "exit code %lu\n", code);
      return 4;
    }
    std::printf("%.1f\n", (end.QuadPart - begin.QuadPart) * 1000.0 / frequency.QuadPart);
  }
  return 0;
}
