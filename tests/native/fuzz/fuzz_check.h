// Shared by the fuzz targets: a broken property aborts the run with the
// input's story, so libFuzzer saves the input as a finding.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

namespace pxfuzz {

inline void Require(const std::string& violation) {
  if (violation.empty()) return;
  std::fprintf(stderr, "property violated: %s\n", violation.c_str());
  std::abort();
}

// Cuts the input at NUL bytes into at most maxParts texts (the last takes
// the rest, NULs included).
inline std::vector<std::string> SplitInput(const uint8_t* data, size_t size, size_t maxParts) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && parts.size() < maxParts) {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(data[i]);
    }
  }
  return parts;
}

// A text in a 260-character buffer, as the rules receive paths: at most 259
// characters, always terminated.
inline void FillPathBuffer(const std::string& text, char (&buffer)[260]) {
  size_t length = 0;
  while (length < 259 && length < text.size() && text[length] != '\0') {
    buffer[length] = text[length];
    ++length;
  }
  buffer[length] = '\0';
}

}  // namespace pxfuzz
