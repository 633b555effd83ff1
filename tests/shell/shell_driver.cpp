// Runs the registration step in a process of its own, so that a test can
// choose which Windows version Wine reports to it.
//   px_shell_driver.exe confirm associate group desktop thumbs allusers none|images|all folder
// Exit code: RegisterWithShell's result, or 2 for a wrong command line.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shell/registration.h"

int main(int argc, char** argv) {
  if (argc != 9) return 2;
  int flags[6];
  for (int i = 0; i < 6; ++i) flags[i] = std::atoi(argv[1 + i]);
  std::vector<int> selection(68, 0);
  for (int row = 0; row < 68; ++row) {
    if (std::strcmp(argv[7], "all") == 0 || (std::strcmp(argv[7], "images") == 0 && row < 52)) selection[row] = 1;
  }
  return RegisterWithShell(flags[0], flags[1], argv[8], flags[2], flags[3], flags[4], flags[5], selection.data());
}
