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

  // Takes ownership of an existing handle (the previous one is deleted).
  void Attach(Handle handle) {
    if (handle == handle_) return;
    DeleteObject();
    handle_ = handle;
  }
  // Gives up ownership without deleting.
  Handle Detach() {
    Handle h = handle_;
    handle_ = nullptr;
    return h;
  }
  // Deletes the owned object, if any. TRUE when something was deleted.
  BOOL DeleteObject() {
    if (handle_ == nullptr) return FALSE;
    BOOL ok = ::DeleteObject(handle_);
    handle_ = nullptr;
    return ok;
  }

 private:
  Handle handle_ = nullptr;
};

class CFont : public CGdiObjectOwner<HFONT> {
 public:
  // Replaces the owned font by a new one made from logFont. FALSE (and no
  // font held) when the font cannot be made or logFont is null.
  BOOL CreateFontIndirect(const LOGFONTA* logFont);
  // Copies the owned font's LOGFONT; FALSE when there is no font.
  BOOL GetLogFont(LOGFONTA* logFont) const;
};

class CBrush : public CGdiObjectOwner<HBRUSH> {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  BOOL CreateSolidBrush(COLORREF color);
};

// LOGFONT of any font handle (60 bytes, ANSI form); FALSE when font is null
// or not a font.
BOOL GetFontLogFont(HFONT font, LOGFONTA* logFont);

// The font a window draws with (WM_GETFONT); for a window without one (or
// no window), the stock GUI font, or the stock ANSI variable-pitch font
// when that is missing too.
HFONT WindowFontOrStock(HWND hwnd);
