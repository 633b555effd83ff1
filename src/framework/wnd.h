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
//     static const MessageMap map = {CWnd::GetMessageMap(), entries};
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
  // replaced. False when hwnd is not a window or either side is already bound.
  bool SubclassWindow(HWND hwnd);
  // Binds control to this dialog's item id, once per control object: the
  // first call subclasses the item; every later call, even after the item's
  // window is gone, leaves the control alone. True when the control is bound
  // after the call.
  bool BindDlgItem(int id, CWnd& control);
  // True once SubclassWindow has succeeded for this object, even after the
  // window is gone.
  bool WasEverBound() const { return everBound_; }

  // Destroys the bound window (the object stays, without window).
  virtual bool DestroyWindow();

  // The table of messages this class handles; see the top of this file.
  virtual const MessageMap* GetMessageMap() const;

  // --- thin wrappers over the window functions (ANSI text) ---
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(hwnd_, message, wParam, lParam);
  }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(hwnd_, GWL_STYLE)); }
  std::string GetWindowText() const;
  void SetWindowText(const char* text) { ::SetWindowTextA(hwnd_, text); }
  void SetFont(HFONT font) { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }
  void Invalidate(const RECT* rect = nullptr) { ::InvalidateRect(hwnd_, rect, TRUE); }
  void RedrawWindow(UINT flags) { ::RedrawWindow(hwnd_, nullptr, nullptr, flags); }
  void ShowWindow(int command) { ::ShowWindow(hwnd_, command); }
  void UpdateWindow() { ::UpdateWindow(hwnd_); }
  void SetTimer(UINT_PTR id, UINT elapseMs) { ::SetTimer(hwnd_, id, elapseMs, nullptr); }
  void KillTimer(UINT_PTR id) { ::KillTimer(hwnd_, id); }
  HWND GetParent() const { return ::GetParent(hwnd_); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
  void EnableDlgItem(int id, bool enable) { ::EnableWindow(GetDlgItem(id), enable); }
  bool IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
  void CheckDlgButton(int id, bool check) { ::CheckDlgButton(hwnd_, id, check ? BST_CHECKED : BST_UNCHECKED); }
  // At most size - 1 characters, always terminated.
  void GetDlgItemText(int id, char* buffer, int size) const { ::GetDlgItemTextA(hwnd_, id, buffer, size); }
  void SetDlgItemText(int id, const char* text) { ::SetDlgItemTextA(hwnd_, id, text); }
  // A message box owned by this window; the button pressed (IDOK, IDYES, ...).
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
  // True when the command is consumed; false lets the original procedure
  // (for a dialog: its own command handling) process it.
  virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
  // True when the notification is consumed, with *result as the answer.
  virtual bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);

  // The original procedure on the message now being handled.
  LRESULT Default();

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Looks message up in this object's map chain and calls the handler.
  bool DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  LRESULT CallOriginal(UINT message, WPARAM wParam, LPARAM lParam);
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
