// CWnd: an object bound to one HWND, with a per-class message map.
//
// Binding. SubclassWindow replaces the window's procedure by ours and keeps
// the original one; every message then goes through WindowProc, which asks
// the class's message map and falls back to the original procedure. The
// object is released from the window on WM_NCDESTROY (after the original
// procedure has seen it) or when the object dies first, whichever is earlier.
// All subclassing is done in the Unicode form: comctl32's property sheets and
// pages are Unicode windows, and the system translates for ANSI ones.
//
// Message maps. Each class that handles messages overrides GetMessageMap and
// returns a static table whose `base` is the base class's table, e.g.
//
//   const MessageMap* CMyStatic::GetMessageMap() const {
//     static const MessageMapEntry entries[] = {
//         {WM_TIMER, 0, Handler(&CMyStatic::OnTimer)},
//         {ReflectedMessage(WM_COMMAND), STN_CLICKED, Handler(&CMyStatic::OnClicked)},
//         {}};
//     static const MessageMap map = {CStatic::GetMessageMap(), entries};
//     return &map;
//   }
//
// Every handler has one signature:
//   bool OnSomething(WPARAM wParam, LPARAM lParam, LRESULT& result);
// It answers true when it handled the message (result is then returned to
// the sender) and false to let the original window procedure process it.
// A handler that wants the default processing first (or in the middle) calls
// Default() itself and returns true.
//
// Reflection. A window whose children are CWnd objects passes two child
// notifications to the child before handling them itself:
//   - WM_CTLCOLORSTATIC arrives at the child as ReflectedMessage(WM_CTLCOLORSTATIC)
//     with the same wParam (the HDC) and lParam (the child's HWND); the
//     handler's result (an HBRUSH) becomes the parent's answer;
//   - WM_COMMAND from a child arrives as ReflectedMessage(WM_COMMAND); the map
//     entry's `code` selects the notification code (HIWORD of wParam).
// A reflected message the child does not handle is processed by the parent.
//
// Nothing thrown by a handler leaves the window procedure.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

using MessageHandler = bool (CWnd::*)(WPARAM wParam, LPARAM lParam, LRESULT& result);

// Casts a derived class's handler to the map's handler type.
template <typename Derived>
constexpr MessageHandler Handler(bool (Derived::*handler)(WPARAM, LPARAM, LRESULT&)) {
  return static_cast<MessageHandler>(handler);
}

// Message numbers for notifications reflected from a parent to its child.
constexpr UINT kReflectBase = 0xBC00;
constexpr UINT ReflectedMessage(UINT message) { return kReflectBase + message; }

struct MessageMapEntry {
  UINT message = 0;   // the message; 0 ends the table
  UINT code = 0;      // for ReflectedMessage(WM_COMMAND): the notification code
  MessageHandler handler = nullptr;
};

struct MessageMap {
  const MessageMap* base;          // null only for CWnd's own table
  const MessageMapEntry* entries;  // ends with an entry whose message is 0
};

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return hwnd_; }
  operator HWND() const { return hwnd_; }
  bool HasWindow() const { return hwnd_ != nullptr && ::IsWindow(hwnd_); }

  // The object bound to a window by SubclassWindow, or null.
  static CWnd* FromHandlePermanent(HWND hwnd);

  // Binds the object to an existing window: PreSubclassWindow runs first
  // (the object already knows its HWND), then the window procedure is
  // replaced. FALSE when hwnd is not a window or either side is already bound.
  BOOL SubclassWindow(HWND hwnd);
  // Gives the window its original procedure back; returns the HWND.
  HWND UnsubclassWindow();
  // TRUE once SubclassWindow has succeeded for this object, even after the
  // window is gone: attachment through DDX_Control happens once per object.
  bool WasEverBound() const { return everBound_; }

  // Destroys the bound window (the object stays, without window).
  virtual BOOL DestroyWindow();

  // The table of messages this class handles; see the top of this file.
  virtual const MessageMap* GetMessageMap() const;

  // --- thin wrappers over the window functions (ANSI text) ---
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(hwnd_, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessageW(hwnd_, message, wParam, lParam);
  }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(hwnd_, GWL_STYLE)); }
  std::string GetWindowText() const;
  BOOL SetWindowText(const char* text) { return ::SetWindowTextA(hwnd_, text); }
  HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
  void SetFont(HFONT font, BOOL redraw = TRUE) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
  }
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(hwnd_, nullptr, erase); }
  void InvalidateRect(const RECT* rect, BOOL erase = TRUE) { ::InvalidateRect(hwnd_, rect, erase); }
  BOOL RedrawWindow(UINT flags) { return ::RedrawWindow(hwnd_, nullptr, nullptr, flags); }
  BOOL UpdateWindow() { return ::UpdateWindow(hwnd_); }
  BOOL ShowWindow(int command) { return ::ShowWindow(hwnd_, command); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(hwnd_, enable); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(hwnd_); }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs) { return ::SetTimer(hwnd_, id, elapseMs, nullptr); }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(hwnd_, id); }
  HWND GetParent() const { return ::GetParent(hwnd_); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
  UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(hwnd_, id); }
  BOOL CheckDlgButton(int id, UINT check) { return ::CheckDlgButton(hwnd_, id, check); }
  UINT GetDlgItemText(int id, char* buffer, int size) const {
    return ::GetDlgItemTextA(hwnd_, id, buffer, size);
  }
  BOOL SetDlgItemText(int id, const char* text) { return ::SetDlgItemTextA(hwnd_, id, text); }
  // A message box owned by this window.
  int MessageBox(const char* text, const char* caption, UINT style) const {
    return ::MessageBoxA(hwnd_, text, caption, style);
  }

 protected:
  // Runs while the object is being bound, before the procedure is replaced.
  virtual void PreSubclassWindow() {}
  // Every message of the bound window. The default: child reflection, then
  // WM_COMMAND to OnCommand, WM_NOTIFY to OnNotify, then the message map,
  // then the original procedure.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // TRUE when the command is consumed; FALSE lets the original procedure
  // (for a dialog: its own command handling) process it.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // TRUE when the notification is consumed, with *result as the answer.
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Called after WM_NCDESTROY, once the object no longer has a window.
  virtual void PostNcDestroy() {}

  // The original procedure on the message now being handled.
  LRESULT Default();
  // The original procedure on any message.
  LRESULT CallOriginal(UINT message, WPARAM wParam, LPARAM lParam);

  // Looks message up in this object's map chain and calls the handler.
  bool DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void Release();

  struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };

  HWND hwnd_ = nullptr;
  WNDPROC originalProc_ = nullptr;
  const CurrentMessage* current_ = nullptr;
  bool everBound_ = false;
};

// A message box owned by the active window (or none), for failures the user
// must see. Returns the button pressed (IDOK, IDYES, ...), 0 on failure.
int ShowMessageBox(const char* text, const char* caption, UINT style);
