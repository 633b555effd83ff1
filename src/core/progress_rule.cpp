#include "core/progress_rule.h"

#include <cstring>

namespace progressrule {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool HasProgressSwitch(const char* arguments) {
  if (arguments == nullptr) return false;
  constexpr char kSwitch[] = "/progress";
  constexpr std::size_t kLength = sizeof kSwitch - 1;
  for (const char* found = std::strstr(arguments, kSwitch); found != nullptr;
       found = std::strstr(found + 1, kSwitch)) {
    const bool startsArgument = found == arguments || IsBlank(found[-1]);
    const bool endsArgument = found[kLength] == '\0' || IsBlank(found[kLength]);
    if (startsArgument && endsArgument) return true;
  }
  return false;
}

int OverallPosition(Stage stage, unsigned long long done, unsigned long long total) {
  int start = 0;
  int end = kUnpackingEnd;
  switch (stage) {
    case Stage::kUnpacking: break;
    case Stage::kRegistering:
      start = kUnpackingEnd;
      end = kRange;
      break;
    case Stage::kDone: return kRange;
  }
  if (total == 0) return start;
  if (done > total) done = total;
  // The share is at most 1000 and total below 2^64 / 1000 in practice; the
  // division first keeps a huge total from overflowing.
  const unsigned long long span = static_cast<unsigned long long>(end - start);
  const unsigned long long part = total > 0xFFFFFFFFull ? done / (total / span) : done * span / total;
  return start + static_cast<int>(part > span ? span : part);
}

}  // namespace progressrule
