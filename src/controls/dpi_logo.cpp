#include "controls/dpi_logo.h"

#include "core/wizard_rules.h"

namespace {

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info = {};
  if (bitmap == nullptr || ::GetObjectA(bitmap, sizeof info, &info) != sizeof info) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

// A screen-compatible bitmap of size with source stretched into it.
HBITMAP StretchedCopy(HBITMAP source, SIZE size) {
  const SIZE from = BitmapSize(source);
  if (from.cx <= 0 || from.cy <= 0) return nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC sourceDc = ::CreateCompatibleDC(screen);
  HDC targetDc = ::CreateCompatibleDC(screen);
  HBITMAP target = ::CreateCompatibleBitmap(screen, size.cx, size.cy);
  bool drawn = false;
  if (sourceDc != nullptr && targetDc != nullptr && target != nullptr) {
    HGDIOBJ oldSource = ::SelectObject(sourceDc, source);
    HGDIOBJ oldTarget = ::SelectObject(targetDc, target);
    // HALFTONE averages the source pixels each target pixel covers; the
    // brush origin has to be set again after choosing it.
    ::SetStretchBltMode(targetDc, HALFTONE);
    ::SetBrushOrgEx(targetDc, 0, 0, nullptr);
    drawn = ::StretchBlt(targetDc, 0, 0, size.cx, size.cy, sourceDc, 0, 0, from.cx, from.cy, SRCCOPY) != FALSE;
    ::SelectObject(targetDc, oldTarget);
    ::SelectObject(sourceDc, oldSource);
  }
  if (targetDc != nullptr) ::DeleteDC(targetDc);
  if (sourceDc != nullptr) ::DeleteDC(sourceDc);
  ::ReleaseDC(nullptr, screen);
  if (!drawn && target != nullptr) {
    ::DeleteObject(target);
    target = nullptr;
  }
  return target;
}

HBITMAP LoadBitmapResource(HINSTANCE module, UINT id) {
  return static_cast<HBITMAP>(::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

}  // namespace

CDpiLogo::~CDpiLogo() {
  if (scaled_ != nullptr) ::DeleteObject(scaled_);
}

bool CDpiLogo::Show(HWND picture, HINSTANCE module, UINT smallId, UINT largeId, int dpi) {
  if (shown_ || picture == nullptr) return false;
  shown_ = true;
  HBITMAP small = LoadBitmapResource(module, smallId);
  const SIZE base = BitmapSize(small);
  if (small != nullptr) ::DeleteObject(small);
  if (base.cx <= 0 || base.cy <= 0) return false;
  const SIZE wanted = {wizard::ScaleForDpi(base.cx, dpi), wizard::ScaleForDpi(base.cy, dpi)};
  if (wanted.cx == base.cx && wanted.cy == base.cy) return true;  // the template's bitmap as it is
  if (wanted.cx <= 0 || wanted.cy <= 0) return false;
  HBITMAP large = LoadBitmapResource(module, largeId);
  if (large == nullptr) return false;
  scaled_ = StretchedCopy(large, wanted);
  ::DeleteObject(large);
  if (scaled_ == nullptr) return false;
  // The bitmap the static loaded from its template is handed back and no
  // longer drawn by anyone.
  const auto previous = reinterpret_cast<HGDIOBJ>(
      ::SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled_)));
  if (previous != nullptr && previous != scaled_) ::DeleteObject(previous);
  return true;
}

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : wizard::kDefaultDpi;
}

HWND FindPictureChild(HWND parent) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    char className[16] = {};
    ::GetClassNameA(child, className, sizeof className);
    const auto style = static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE));
    if (lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_BITMAP) return child;
  }
  return nullptr;
}
