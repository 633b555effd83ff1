// The folder of an earlier installation, read from whatever the registry
// holds as the viewer's open command (any tool may have written it).
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/properties.h"
#include "core/folder_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The registry value is read into 260 bytes.
  char command[260];
  pxfuzz::FillPathBuffer(std::string(reinterpret_cast<const char*>(data), size), command);
  char folder[kPathSize];
  std::memset(folder, 'x', sizeof folder);
  const int result = ReadOpenCommandFolder(command, folder);
  if (std::memchr(folder, '\0', sizeof folder) == nullptr) pxfuzz::Require("the folder is not terminated");
  pxfuzz::Require(pxprop::CheckOpenCommandFolder(command, result, folder));
  return 0;
}
