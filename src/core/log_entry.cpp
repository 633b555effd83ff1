// The layout of one install-log entry. Kept apart from the file handling so
// it can be checked without Windows.
#include "core/log_entry.h"

namespace {

// Two digits for a clock field; anything outside 0..99 would not be a time,
// so it is clamped rather than allowed to widen the field.
void AppendTwoDigits(std::string& out, int value) {
  if (value < 0) value = 0;
  if (value > 99) value = 99;
  out += static_cast<char>('0' + value / 10);
  out += static_cast<char>('0' + value % 10);
}

}  // namespace

std::string FormatInstallLogEntry(const char* date, int hour, int minute, int second,
                                  const char* text) {
  std::string entry = date ? date : "";
  entry += " - ";
  AppendTwoDigits(entry, hour);
  entry += ':';
  AppendTwoDigits(entry, minute);
  entry += ':';
  AppendTwoDigits(entry, second);
  entry += ": ";
  entry += text ? text : "";
  entry += '\n';
  entry += std::string(48, '-');
  entry += '\n';
  return entry;
}
