#include "app/progress_window.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "core/progress_rule.h"
#include "framework/common_controls.h"
#include "platform/run_progress.h"
#include "platform/thread_stack.h"
#include "resources/resource.h"
#include "setup/silent_start.h"

namespace {

constexpr wchar_t kWindowClass[] = L"PixorraProgress";
constexpr UINT_PTR kPollTimer = 1;
// The bar is brought up to date at most this often: the run only stores
// counters, so its speed does not depend on the window at all.
constexpr UINT kPollMs = 50;
constexpr UINT kRunEnded = WM_APP + 1;
constexpr DWORD kShowWaitMs = 2000;
constexpr DWORD kCloseWaitMs = 5000;  // a window thread that hangs never keeps the exit code back
constexpr int kTextId = 100;
constexpr int kBarId = 101;

std::wstring LoadWide(unsigned id) {
  const wchar_t* text = nullptr;
  // Length 0 asks for a pointer to the resource's own text.
  const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 && text != nullptr ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

class ProgressWindow {
 public:
  // Runs on the window's thread: creates, shows and pumps until the run has
  // ended.
  static DWORD WINAPI Thread(void* self) {
    ReleaseUnusedStack();
    auto* window = static_cast<ProgressWindow*>(self);
    window->Run();
    SetEvent(window->onScreen_);  // also when no window could be made
    return 0;
  }

  ProgressWindow() : onScreen_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~ProgressWindow() {
    if (onScreen_ != nullptr) CloseHandle(onScreen_);
  }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Waits until the window is on the screen (or could not be made), at most
  // timeoutMs.
  void WaitShown(DWORD timeoutMs) const {
    if (onScreen_ != nullptr) WaitForSingleObject(onScreen_, timeoutMs);
  }

  // From the run's thread once it has ended: the window closes itself.
  void RunEnded() {
    ended_.store(true);
    const HWND window = window_.load();
    if (window != nullptr) PostMessageW(window, kRunEnded, 0, 0);
  }

 private:
  void Run() {
    PrepareCommonControls();
    if (!Create()) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (font_ != nullptr) DeleteObject(font_);
  }

  bool Create() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    // No close item in the system menu either: there is nothing to cancel.
    windowClass.style = CS_NOCLOSE;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM));  // the task bar's button
    RegisterClassExW(&windowClass);

    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };

    // A caption bar without a system menu: no close box, nothing to click.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
    RECT frame = {0, 0, scaled(400), scaled(86)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;

    const std::wstring caption = LoadWide(IDS_CAPTION);
    const HWND window = CreateWindowExW(0, kWindowClass, caption.c_str(), style, x, y, width, height, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), this);
    if (window == nullptr) return false;

    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
      font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    }
    const HWND text = CreateWindowExW(0, L"STATIC", LoadWide(IDS_PROGRESS_UNPACKING).c_str(),
                                      WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, scaled(16), scaled(14),
                                      scaled(368), scaled(20), window, reinterpret_cast<HMENU>(kTextId), nullptr,
                                      nullptr);
    bar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH, scaled(16), scaled(44),
                           scaled(368), scaled(22), window, reinterpret_cast<HMENU>(kBarId), nullptr, nullptr);
    if (font_ != nullptr && text != nullptr) SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageW(bar_, PBM_SETRANGE32, 0, progressrule::kRange);
    SendMessageW(bar_, PBM_SETPOS, 0, 0);
    SetTimer(window, kPollTimer, kPollMs, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    // Published only now; a run that ended before is seen right here.
    window_.store(window);
    if (ended_.load()) PostMessageW(window, kRunEnded, 0, 0);
    Poll(window);
    SetEvent(onScreen_);
    return true;
  }

  // The bar never moves back: a stage that begins is at least where the
  // last one ended.
  void Poll(HWND window) {
    const int position = std::max(shown_, runprogress::Position());
    if (position == shown_) return;
    if (shown_ < progressrule::kUnpackingEnd && position >= progressrule::kUnpackingEnd) {
      SetDlgItemTextW(window, kTextId, LoadWide(IDS_PROGRESS_REGISTERING).c_str());
    }
    shown_ = position;
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
      case WM_TIMER:
        if (self != nullptr && wParam == kPollTimer) self->Poll(window);
        return 0;
      case kRunEnded:
        KillTimer(window, kPollTimer);
        if (self != nullptr) self->Poll(window);
        DestroyWindow(window);
        return 0;
      case WM_CLOSE:
        return 0;  // Alt+F4 and the task bar's Close: the run cannot be stopped
      case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) return 0;
        break;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
      default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  std::atomic<HWND> window_{nullptr};
  std::atomic<bool> ended_{false};
  HANDLE onScreen_;  // set once the window is on the screen or cannot be made
  HWND bar_ = nullptr;
  HFONT font_ = nullptr;
  int shown_ = 0;
};

}  // namespace

int RunInstallationWithProgress(const char* commandLine) {
  ProgressWindow window;
  const HANDLE thread = CreateThread(nullptr, 0, ProgressWindow::Thread, &window, 0, nullptr);
  // The run starts once the window shows it from its beginning: making the
  // first window takes Wine's display driver a few hundred milliseconds,
  // in which a small payload is unpacked already. Never longer than
  // kShowWaitMs: a display that hangs does not hold the installation.
  if (thread != nullptr) window.WaitShown(kShowWaitMs);
  const int exitCode = RunSilentInstallation(commandLine);
  window.RunEnded();
  if (thread != nullptr) {
    // A window thread that has not ended in time (a display that hangs)
    // must not keep the exit code back, and must not outlive the window
    // object on this stack: the process ends here with the run's code.
    if (WaitForSingleObject(thread, kCloseWaitMs) != WAIT_OBJECT_0) ExitProcess(static_cast<UINT>(exitCode));
    CloseHandle(thread);
  }
  return exitCode;
}
