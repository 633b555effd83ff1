// %NAME% expansion against an environment taken from the input:
// text NUL name=value NUL name=value ...
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/properties.h"
#include "core/percent_variables.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

LookupResult Lookup(const char* name, char value[kPathSize], void* context) {
  const auto* env = static_cast<const pxprop::Environment*>(context);
  const auto found = env->find(Lower(name));
  if (found == env->end()) return LookupResult::kMissing;
  if (found->second.size() > kPathSize - 1) return LookupResult::kTooLong;
  std::memcpy(value, found->second.c_str(), found->second.size() + 1);
  return LookupResult::kFound;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> parts = pxfuzz::SplitInput(data, size, 6);
  pxprop::Environment env;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::size_t equals = parts[i].find('=');
    if (equals == std::string::npos || equals == 0) continue;
    const std::string value = parts[i].substr(equals + 1);
    if (value.find('\0') != std::string::npos) continue;  // an environment value has no NUL
    env[Lower(parts[i].substr(0, equals))] = value;
  }
  // The folder comes from a 260-character buffer.
  char text[260];
  pxfuzz::FillPathBuffer(parts[0], text);

  char expanded[kPathSize];
  std::memset(expanded, 'x', sizeof expanded);
  const int result = ExpandPercentVariables(text, expanded, Lookup, &env);
  if (std::memchr(expanded, '\0', sizeof expanded) == nullptr) pxfuzz::Require("the expansion is not terminated");
  pxfuzz::Require(pxprop::CheckExpansion(text, env, result, expanded));
  return 0;
}
