// A real dialog with one static of each kind, bound to a plain CWnd so that
// it reflects WM_CTLCOLORSTATIC and STN_CLICKED to attached controls, as a
// wizard page does.
#pragma once

#include <windows.h>

#include "controls_test_ids.h"
#include "framework/data_exchange.h"
#include "framework/wnd.h"

namespace ctltest {

// Dispatches this thread's messages for about ms milliseconds.
void PumpMessages(DWORD ms);
// Dispatches messages until condition holds or timeoutMs passes.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start >= timeoutMs) return condition();
    PumpMessages(10);
  }
  return true;
}

// The window rectangle of a child in its parent's client coordinates.
RECT RectInParent(HWND child);
// Width and height of the border (window size minus client size).
SIZE BorderSize(HWND window);
// Text extent of window's text in font, measured on the window's DC.
SIZE TextExtent(HWND window, HFONT font);
LOGFONTA LogFontOf(HFONT font);

class ControlsDialog {
 public:
  ControlsDialog();
  ~ControlsDialog();
  ControlsDialog(const ControlsDialog&) = delete;
  ControlsDialog& operator=(const ControlsDialog&) = delete;

  HWND hwnd() const { return host_.GetSafeHwnd(); }
  HWND Item(int id) const { return GetDlgItem(hwnd(), id); }
  // Binds control to item id as a page's data exchange does.
  BOOL Attach(int id, CWnd& control);
  // The answer of the dialog to the colour request of item, with the text
  // colour and background mode that the answer left on the DC.
  struct ColorAnswer {
    HBRUSH brush;
    COLORREF textColor;
    int backgroundMode;
  };
  ColorAnswer AskColor(HWND item);

 private:
  CWnd host_;
};

}  // namespace ctltest
