#include "framework/wnd.h"

#include <vector>

namespace {

// Window properties that tie a window to its object and remember the
// procedure we replaced. The second one outlives the first when another
// procedure was put above ours and ours cannot be taken out of the chain.
const wchar_t kObjectProp[] = L"PxWndObject";
const wchar_t kOriginalProp[] = L"PxWndOriginalProc";

WNDPROC OriginalProcOf(HWND hwnd) {
  return reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kOriginalProp));
}

}  // namespace

CWnd::~CWnd() { Release(); }

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  return static_cast<CWnd*>(::GetPropW(hwnd, kObjectProp));
}

bool CWnd::SubclassWindow(HWND hwnd) {
  if (hwnd == nullptr || !::IsWindow(hwnd) || hwnd_ != nullptr) return false;
  if (FromHandlePermanent(hwnd) != nullptr || OriginalProcOf(hwnd) != nullptr) return false;

  hwnd_ = hwnd;
  try {
    PreSubclassWindow();
  } catch (...) {
    hwnd_ = nullptr;  // not bound: the caller sees the failure
    throw;
  }
  if (hwnd_ != hwnd || !::IsWindow(hwnd)) {  // PreSubclassWindow destroyed it
    hwnd_ = nullptr;
    return false;
  }
  WNDPROC original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
  if (!::SetPropW(hwnd, kObjectProp, this) ||
      !::SetPropW(hwnd, kOriginalProp, reinterpret_cast<HANDLE>(original))) {
    ::RemovePropW(hwnd, kObjectProp);
    hwnd_ = nullptr;
    return false;
  }
  originalProc_ = original;
  ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc));
  everBound_ = true;
  return true;
}

bool CWnd::BindDlgItem(int id, CWnd& control) {
  if (control.WasEverBound()) return control.GetSafeHwnd() != nullptr;
  HWND item = hwnd_ != nullptr ? GetDlgItem(id) : nullptr;
  return item != nullptr && control.SubclassWindow(item);
}

void CWnd::Release() {
  if (hwnd_ == nullptr) return;
  if (::IsWindow(hwnd_)) {
    auto ours = reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc);
    if (::GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == ours) {
      ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc_));
      ::RemovePropW(hwnd_, kOriginalProp);
    }
    // Otherwise our procedure stays in the chain and forwards through the
    // remembered original procedure.
    ::RemovePropW(hwnd_, kObjectProp);
  }
  hwnd_ = nullptr;
  originalProc_ = nullptr;
}

bool CWnd::DestroyWindow() { return hwnd_ != nullptr && ::DestroyWindow(hwnd_) != FALSE; }

const MessageMap* CWnd::GetMessageMap() const {
  static const MessageMapEntry entries[] = {{}};
  static const MessageMap map = {nullptr, entries};
  return &map;
}

std::string CWnd::GetWindowText() const {
  if (hwnd_ == nullptr) return std::string();
  int length = ::GetWindowTextLengthA(hwnd_);
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  int copied = ::GetWindowTextA(hwnd_, buffer.data(), length + 1);
  if (copied < 0) copied = 0;
  return std::string(buffer.data(), static_cast<size_t>(copied));
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* self = FromHandlePermanent(hwnd);
  if (self == nullptr) {
    WNDPROC original = OriginalProcOf(hwnd);
    if (message == WM_NCDESTROY) ::RemovePropW(hwnd, kOriginalProp);
    return original != nullptr ? ::CallWindowProcW(original, hwnd, message, wParam, lParam)
                               : ::DefWindowProcW(hwnd, message, wParam, lParam);
  }

  if (message == WM_NCDESTROY) {
    LRESULT result = self->CallOriginal(message, wParam, lParam);
    self->Release();
    return result;
  }

  CurrentMessage current{message, wParam, lParam};
  const CurrentMessage* outer = self->current_;
  self->current_ = &current;
  LRESULT result = 0;
  try {
    result = self->WindowProc(message, wParam, lParam);
  } catch (...) {
    // A handler failed half-way; the window must stay usable, and user32
    // cannot take an exception. The message counts as handled.
    result = 0;
  }
  self->current_ = outer;
  return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (ReflectToChild(message, wParam, lParam, result)) return result;
  if (message == WM_COMMAND) {
    if (OnCommand(wParam, lParam)) return 0;
  } else if (message == WM_NOTIFY) {
    if (OnNotify(wParam, lParam, &result)) return result;
  }
  if (DispatchToMap(message, wParam, lParam, result)) return result;
  return Default();
}

bool CWnd::OnCommand(WPARAM, LPARAM) { return false; }

bool CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return false; }

bool CWnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_CTLCOLORSTATIC && message != WM_COMMAND) return false;
  HWND childHwnd = reinterpret_cast<HWND>(lParam);
  if (childHwnd == nullptr || childHwnd == hwnd_ || ::GetParent(childHwnd) != hwnd_) return false;
  CWnd* child = FromHandlePermanent(childHwnd);
  if (child == nullptr) return false;
  // The child's own Default() makes no sense for a message it never got.
  const CurrentMessage* outer = child->current_;
  child->current_ = nullptr;
  bool handled = child->DispatchToMap(ReflectedMessage(message), wParam, lParam, result);
  child->current_ = outer;
  return handled;
}

bool CWnd::DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
    for (const MessageMapEntry* entry = map->entries; entry->message != 0; ++entry) {
      if (entry->message != message) continue;
      if (message == ReflectedMessage(WM_COMMAND) && entry->code != HIWORD(wParam)) continue;
      if (entry->handler == nullptr) return false;
      return (this->*(entry->handler))(wParam, lParam, result);
    }
  }
  return false;
}

LRESULT CWnd::Default() {
  if (current_ == nullptr) return 0;
  return CallOriginal(current_->message, current_->wParam, current_->lParam);
}

LRESULT CWnd::CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd_ == nullptr) return 0;
  if (originalProc_ == nullptr) return ::DefWindowProcW(hwnd_, message, wParam, lParam);
  return ::CallWindowProcW(originalProc_, hwnd_, message, wParam, lParam);
}

int ShowMessageBox(const char* text, const char* caption, UINT style) {
  return ::MessageBoxA(::GetActiveWindow(), text, caption, style);
}
