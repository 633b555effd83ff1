// Runs the registration step in a process of its own, so that a test can
// choose which Windows version Wine reports to it.
//   px_shell_driver.exe confirm associate group desktop thumbs allusers none|images|all folder
// Exit code: 1 once registered, or 2 for a wrong command line.
#include <cstdlib>
#include <cstring>

#include "register_as_setup.h"

int main(int argc, char** argv) {
  if (argc != 9) return 2;
  bool flags[6];
  for (int i = 0; i < 6; ++i) flags[i] = std::atoi(argv[1 + i]) != 0;
  InstallOptions options;
  for (int row = 0; row < kFormatRowCount; ++row) {
    options.formatSelection[row] =
        std::strcmp(argv[7], "all") == 0 || (std::strcmp(argv[7], "images") == 0 && row < kImageRowCount);
  }
  options.associate = flags[1];
  options.startMenuGroup = flags[2];
  options.desktopLink = flags[3];
  options.thumbsLink = flags[4];
  options.allUsers = flags[5];
  // The size the shell tests expect back (shelltest::kRegisteredPayloadBytes).
  RegisterAsSetup(options, argv[8], flags[0], 5000 * 1024 + 1);
  return 1;
}
