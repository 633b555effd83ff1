#include "controls/hyperlink.h"

#include <shellapi.h>

#include <cstdint>
#include <cstring>

#include "core/link_command.h"

namespace {

bool LaunchSucceeded(HINSTANCE result) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(result)) > 32u;
}

// Default value of HKEY_CLASSES_ROOT\<keyName> as text (at most 260 bytes
// with its terminator). False when the key does not open or the value
// cannot be read or is empty; value is then empty.
bool ReadClassesRootDefault(const char* keyName, char (&value)[261]) {
  std::memset(value, 0, sizeof(value));
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  LONG size = 260;
  LONG status = RegQueryValueA(key, nullptr, value, &size);
  RegCloseKey(key);
  value[260] = '\0';
  if (status != ERROR_SUCCESS) {
    value[0] = '\0';
    return false;
  }
  return value[0] != '\0';
}

}  // namespace

BOOL(WINAPI* CHyperLink::beep)(UINT) = &::MessageBeep;

CHyperLink::CHyperLink()
    : linkColor(RGB(0, 0, 238)),
      visitedColor(RGB(85, 26, 139)),
      hoverColor(RGB(255, 0, 0)),
      isHovering(false),
      isVisited(false),
      underlineMode(UnderlineOnHover),
      handCursor(nullptr) {}

CHyperLink::~CHyperLink() {
  // The cursor is our own copy; the fonts go with their owners.
  if (handCursor != nullptr) DestroyCursor(handCursor);
}

const MessageMap* CHyperLink::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      {ReflectedMessage(WM_CTLCOLORSTATIC), 0, Handler(&CHyperLink::OnCtlColor)},
      {WM_SETCURSOR, 0, Handler(&CHyperLink::OnSetCursor)},
      {WM_MOUSEMOVE, 0, Handler(&CHyperLink::OnMouseMove)},
      {WM_TIMER, 0, Handler(&CHyperLink::OnTimer)},
      {ReflectedMessage(WM_COMMAND), STN_CLICKED, Handler(&CHyperLink::OnClicked)},
      {WM_ERASEBKGND, 0, Handler(&CHyperLink::OnEraseBkgnd)},
      {}};
  static const MessageMap map = {CWnd::GetMessageMap(), entries};
  return &map;
}

bool CHyperLink::DestroyWindow() {
  if (GetSafeHwnd() != nullptr) KillTimer(kHoverTimerId);
  return CWnd::DestroyWindow();
}

void CHyperLink::PreSubclassWindow() {
  HWND hwnd = GetSafeHwnd();
  // Static controls report clicks only with SS_NOTIFY.
  SetWindowLongA(hwnd, GWL_STYLE, GetWindowLongA(hwnd, GWL_STYLE) | SS_NOTIFY);

  if (linkTarget.empty()) linkTarget = GetWindowText();
  if (GetWindowText().empty()) SetWindowText(linkTarget.c_str());

  LOGFONTA logFont = {};
  GetFontLogFont(WindowFontOrStock(hwnd), &logFont);
  plainFont.CreateFontIndirect(&logFont);
  logFont.lfUnderline = 1;
  underlineFont.CreateFontIndirect(&logFont);

  FitToText();
  LoadHandCursor();
  SetUnderlineMode(UnderlineOnHover);
  CWnd::PreSubclassWindow();
}

void CHyperLink::SetLinkTarget(const char* target) {
  linkTarget = target != nullptr ? target : "";
  if (HasWindow()) FitToText();
}

void CHyperLink::SetUnderlineMode(int mode) {
  if (mode == underlineMode) return;
  if (HasWindow()) {
    SetFont(mode == UnderlineAlways ? underlineFont.GetSafeHandle() : plainFont.GetSafeHandle());
    Invalidate();
  }
  underlineMode = mode;
}

COLORREF CHyperLink::CurrentTextColor() const {
  if (isHovering) return hoverColor;
  if (isVisited) return visitedColor;
  return linkColor;
}

void CHyperLink::FitToText() {
  HWND hwnd = GetSafeHwnd();
  if (hwnd == nullptr || !IsWindow(hwnd)) return;

  RECT window = {};
  RECT client = {};
  GetWindowRect(hwnd, &window);
  GetClientRect(hwnd, &client);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  if (HWND parent = GetParent()) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&client), 2);
  }

  std::string text = GetWindowText();
  SIZE extent = {};
  if (HDC dc = GetDC(hwnd)) {
    HGDIOBJ previous = nullptr;
    if (!underlineFont.IsNull()) previous = SelectObject(dc, underlineFont.GetSafeHandle());
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    if (previous != nullptr) SelectObject(dc, previous);
    ReleaseDC(hwnd, dc);
  }

  const LONG windowWidth = window.right - window.left;
  const LONG windowHeight = window.bottom - window.top;
  const LONG width = extent.cx + (windowWidth - (client.right - client.left));
  const LONG height = extent.cy + (windowHeight - (client.bottom - client.top));

  const DWORD style = GetStyle();
  if (style & SS_CENTERIMAGE) {
    const LONG dy = (windowHeight - height) / 2;
    window.top += dy;
    window.bottom -= dy;
  } else {
    window.bottom = window.top + height;
  }
  if (style & SS_CENTER) {
    const LONG dx = (windowWidth - width) / 2;
    window.left += dx;
    window.right -= dx;
  } else if (style & SS_RIGHT) {
    window.left = window.right - width;
  } else {
    window.right = window.left + width;
  }
  SetWindowPos(hwnd, nullptr, window.left, window.top, window.right - window.left,
               window.bottom - window.top, SWP_NOZORDER);
}

void CHyperLink::LoadHandCursor() {
  if (handCursor != nullptr) return;
  char path[MAX_PATH + 32] = {};
  UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const char kHelpProgram[] = "\\winhlp32.exe";
  if (length + sizeof(kHelpProgram) > sizeof(path)) return;
  std::memcpy(path + length, kHelpProgram, sizeof(kHelpProgram));

  HMODULE module = LoadLibraryA(path);
  if (module == nullptr) return;
  if (HCURSOR cursor = LoadCursorA(module, MAKEINTRESOURCEA(106))) {
    handCursor = CopyIcon(cursor);
  }
  FreeLibrary(module);
}

HINSTANCE CHyperLink::OpenLinkTarget(const char* target, int showCommand) {
  const char* file = target != nullptr ? target : "";
  HINSTANCE result = ShellExecuteA(GetDesktopWindow(), "open", file, nullptr, nullptr, showCommand);
  if (LaunchSucceeded(result)) return result;

  // The shell could not open it: try the browser's registered command.
  char progId[261];
  if (!ReadClassesRootDefault(".htm", progId)) return result;
  char keyName[kLinkCommandBufferSize];
  if (!ComposeHandlerCommandKey(progId, keyName, sizeof(keyName))) return result;
  char handlerCommand[261];
  if (!ReadClassesRootDefault(keyName, handlerCommand)) return result;
  char commandLine[kLinkCommandBufferSize];
  if (!ComposeLinkCommand(handlerCommand, file, commandLine, sizeof(commandLine))) return result;

  UINT launched = WinExec(commandLine, static_cast<UINT>(showCommand));
  return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(launched));
}

bool CHyperLink::OnCtlColor(WPARAM wParam, LPARAM, LRESULT& result) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, CurrentTextColor());
  SetBkMode(dc, TRANSPARENT);
  result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  return true;
}

bool CHyperLink::OnSetCursor(WPARAM, LPARAM, LRESULT& result) {
  if (handCursor == nullptr) {
    result = FALSE;
    return true;
  }
  SetCursor(handCursor);
  result = TRUE;
  return true;
}

bool CHyperLink::OnMouseMove(WPARAM, LPARAM, LRESULT& result) {
  if (!isHovering) {
    isHovering = true;
    if (underlineMode == UnderlineOnHover) SetFont(underlineFont.GetSafeHandle());
    Invalidate();
    SetTimer(kHoverTimerId, kHoverIntervalMs);
  }
  result = Default();
  return true;
}

bool CHyperLink::OnTimer(WPARAM, LPARAM, LRESULT& result) {
  DWORD position = GetMessagePos();
  POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  ScreenToClient(GetSafeHwnd(), &point);
  RECT client = {};
  GetClientRect(GetSafeHwnd(), &client);
  if (!PtInRect(&client, point)) {
    isHovering = false;
    KillTimer(kHoverTimerId);
    if (underlineMode != UnderlineAlways) SetFont(plainFont.GetSafeHandle());
    // A little below the text too: the underline can sit under the client area.
    client.bottom += 10;
    Invalidate(&client);
  }
  result = Default();
  return true;
}

bool CHyperLink::OnClicked(WPARAM, LPARAM, LRESULT& result) {
  // The hover timer keeps running; it ends hovering once the pointer is out.
  isHovering = false;
  HINSTANCE launched = OpenLinkTarget(linkTarget.c_str(), SW_SHOW);
  const bool opened = LaunchSucceeded(launched);
  isVisited = opened;
  if (!opened) {
    if (beep != nullptr) beep(MB_ICONEXCLAMATION);
  } else if (HasWindow()) {
    Invalidate();
  }
  result = 0;
  return true;
}

bool CHyperLink::OnEraseBkgnd(WPARAM wParam, LPARAM, LRESULT& result) {
  RECT client = {};
  GetClientRect(GetSafeHwnd(), &client);
  FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
  result = TRUE;
  return true;
}
