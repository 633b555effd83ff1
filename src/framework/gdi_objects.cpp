#include "framework/gdi_objects.h"

bool CFont::CreateFontIndirect(const LOGFONTA* logFont) {
  DeleteObject();
  if (logFont == nullptr) return false;
  HFONT font = ::CreateFontIndirectA(logFont);
  Attach(font);
  return font != nullptr;
}

bool GetFontLogFont(HFONT font, LOGFONTA* logFont) {
  if (font == nullptr || logFont == nullptr) return false;
  return ::GetObjectA(font, sizeof(LOGFONTA), logFont) == sizeof(LOGFONTA);
}

HFONT WindowFontOrStock(HWND hwnd) {
  HFONT font = nullptr;
  if (hwnd != nullptr) font = reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (font == nullptr) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  if (font == nullptr) font = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
  return font;
}
