// The "/progress" mode on the GUI bench: the real setup shows a small window
// with the product's caption and a bar that grows over the unpacking and the
// registration, asks nothing, cannot be closed, stays responsive while the
// run works and closes itself; exit code and log as for "/silent".
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/px_test_support.h"

using namespace pxtest;

namespace {

constexpr const wchar_t* kWindowClass = L"PixorraProgress";
constexpr const wchar_t* kCaption = L"Pixorra 64-bit Installation";
constexpr const char* kProgramFolder = "C:\\Program Files\\Pixorra\\";
constexpr DWORD kViewerBusy = 1618;

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 255);
  return text;
}

// The bar's state, asked across the process boundary (the answers come
// back as the messages' results).
struct BarState {
  int low = -1;
  int high = -1;
  int position = -1;
};

BarState ReadBar(HWND bar) {
  BarState state;
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutW(bar, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, 2000, &answer)) state.low = static_cast<int>(answer);
  if (SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 2000, &answer)) state.high = static_cast<int>(answer);
  if (SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer)) state.position = static_cast<int>(answer);
  return state;
}

// Every thread of process but keep: suspended, or resumed again.
std::vector<DWORD> ThreadsOf(DWORD processId, DWORD keep) {
  std::vector<DWORD> threads;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return threads;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == processId && entry.th32ThreadID != keep) threads.push_back(entry.th32ThreadID);
  }
  CloseHandle(snapshot);
  return threads;
}

void SuspendOrResume(const std::vector<DWORD>& threads, bool suspend) {
  for (DWORD id : threads) {
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
    if (thread == nullptr) continue;
    if (suspend) {
      SuspendThread(thread);
    } else {
      ResumeThread(thread);
    }
    CloseHandle(thread);
  }
}

class ProgressWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OnGuiBench()) << "run through px_add_gui_test (PX_WINE_MODE=gui and an X display)";
    CloseAllViewers();
    RemoveFolderTree(kProgramFolder);
    logs_ = MakeTempFolder("progress_logs");
  }
  void TearDown() override {
    CloseAllViewers();
    RemoveFolderTree(kProgramFolder);
    RemoveFolderTree(logs_);
  }
  std::string logs_;
};

TEST_F(ProgressWindow, ShowsTheRunAndClosesItself) {
  const std::string log = logs_ + "progress.log";
  StartedProgram setup = StartProgram(SetupExePath(), "/progress /group=1 /desktop=1 /thumbs=1 /assoc=2 /log=" + log);
  ASSERT_TRUE(setup.started());

  // The window, as soon as it is there; its bar's positions while the run works.
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (window = FindWindowW(kWindowClass, nullptr)) != nullptr; }, 20000))
      << "no progress window";
  // Its controls follow the window itself.
  HWND bar = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (bar = FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr)) != nullptr; },
                      5000))
      << "no progress bar";
  std::vector<int> positions{ReadBar(bar).position};

  // The run is held where it stands; the window, on its own thread, must
  // still answer and draw.
  DWORD processId = 0;
  const DWORD windowThread = GetWindowThreadProcessId(window, &processId);
  ASSERT_EQ(setup.processId(), processId);
  const std::vector<DWORD> held = ThreadsOf(processId, windowThread);
  SuspendOrResume(held, true);
  DWORD_PTR answer = 0;
  EXPECT_NE(0, SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer)) << "window not responsive";

  EXPECT_EQ(kCaption, TextOf(window));
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_NE(0, style & WS_CAPTION);
  EXPECT_EQ(0, style & WS_SYSMENU) << "a close box or system menu";
  EXPECT_EQ(0, style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_TRUE(IsWindowVisible(window));
  const BarState state = ReadBar(bar);
  EXPECT_EQ(0, state.low);
  EXPECT_EQ(1000, state.high);
  positions.push_back(state.position);
  // The line above the bar names the stage.
  const HWND line = FindWindowExW(window, nullptr, L"Static", nullptr);
  ASSERT_NE(nullptr, line);
  // The line names the stage the bar stands in: the unpacking up to 800,
  // the registration after it (a fast run may be there already when held).
  const std::wstring stage = state.position < 800 ? L"Die Programmdateien f\u00fcr Pixorra werden entpackt \u2026"
                                                  : L"Verkn\u00fcpfungen und Dateitypen werden eingetragen \u2026";
  EXPECT_TRUE(TextOf(line) == stage) << "stage line of " << TextOf(line).size() << " characters at "
                                     << state.position;
  // Nothing to click: closing is ignored.
  PostMessageW(window, WM_CLOSE, 0, 0);
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_NE(0, SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer));
  EXPECT_TRUE(IsWindow(window)) << "the window let itself be closed";
  EXPECT_FALSE(SaveScreenshot("progress_window").empty());
  // No other window: no question, no box.
  EXPECT_EQ(nullptr, FindWindowW(L"#32770", nullptr));
  SuspendOrResume(held, false);

  // The bar grows until the window closes itself.
  while (IsWindow(window)) {
    const int position = ReadBar(bar).position;
    if (position >= 0 && position != positions.back()) positions.push_back(position);
    Sleep(5);
  }
  DWORD exitCode = kNoExitCode;
  ASSERT_TRUE(setup.Wait(60000, &exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << ::testing::PrintToString(positions);
  EXPECT_GT(positions.back(), positions.front()) << ::testing::PrintToString(positions);
  EXPECT_GE(positions.back(), 800) << "the registration was never shown";
  // The log a silent run writes, with its success line.
  EXPECT_NE(std::string::npos, ReadFileBytes(log).find("Installation abgeschlossen (/progress /group=1"))
      << ReadFileBytes(log);
  EXPECT_TRUE(FileExists(std::string(kProgramFolder) + "px_main64.exe"));
}

TEST_F(ProgressWindow, ARunningViewerEndsItAsASilentRun) {
  StartedProgram viewer = StartProgram(ViewerExePath(), "/hidden /quitafter=60");
  ASSERT_TRUE(viewer.started());
  ASSERT_TRUE(WaitFor([] { return !FindViewerWindows().empty(); }, 10000));
  const std::string log = logs_ + "busy.log";
  for (const char* mode : {"/silent", "/progress"}) {
    SCOPED_TRACE(mode);
    DeleteFileA(log.c_str());
    const RunResult run = RunSetup(std::string(mode) + " /log=" + log, "", 30000);
    EXPECT_EQ(kViewerBusy, run.exitCode);
    EXPECT_NE(std::string::npos, ReadFileBytes(log).find("Warnung: Pixorra l\xe4uft!"));
    EXPECT_FALSE(FolderExists(kProgramFolder));
  }
  EXPECT_EQ(nullptr, FindWindowW(kWindowClass, nullptr));
}

}  // namespace
