// Owners of GDI objects: the handle is deleted with the owner, so fonts and
// brushes held as members never outlive (or leak past) the object that made
// them. Not copyable; a second Create* replaces and deletes the first object.
#pragma once

#include <windows.h>

template <typename Handle>
class CGdiObjectOwner {
 public:
  CGdiObjectOwner() = default;
  ~CGdiObjectOwner() { DeleteObject(); }
  CGdiObjectOwner(const CGdiObjectOwner&) = delete;
  CGdiObjectOwner& operator=(const CGdiObjectOwner&) = delete;

  Handle GetSafeHandle() const { return handle_; }
  operator Handle() const { return handle_; }
  bool IsNull() const { return handle_ == nullptr; }

  // Deletes the owned object, if any.
  void DeleteObject() {
    if (handle_ != nullptr) ::DeleteObject(handle_);
    handle_ = nullptr;
  }

 protected:
  // Takes ownership of handle (the previous object is deleted).
  void Attach(Handle handle) {
    if (handle == handle_) return;
    DeleteObject();
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

class CFont : public CGdiObjectOwner<HFONT> {
 public:
  // Replaces the owned font by a new one made from logFont. False (and no
  // font held) when the font cannot be made or logFont is null.
  bool CreateFontIndirect(const LOGFONTA* logFont);
};

class CBrush : public CGdiObjectOwner<HBRUSH> {
 public:
  explicit CBrush(COLORREF color) { Attach(::CreateSolidBrush(color)); }
};

// LOGFONT of any font handle (60 bytes, ANSI form); false when font is null
// or not a font.
bool GetFontLogFont(HFONT font, LOGFONTA* logFont);

// The font a window draws with (WM_GETFONT); for a window without one (or
// no window), the stock GUI font, or the stock ANSI variable-pitch font
// when that is missing too.
HFONT WindowFontOrStock(HWND hwnd);
