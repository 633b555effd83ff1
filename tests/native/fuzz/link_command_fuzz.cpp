// The ".htm" handler's command with the link target appended, for any
// handler command and buffer size: a command that does not fit is refused.
#include <cstring>
#include <string>
#include <vector>

#include "core/link_command.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first two bytes choose the buffer size (1..1024; 520 is the product's).
  const std::size_t outSize = 1 + ((static_cast<std::size_t>(data[0]) << 8 | data[1]) % 1024);
  std::vector<std::string> parts = pxfuzz::SplitInput(data + 2, size - 2, 2);
  const std::string command = parts[0];
  const std::string target = parts.size() > 1 ? parts[1].substr(0, parts[1].find('\0')) : "";

  // Exactly outSize bytes, so the sanitizer sees a write past the end.
  std::vector<char> out(outSize, 'x');
  const bool result = ComposeLinkCommand(command.c_str(), target.c_str(), out.data(), outSize);
  if (std::memchr(out.data(), '\0', outSize) == nullptr) pxfuzz::Require("the command is not terminated");
  pxfuzz::Require(pxprop::CheckLinkCommand(command, target, outSize, result, out.data()));

  std::vector<char> key(outSize, 'x');
  const bool keyResult = ComposeHandlerCommandKey(command.c_str(), key.data(), outSize);
  const std::string expectedKey = command + "\\shell\\open\\command";
  if (keyResult != (!command.empty() && expectedKey.size() < outSize)) pxfuzz::Require("key name fit decided wrongly");
  if (keyResult && expectedKey != key.data()) pxfuzz::Require("key name composed wrongly");
  if (!keyResult && key[0] != '\0') pxfuzz::Require("a refused key name left text behind");
  return 0;
}
