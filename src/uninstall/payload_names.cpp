#include "uninstall/uninstall_run.h"

const std::vector<std::string>& PayloadNames() {
  // Written by the build from the payload's inputs (payload/CMakeLists.txt).
  static const std::vector<std::string> names = {
#include "payload_names.inc"
  };
  return names;
}
