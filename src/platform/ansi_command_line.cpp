#include "platform/ansi_command_line.h"

#include <windows.h>

std::string AnsiCommandLine() { return AnsiWithoutBestFit(GetCommandLineW()); }

std::string AnsiWithoutBestFit(const wchar_t* wide) {
  if (wide == nullptr) return {};
  // UTF-8 as the ANSI code page holds every character and takes no flags.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = utf8 ? nullptr : "?";
  const int size = WideCharToMultiByte(CP_ACP, flags, wide, -1, nullptr, 0, fallback, nullptr);
  if (size <= 0) return {};
  std::string text(static_cast<size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, flags, wide, -1, &text[0], size, fallback, nullptr) <= 0) return {};
  text.resize(static_cast<size_t>(size) - 1);  // without the terminator
  return text;
}
