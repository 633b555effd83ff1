// Appending to the install log. Silent runs have no window, so this file is
// the only place a failure can be reported.
#include "install/install_log.h"

#include <windows.h>

#include <cstdio>

#include "core/log_entry.h"

namespace {

const char kLogFileName[] = "Pixorra_Install.log";

}  // namespace

void WriteInstallLog(const char* text) {
  // Text mode on purpose: every line feed of the messages becomes CR LF.
  FILE* log = std::fopen(kLogFileName, "at");
  if (!log) return;  // read-only start folder and the like: nothing to report to

  // One clock reading for date and time, so an entry written at midnight
  // cannot pair yesterday's date with today's time.
  SYSTEMTIME now;
  GetLocalTime(&now);
  char date[256];
  if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof date)) {
    date[0] = '\0';
  }
  const std::string entry = FormatInstallLogEntry(date, now.wHour, now.wMinute, now.wSecond, text);
  std::fwrite(entry.data(), 1, entry.size(), log);
  std::fclose(log);
}
