#include "controls_dialog.h"

namespace ctltest {

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

void PumpMessages(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

RECT RectInParent(HWND child) {
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

SIZE BorderSize(HWND window) {
  RECT outer = {};
  RECT client = {};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  return SIZE{(outer.right - outer.left) - client.right, (outer.bottom - outer.top) - client.bottom};
}

SIZE TextExtent(HWND window, HFONT font) {
  char text[512] = {};
  int length = GetWindowTextA(window, text, sizeof(text));
  SIZE extent = {};
  HDC dc = GetDC(window);
  HGDIOBJ previous = SelectObject(dc, font);
  GetTextExtentPoint32A(dc, text, length, &extent);
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  return extent;
}

LOGFONTA LogFontOf(HFONT font) {
  LOGFONTA logFont = {};
  GetObjectA(font, sizeof(logFont), &logFont);
  return logFont;
}

Pixels::Pixels(HWND hwnd) {
  RECT client = {};
  GetClientRect(hwnd, &client);
  width = client.right;
  height = client.bottom;
  if (width <= 0 || height <= 0) {
    width = height = 0;
    return;
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  HDC window = GetDC(hwnd);
  BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
  ReleaseDC(hwnd, window);
  GdiFlush();
  const auto* first = static_cast<const DWORD*>(bits);
  data_.assign(first, first + static_cast<size_t>(width) * static_cast<size_t>(height));
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

COLORREF Pixels::At(int x, int y) const {
  DWORD v = data_[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

ControlsDialog::ControlsDialog() {
  HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CONTROLS_TEST),
                                   nullptr, &PlainDialogProc, 0);
  // Away from the screen's corner, so a pointer at (5, 5) is outside every item.
  SetWindowPos(dialog, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(dialog, SW_SHOW);
  UpdateWindow(dialog);
  host_.SubclassWindow(dialog);
  PumpMessages(20);
}

ControlsDialog::~ControlsDialog() {
  if (host_.GetSafeHwnd() != nullptr) DestroyWindow(host_.GetSafeHwnd());
  PumpMessages(10);
}

ControlsDialog::ColorAnswer ControlsDialog::AskColor(HWND item) {
  HDC dc = CreateCompatibleDC(nullptr);
  SetTextColor(dc, RGB(1, 2, 3));
  SetBkMode(dc, OPAQUE);
  LRESULT brush = SendMessageW(hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(item));
  ColorAnswer answer{reinterpret_cast<HBRUSH>(brush), GetTextColor(dc), GetBkMode(dc)};
  DeleteDC(dc);
  return answer;
}

}  // namespace ctltest
