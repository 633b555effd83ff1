// Asks IsOsVersionAtLeast the questions given on its command line
// ("6.0.2 6.2.0 ...": major.minor.servicePackMajor) and answers through its
// exit code, so a test can run it under every Windows version Wine can fake:
// bit i is the answer to question i; bits 24-31 hold kAnsweredMark, which a
// crash or a bad question never produces.
#include <cstdio>
#include <cstdlib>

#include "platform/environment.h"

namespace {
constexpr unsigned kAnsweredMark = 0x40u << 24;
constexpr unsigned kBadQuestion = 2;
constexpr int kMaxQuestions = 24;
}  // namespace

int main(int argc, char** argv) {
  if (argc - 1 > kMaxQuestions) return kBadQuestion;
  unsigned answers = 0;
  for (int i = 1; i < argc; ++i) {
    unsigned major = 0, minor = 0, servicePack = 0;
    char rest = 0;
    if (std::sscanf(argv[i], "%u.%u.%u%c", &major, &minor, &servicePack, &rest) != 3 || major > 0xFFFF ||
        minor > 0xFFFF || servicePack > 0xFFFF) {
      return kBadQuestion;
    }
    if (IsOsVersionAtLeast(static_cast<unsigned short>(major), static_cast<unsigned short>(minor),
                           static_cast<unsigned short>(servicePack))) {
      answers |= 1u << (i - 1);
    }
  }
  return static_cast<int>(kAnsweredMark | answers);
}
