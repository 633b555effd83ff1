// Loads the DLLs named on its command line the plain way, without any
// restriction of the search path: proof that a DLL placed beside a program
// is found by this Wine at all, so the setup's test means something.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  int loaded = 0;
  char names[1024];
  lstrcpynA(names, commandLine, sizeof names);
  for (char* name = std::strtok(names, " "); name != nullptr; name = std::strtok(nullptr, " ")) {
    if (LoadLibraryA(name) != nullptr) ++loaded;
  }
  return loaded;
}
