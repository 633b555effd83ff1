// The Browse button's rule on the folder the picker returned.
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/properties.h"
#include "core/folder_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char folder[kPathSize];
  pxfuzz::FillPathBuffer(std::string(reinterpret_cast<const char*>(data), size), folder);
  const std::string input = folder;
  const int result = AppendProductFolderText(folder);
  const std::string output = folder;
  const int second = result == 1 ? AppendProductFolderText(folder) : 1;
  pxfuzz::Require(pxprop::CheckProductFolder(input, result, output, second, folder));
  return 0;
}
