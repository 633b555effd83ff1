// Blanks off both ends of a path in its 260-character buffer.
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/properties.h"
#include "core/folder_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char path[260];
  pxfuzz::FillPathBuffer(std::string(reinterpret_cast<const char*>(data), size), path);
  const std::string input = path;
  TrimSpaces(path);
  pxfuzz::Require(pxprop::CheckTrimmed(input, path));
  const std::string once = path;
  TrimSpaces(path);
  if (once != path) pxfuzz::Require("trimming twice changed the text");

  AppendBackslashIfRoom(path);
  const std::string appended = path;
  if (appended.size() > 259) pxfuzz::Require("the backslash went beyond 259 characters");
  if (once.size() <= 258 && appended.back() != '\\') pxfuzz::Require("no backslash although there was room");
  if (appended.compare(0, once.size(), once) != 0) pxfuzz::Require("the backslash changed the text before it");
  return 0;
}
