// CXColorStatic: paints an existing static text item itself, in its own
// text and background colours and its own font (face, height, bold), with
// the item's alignment styles. The window's own font is never changed.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/gdi_objects.h"
#include "framework/wnd.h"

class CXColorStatic : public CWnd {
 public:
  CXColorStatic();
  ~CXColorStatic() override;

  const MessageMap* GetMessageMap() const override;

  // Text colour; redraw repaints the window at once.
  void SetLabelColor(COLORREF color, bool redraw);
  // Rebuilds the label font from the window's current font with weight
  // 700 (bold) or 400: a face or height set earlier is lost.
  void SetLabelBold(bool bold, bool redraw);
  // Rebuilds the label font from faceName (at most 31 characters kept; all
  // other fields zero) or, when faceName is null, from the window's current
  // font; height in logical units as given, antialiased.
  void SetLabelFont(const char* faceName, LONG height, bool redraw);
  // Replaces the label font by one made from logFont with the weight that
  // isBold demands. Nothing happens when logFont is null.
  void RebuildFont(const LOGFONTA* logFont, bool redraw);

  CFont labelFont;
  COLORREF textColor;
  // Fixed at construction: later changes of the system colours are not followed.
  COLORREF backColor;
  std::unique_ptr<CBrush> backBrush;
  bool isBold;

 protected:
  void PreSubclassWindow() override;

 private:
  bool OnPaint(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnEraseBkgnd(WPARAM wParam, LPARAM lParam, LRESULT& result);
  void RedrawNow();
  // LOGFONT of the window's font, or of the stock fallback fonts.
  LOGFONTA CurrentWindowLogFont() const;
};
