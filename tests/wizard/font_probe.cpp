// Loaded into the setup's process by the DPI test's WH_CALLWNDPROC hook: the
// font a window draws with, as a LOGFONT. Another process cannot read it from
// the handle WM_GETFONT gives (GDI handles belong to one process: GetObject
// on it fails under Wine), so the description is read here and written into
// the test's shared memory block.
#include <windows.h>

#include <cstring>

#include "wizard/font_probe.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK PxFontProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT probe = RegisterWindowMessageW(kFontProbeMessage);
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call != nullptr && call->message == probe) {
    if (HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, kFontProbeMapping)) {
      if (void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(FontProbeAnswer))) {
        FontProbeAnswer answer = {};
        auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(call->hwnd, WM_GETFONT, 0, 0));
        // No font set: the control draws with the system font.
        if (font == nullptr) font = GetStockObject(SYSTEM_FONT);
        answer.valid = GetObjectW(font, sizeof answer.font, &answer.font) == sizeof answer.font ? 1 : 0;
        std::memcpy(view, &answer, sizeof answer);
        UnmapViewOfFile(view);
      }
      CloseHandle(mapping);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
