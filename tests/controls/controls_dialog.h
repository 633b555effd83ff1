// A real dialog with one static of each kind, bound to a plain CWnd so that
// it reflects WM_CTLCOLORSTATIC and STN_CLICKED to attached controls, as a
// wizard page does.
#pragma once

#include <windows.h>

#include <vector>

#include "controls_test_ids.h"
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

// The client area of a window as painted, read back through its DC (the
// null display driver keeps windows' pixels in memory too).
class Pixels {
 public:
  explicit Pixels(HWND hwnd);
  COLORREF At(int x, int y) const;

  // Bounding box of the pixels that pass test; all zero when none does.
  template <typename Test>
  RECT BoundsOf(Test test) const {
    RECT box = {width, height, -1, -1};
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (!test(At(x, y))) continue;
        if (x < box.left) box.left = x;
        if (y < box.top) box.top = y;
        if (x + 1 > box.right) box.right = x + 1;
        if (y + 1 > box.bottom) box.bottom = y + 1;
      }
    }
    if (box.right < 0) box = RECT{0, 0, 0, 0};
    return box;
  }
  // How many pixels of row y pass test.
  template <typename Test>
  int CountInRow(int y, Test test) const {
    int count = 0;
    for (int x = 0; x < width; ++x) count += test(At(x, y)) ? 1 : 0;
    return count;
  }

  int width = 0;
  int height = 0;

 private:
  std::vector<DWORD> data_;
};

// Text pixels, antialiased edges included: clearly of one colour.
inline bool IsReddish(COLORREF c) {
  return GetRValue(c) > 150 && GetGValue(c) < 110 && GetBValue(c) < 110;
}
inline bool IsGreenish(COLORREF c) {
  return GetGValue(c) > 100 && GetRValue(c) < 90 && GetBValue(c) < 90;
}
inline bool IsBluish(COLORREF c) {
  return GetBValue(c) > 150 && GetRValue(c) < 110 && GetGValue(c) < 110;
}

class ControlsDialog {
 public:
  ControlsDialog();
  ~ControlsDialog();
  ControlsDialog(const ControlsDialog&) = delete;
  ControlsDialog& operator=(const ControlsDialog&) = delete;

  HWND hwnd() const { return host_.GetSafeHwnd(); }
  HWND Item(int id) const { return GetDlgItem(hwnd(), id); }
  // Binds control to item id as a page's data exchange does.
  bool Attach(int id, CWnd& control) { return host_.BindDlgItem(id, control); }
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
