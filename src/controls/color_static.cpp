#include "controls/color_static.h"

#include <string>

CXColorStatic::CXColorStatic()
    : textColor(GetSysColor(COLOR_BTNTEXT)),
      backColor(GetSysColor(COLOR_BTNFACE)),
      backBrush(new CBrush(backColor)),
      isBold(false) {}

CXColorStatic::~CXColorStatic() = default;

const MessageMap* CXColorStatic::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      {WM_PAINT, 0, Handler(&CXColorStatic::OnPaint)},
      {WM_ERASEBKGND, 0, Handler(&CXColorStatic::OnEraseBkgnd)},
      {}};
  static const MessageMap map = {CWnd::GetMessageMap(), entries};
  return &map;
}

void CXColorStatic::PreSubclassWindow() {
  LOGFONTA logFont = CurrentWindowLogFont();
  labelFont.CreateFontIndirect(&logFont);
  CWnd::PreSubclassWindow();
}

LOGFONTA CXColorStatic::CurrentWindowLogFont() const {
  // A window without a font (or no window yet) uses the same stock fonts as
  // the attachment, so a label never ends up without a font.
  LOGFONTA logFont = {};
  GetFontLogFont(WindowFontOrStock(GetSafeHwnd()), &logFont);
  return logFont;
}

void CXColorStatic::SetLabelColor(COLORREF color, bool redraw) {
  textColor = color;
  if (redraw) RedrawNow();
}

void CXColorStatic::SetLabelBold(bool bold, bool redraw) {
  isBold = bold;
  LOGFONTA logFont = CurrentWindowLogFont();
  logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  RebuildFont(&logFont, redraw);
}

void CXColorStatic::SetLabelFont(const char* faceName, LONG height, bool redraw) {
  LOGFONTA logFont = {};
  if (faceName != nullptr) {
    for (size_t i = 0; i < LF_FACESIZE - 1 && faceName[i] != '\0'; ++i) {
      logFont.lfFaceName[i] = faceName[i];
    }
  } else {
    logFont = CurrentWindowLogFont();
  }
  logFont.lfHeight = height;
  logFont.lfQuality = ANTIALIASED_QUALITY;
  RebuildFont(&logFont, redraw);
}

void CXColorStatic::RebuildFont(const LOGFONTA* logFont, bool redraw) {
  if (logFont == nullptr) return;
  labelFont.DeleteObject();
  LOGFONTA copy = *logFont;
  copy.lfWeight = isBold ? FW_BOLD : FW_NORMAL;
  labelFont.CreateFontIndirect(&copy);
  if (redraw) RedrawNow();
}

void CXColorStatic::RedrawNow() {
  // Without a window there is nothing to redraw (and a null window would
  // mean the whole desktop).
  if (HasWindow()) RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool CXColorStatic::OnPaint(WPARAM, LPARAM, LRESULT& result) {
  HWND hwnd = GetSafeHwnd();
  PAINTSTRUCT paint = {};
  HDC dc = BeginPaint(hwnd, &paint);
  if (dc != nullptr) {
    int saved = SaveDC(dc);
    SetTextColor(dc, textColor);
    SetBkColor(dc, backColor);
    SetBkMode(dc, OPAQUE);
    if (backBrush && !backBrush->IsNull()) SelectObject(dc, backBrush->GetSafeHandle());

    RECT client = {};
    GetClientRect(hwnd, &client);
    if (!labelFont.IsNull()) SelectObject(dc, labelFont.GetSafeHandle());
    std::string text = GetWindowText();

    const DWORD style = GetStyle();
    UINT format = DT_LEFT;
    if (style & SS_CENTER) {
      format = DT_CENTER;
    } else if (style & SS_RIGHT) {
      format = DT_RIGHT;
    }
    format |= (style & SS_CENTERIMAGE) ? (DT_VCENTER | DT_SINGLELINE) : DT_WORDBREAK;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client, format);

    RestoreDC(dc, saved);
  }
  EndPaint(hwnd, &paint);
  result = 0;
  return true;
}

bool CXColorStatic::OnEraseBkgnd(WPARAM wParam, LPARAM, LRESULT& result) {
  RECT client = {};
  GetClientRect(GetSafeHwnd(), &client);
  if (backBrush && !backBrush->IsNull()) {
    FillRect(reinterpret_cast<HDC>(wParam), &client, backBrush->GetSafeHandle());
  }
  result = TRUE;
  return true;
}
