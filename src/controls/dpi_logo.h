// CDpiLogo: the logo of a picture static (SS_BITMAP) at the screen's DPI.
// The templates show the 88 x 31 bitmap, which stays that small while text
// and controls grow with the DPI. Above (or below) 96 DPI the picture gets a
// copy of the double-size artwork scaled to the same share of the DPI, with
// HALFTONE stretching; at 192 DPI that is the large artwork pixel for pixel.
// At 96 DPI the static keeps the template's bitmap untouched.
#pragma once

#include <windows.h>

class CDpiLogo {
 public:
  CDpiLogo() = default;
  ~CDpiLogo();
  CDpiLogo(const CDpiLogo&) = delete;
  CDpiLogo& operator=(const CDpiLogo&) = delete;

  // Once per object: gives picture the logo for dpi, loaded from module's
  // bitmaps smallId (the size at 96 DPI) and largeId (the artwork to scale).
  // The static sizes itself to the new bitmap. False when nothing could be
  // made; the picture then keeps what it shows.
  bool Show(HWND picture, HINSTANCE module, UINT smallId, UINT largeId, int dpi);
  bool WasShown() const { return shown_; }

 private:
  // Owned: a static does not delete a bitmap given with STM_SETIMAGE.
  HBITMAP scaled_ = nullptr;
  bool shown_ = false;
};

// The screen's DPI (LOGPIXELSY of the screen), 96 when it cannot be read.
int ScreenDpi();

// The first picture static (SS_BITMAP) among parent's children, or null.
HWND FindPictureChild(HWND parent);
