#include "core/percent_variables.h"

#include <cstring>

namespace {

bool Append(char* out, std::size_t& used, const char* text, std::size_t length) {
  if (used + length > kPathSize - 1) return false;
  std::memcpy(out + used, text, length);
  used += length;
  out[used] = '\0';
  return true;
}

std::size_t BoundedLength(const char* text) {
  std::size_t length = 0;
  while (length < kPathSize - 1 && text[length] != '\0') ++length;
  return length;
}

bool Refuse(char* expanded) {
  expanded[0] = '\0';
  return false;
}

}  // namespace

bool ExpandPercentVariables(const char* text, char expanded[kPathSize], VariableLookup lookup,
                           void* context) {
  expanded[0] = '\0';
  std::size_t used = 0;
  const std::size_t length = std::strlen(text);
  std::size_t i = 0;
  while (i < length) {
    if (text[i] != '%') {
      if (!Append(expanded, used, text + i, 1)) return Refuse(expanded);
      ++i;
      continue;
    }
    ++i;  // the opening "%"
    const std::size_t nameStart = i;
    while (i < length && text[i] != '%') ++i;
    const std::size_t nameLength = i - nameStart;
    if (nameLength > kPathSize - 1) return Refuse(expanded);
    if (nameLength > 0) {
      char name[kPathSize];
      std::memcpy(name, text + nameStart, nameLength);
      name[nameLength] = '\0';
      char value[kPathSize] = {};
      switch (lookup(name, value, context)) {
        case LookupResult::kFound:
          if (!Append(expanded, used, value, BoundedLength(value))) return Refuse(expanded);
          break;
        case LookupResult::kMissing:
          break;  // an undefined reference vanishes
        case LookupResult::kTooLong:
          return Refuse(expanded);
      }
    }
    if (i < length) ++i;  // the closing "%"
  }
  return true;
}
