// The release's date and time as the release notes name it for the user
// ("Pixorra 4.42 (64 bit) - Neuerungen vom 14.10.2026": the date, and the
// version as the time of day, 04:42:00). The payload's entries and the
// installed files must carry exactly this. Read here on its own rather than
// through the build's reading, so that a wrong reading in the build shows.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "support/px_test_support.h"

namespace releasetest {

// False when the first line of the notes names no version and date.
inline bool ReleaseTime(SYSTEMTIME* when) {
  const std::string notes = pxtest::ReadFileBytes("Z:" PX_SOURCE_DIR "/src/resources/release_notes.txt");
  const std::string head = notes.substr(0, notes.find('\n'));
  const size_t date = head.find(" vom ");
  unsigned major = 0, minor = 0, day = 0, month = 0, year = 0;
  if (date == std::string::npos || std::sscanf(head.c_str(), "Pixorra %u.%u ", &major, &minor) != 2 ||
      std::sscanf(head.c_str() + date, " vom %u.%u.%u", &day, &month, &year) != 3) {
    return false;
  }
  *when = SYSTEMTIME{};
  when->wYear = static_cast<WORD>(year);
  when->wMonth = static_cast<WORD>(month);
  when->wDay = static_cast<WORD>(day);
  when->wHour = static_cast<WORD>(major);
  when->wMinute = static_cast<WORD>(minor);
  return true;
}

inline std::string Show(const SYSTEMTIME& t) {
  char text[40];
  std::snprintf(text, sizeof text, "%02u.%02u.%04u %02u:%02u:%02u", t.wDay, t.wMonth, t.wYear, t.wHour, t.wMinute,
                t.wSecond);
  return text;
}

}  // namespace releasetest
