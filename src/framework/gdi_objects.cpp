#include "framework/gdi_objects.h"

BOOL CFont::CreateFontIndirect(const LOGFONTA* logFont) {
  DeleteObject();
  if (logFont == nullptr) return FALSE;
  HFONT font = ::CreateFontIndirectA(logFont);
  Attach(font);
  return font != nullptr;
}

BOOL CFont::GetLogFont(LOGFONTA* logFont) const {
  return GetFontLogFont(GetSafeHandle(), logFont);
}

BOOL CBrush::CreateSolidBrush(COLORREF color) {
  HBRUSH brush = ::CreateSolidBrush(color);
  Attach(brush);
  return brush != nullptr;
}

BOOL GetFontLogFont(HFONT font, LOGFONTA* logFont) {
  if (font == nullptr || logFont == nullptr) return FALSE;
  return ::GetObjectA(font, sizeof(LOGFONTA), logFont) == sizeof(LOGFONTA);
}

HFONT WindowFontOrStock(HWND hwnd) {
  HFONT font = nullptr;
  if (hwnd != nullptr) font = reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (font == nullptr) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  if (font == nullptr) font = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
  return font;
}
