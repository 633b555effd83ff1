#include "core/link_command.h"

#include <cstring>

namespace {

const char kCommandKeySuffix[] = "\\shell\\open\\command";

// Appends length characters of text at *used; false when out (outSize
// characters, terminator included) has no room for them.
bool Append(char* out, size_t outSize, size_t* used, const char* text, size_t length) {
  if (length >= outSize - *used) return false;
  std::memcpy(out + *used, text, length);
  *used += length;
  out[*used] = '\0';
  return true;
}

bool Fail(char* out, size_t outSize) {
  if (out != nullptr && outSize > 0) out[0] = '\0';
  return false;
}

}  // namespace

bool ComposeHandlerCommandKey(const char* progId, char* out, size_t outSize) {
  if (out == nullptr || outSize == 0) return false;
  out[0] = '\0';
  if (progId == nullptr || progId[0] == '\0') return false;
  size_t used = 0;
  if (!Append(out, outSize, &used, progId, std::strlen(progId)) ||
      !Append(out, outSize, &used, kCommandKeySuffix, sizeof(kCommandKeySuffix) - 1)) {
    return Fail(out, outSize);
  }
  return true;
}

bool ComposeLinkCommand(const char* handlerCommand, const char* target, char* out,
                        size_t outSize) {
  if (out == nullptr || outSize == 0) return false;
  out[0] = '\0';
  const char* command = handlerCommand != nullptr ? handlerCommand : "";
  const char* argument = target != nullptr ? target : "";

  size_t keep = std::strlen(command);
  if (const char* quoted = std::strstr(command, "\"%1\"")) {
    keep = static_cast<size_t>(quoted - command);
  } else if (const char* bare = std::strstr(command, "%1")) {
    keep = static_cast<size_t>(bare - command);
  }

  size_t used = 0;
  if (!Append(out, outSize, &used, command, keep) || !Append(out, outSize, &used, " ", 1) ||
      !Append(out, outSize, &used, argument, std::strlen(argument))) {
    return Fail(out, outSize);
  }
  return true;
}
