// What the font probe (a hook module loaded into the setup's process) and
// the DPI test share: a registered message sent to a window, and a named
// memory block the probe fills with that window's font.
#pragma once

#include <windows.h>

constexpr wchar_t kFontProbeMessage[] = L"PxFontProbe";
constexpr wchar_t kFontProbeMapping[] = L"Local\\PxFontProbe";

struct FontProbeAnswer {
  LONG valid;  // 1 once the probe has written font
  LOGFONTW font;
};
