// The install-log entry's layout, natively: its tests under Wine live in a
// file that also writes real log files, so the rule gets its own here.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "core/log_entry.h"

namespace {

const std::string kSeparator(48, '-');

// Every clock value, sane or not, gives a field of exactly "HH:MM:SS".
TEST(NativeLogEntry, ClockFieldKeepsItsWidthForAnyValue) {
  const int values[] = {INT_MIN, -100, -1, 0, 5, 9, 10, 59, 60, 99, 100, 1000, INT_MAX};
  for (int hour : values) {
    for (int minute : values) {
      const std::string entry = FormatInstallLogEntry("D", hour, minute, 7, "T");
      ASSERT_EQ(std::string("D - "), entry.substr(0, 4)) << hour << " " << minute;
      const std::string clock = entry.substr(4, 8);
      EXPECT_EQ(':', clock[2]) << entry;
      EXPECT_EQ(':', clock[5]) << entry;
      for (int i : {0, 1, 3, 4, 6, 7}) EXPECT_TRUE(clock[i] >= '0' && clock[i] <= '9') << entry;
      EXPECT_EQ(": T\n" + kSeparator + "\n", entry.substr(12)) << entry;
    }
  }
}

TEST(NativeLogEntry, TextIsCopiedWhateverItHolds) {
  const std::string text = std::string("Fehler\n\n\xdc" "berpr\xfc" "fen") + std::string(1000, '%') + "%s%n";
  const std::string entry = FormatInstallLogEntry("07.12.2026", 9, 5, 3, text.c_str());
  EXPECT_EQ("07.12.2026 - 09:05:03: " + text + "\n" + kSeparator + "\n", entry);
}

}  // namespace
