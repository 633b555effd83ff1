// What a link click runs: the shell first, then the ".htm" handler's
// command. A small recorder program stands in for the browser and writes
// down the exact command line it was started with.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "controls/hyperlink.h"
#include "controls_dialog.h"
#include "support/px_test_support.h"

using ctltest::ControlsDialog;

namespace {

const char kTestProgId[] = "PxTestLinkHandler";
const char kSavedHtmKey[] = "PxTestSavedHtm";
const char kMissingTarget[] = "C:\\pxtest-no-such-folder\\eula seite.htm";

std::string RecorderPath() {
  return pxtest::HostToWindowsPath(PX_BUILD_DIR "/tests/bin/cmdline_recorder.exe");
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Copies HKCR\<from> with everything below it to HKCR\<to>.
bool CopyClassesKey(const char* from, const char* to) {
  HKEY source = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, from, 0, KEY_READ, &source) != ERROR_SUCCESS) return false;
  HKEY target = nullptr;
  bool copied = false;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, to, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target,
                      nullptr) == ERROR_SUCCESS) {
    copied = RegCopyTreeA(source, nullptr, target) == ERROR_SUCCESS;
    RegCloseKey(target);
  }
  RegCloseKey(source);
  return copied;
}

// Points HKCR\.htm at a test handler for one test and puts the prefix's own
// .htm key back afterwards, whole.
class ScopedHtmHandler {
 public:
  ScopedHtmHandler() {
    pxtest::DeleteRegTree(HKEY_CLASSES_ROOT, kTestProgId);
    pxtest::DeleteRegTree(HKEY_CLASSES_ROOT, kSavedHtmKey);
    saved_ = CopyClassesKey(".htm", kSavedHtmKey);
  }
  ~ScopedHtmHandler() {
    pxtest::DeleteRegTree(HKEY_CLASSES_ROOT, kTestProgId);
    pxtest::DeleteRegTree(HKEY_CLASSES_ROOT, ".htm");
    if (saved_) CopyClassesKey(kSavedHtmKey, ".htm");
    pxtest::DeleteRegTree(HKEY_CLASSES_ROOT, kSavedHtmKey);
  }
  ScopedHtmHandler(const ScopedHtmHandler&) = delete;
  ScopedHtmHandler& operator=(const ScopedHtmHandler&) = delete;

  // .htm -> test ProgID, whose open command is command.
  void Register(const std::string& command) {
    pxtest::WriteRegText(HKEY_CLASSES_ROOT, ".htm", "", kTestProgId);
    pxtest::WriteRegText(HKEY_CLASSES_ROOT, std::string(kTestProgId) + "\\shell\\open\\command", "",
                         command);
  }
  // .htm -> test ProgID without any command key.
  void RegisterWithoutCommand() {
    pxtest::WriteRegText(HKEY_CLASSES_ROOT, ".htm", "", kTestProgId);
    pxtest::WriteRegText(HKEY_CLASSES_ROOT, kTestProgId, "", "Test");
  }

 private:
  bool saved_ = false;
};

class LinkLaunch : public ::testing::Test {
 protected:
  void SetUp() override {
    recordFile_ = pxtest::MakeTempFolder("link_launch") + "command.txt";
    SetEnvironmentVariableA("PX_RECORD_FILE", recordFile_.c_str());
  }
  void TearDown() override { SetEnvironmentVariableA("PX_RECORD_FILE", nullptr); }

  // The command line the recorder was started with; "" when it was not
  // started within timeoutMs.
  std::string RecordedCommand(DWORD timeoutMs = 10000) {
    pxtest::WaitFor([&] { return pxtest::FileExists(recordFile_); }, timeoutMs);
    if (!pxtest::FileExists(recordFile_)) return std::string();
    std::string recorded = pxtest::ReadFileBytes(recordFile_);
    DeleteFileA(recordFile_.c_str());
    return recorded;
  }

  static bool Opened(HINSTANCE result) {
    return static_cast<UINT>(reinterpret_cast<UINT_PTR>(result)) > 32u;
  }

  ScopedHtmHandler htm_;
  std::string recordFile_;
};

// ---------------------------------------------------------------- fallback command

TEST_F(LinkLaunch, HandlerCommandsAreCutAtTheirPlaceholder) {
  const std::string recorder = Quoted(RecorderPath());
  struct Case {
    const char* what;
    std::string command;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"quoted placeholder: cut at its quote, so two blanks", recorder + " \"%1\"",
       recorder + "  " + kMissingTarget},
      {"bare placeholder: cut the same way", recorder + " %1", recorder + "  " + kMissingTarget},
      {"no placeholder: one blank and the target at the end", recorder + " -nohome",
       recorder + " -nohome " + kMissingTarget},
      {"arguments after the placeholder are dropped", recorder + " \"%1\" -new-window",
       recorder + "  " + kMissingTarget},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    htm_.Register(c.command);
    HINSTANCE result = CHyperLink::OpenLinkTarget(kMissingTarget, SW_SHOW);
    EXPECT_TRUE(Opened(result)) << reinterpret_cast<UINT_PTR>(result);
    EXPECT_EQ(c.expected, RecordedCommand());
  }
}

TEST_F(LinkLaunch, NothingRunsWhenTheCommandLineWouldNotFit) {
  htm_.Register(Quoted(RecorderPath()) + " \"%1\"");
  HINSTANCE shellResult = ShellExecuteA(GetDesktopWindow(), "open", kMissingTarget, nullptr,
                                        nullptr, SW_SHOW);
  ASSERT_FALSE(Opened(shellResult)) << "the shell must not open the missing target";

  // The recorder path, two blanks and this target exceed 519 characters.
  std::string longTarget = "C:\\pxtest-no-such-folder\\" + std::string(500, 'x') + ".htm";
  HINSTANCE result = CHyperLink::OpenLinkTarget(longTarget.c_str(), SW_SHOW);
  EXPECT_FALSE(Opened(result));
  EXPECT_EQ("", RecordedCommand(1500)) << "a truncated command must not run";

  // A target that just fits still runs.
  size_t room = 519 - (Quoted(RecorderPath()).size() + 2);
  std::string fitting = "C:\\f\\" + std::string(room - 9, 'y') + ".htm";
  ASSERT_EQ(519u, Quoted(RecorderPath()).size() + 2 + fitting.size());
  EXPECT_TRUE(Opened(CHyperLink::OpenLinkTarget(fitting.c_str(), SW_SHOW)));
  EXPECT_EQ(Quoted(RecorderPath()) + "  " + fitting, RecordedCommand());
}

TEST_F(LinkLaunch, HandlerCommandLongerThanItsBufferIsNotRun) {
  htm_.Register(Quoted(RecorderPath()) + " " + std::string(300, 'a') + " \"%1\"");
  EXPECT_FALSE(Opened(CHyperLink::OpenLinkTarget(kMissingTarget, SW_SHOW)));
  EXPECT_EQ("", RecordedCommand(1500));
}

TEST_F(LinkLaunch, MissingHandlerGivesTheShellResult) {
  htm_.RegisterWithoutCommand();
  HINSTANCE shellResult = ShellExecuteA(GetDesktopWindow(), "open", kMissingTarget, nullptr,
                                        nullptr, SW_SHOW);
  EXPECT_EQ(shellResult, CHyperLink::OpenLinkTarget(kMissingTarget, SW_SHOW));

  pxtest::DeleteRegTree(HKEY_CLASSES_ROOT, ".htm");
  EXPECT_EQ(shellResult, CHyperLink::OpenLinkTarget(kMissingTarget, SW_SHOW));
  EXPECT_EQ("", RecordedCommand(500));
}

TEST(HtmHandlerScope, PrefixKeyIsPutBackWhole) {
  pxtest::WriteRegText(HKEY_CLASSES_ROOT, ".htm\\PxTestMarker", "", "kept");
  const pxtest::RegValue before = pxtest::ReadRegValue(HKEY_CLASSES_ROOT, ".htm", "");
  {
    ScopedHtmHandler htm;
    pxtest::DeleteRegTree(HKEY_CLASSES_ROOT, ".htm");
  }
  EXPECT_EQ(before.text, pxtest::ReadRegValue(HKEY_CLASSES_ROOT, ".htm", "").text);
  EXPECT_EQ("kept", pxtest::ReadRegValue(HKEY_CLASSES_ROOT, ".htm\\PxTestMarker", "").text);
  pxtest::DeleteRegTree(HKEY_CLASSES_ROOT, ".htm\\PxTestMarker");
}

TEST_F(LinkLaunch, ShellOpensWhatItCanWithoutTheHandler) {
  htm_.Register("\"C:\\pxtest-no-such-browser.exe\" \"%1\"");
  HINSTANCE result = CHyperLink::OpenLinkTarget(RecorderPath().c_str(), SW_SHOW);
  EXPECT_TRUE(Opened(result));
  EXPECT_NE("", RecordedCommand()) << "the shell started the target itself";
}

// ---------------------------------------------------------------- clicks

class LinkClick : public LinkLaunch {
 protected:
  void SetUp() override {
    LinkLaunch::SetUp();
    saved_ = CHyperLink::beep;
    CHyperLink::beep = &RecordBeep;
    beeps().clear();
    ASSERT_TRUE(dialog_.Attach(IDC_LINK_LEFT, link_));
  }
  void TearDown() override {
    CHyperLink::beep = saved_;
    LinkLaunch::TearDown();
  }

  static std::vector<UINT>& beeps() {
    static std::vector<UINT> recorded;
    return recorded;
  }
  static BOOL WINAPI RecordBeep(UINT type) {
    beeps().push_back(type);
    return TRUE;
  }

  // A click as the user makes it: the static reports it to the dialog,
  // which reflects it to the link.
  void Click() {
    SendMessageW(link_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(link_, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }
  // Paints whatever is pending, so that only what follows can leave a
  // repaint pending.
  void SettlePainting() {
    ctltest::PumpMessages(20);
    UpdateWindow(link_);
    ValidateRect(link_, nullptr);
  }
  bool RepaintPending() {
    RECT rect = {};
    return GetUpdateRect(link_, &rect, FALSE) != FALSE;
  }

  ControlsDialog dialog_;
  CHyperLink link_;

 private:
  BOOL(WINAPI* saved_)(UINT) = nullptr;
};

TEST_F(LinkClick, SuccessfulClickShowsTheVisitedColourAtOnce) {
  link_.SetLinkTarget(RecorderPath().c_str());
  link_.isHovering = TRUE;
  SettlePainting();

  Click();

  EXPECT_NE("", RecordedCommand()) << "the target was opened";
  EXPECT_TRUE(link_.isVisited);
  EXPECT_FALSE(link_.isHovering) << "a click leaves hovering";
  EXPECT_TRUE(RepaintPending());
  EXPECT_EQ(RGB(85, 26, 139), dialog_.AskColor(link_).textColor);
  EXPECT_TRUE(beeps().empty());
}

TEST_F(LinkClick, FailedClickBeepsAndClearsAnEarlierVisit) {
  link_.SetLinkTarget(RecorderPath().c_str());
  Click();
  ASSERT_NE("", RecordedCommand());
  ASSERT_TRUE(link_.isVisited);

  htm_.RegisterWithoutCommand();
  link_.SetLinkTarget(kMissingTarget);
  SettlePainting();
  ASSERT_FALSE(RepaintPending());
  Click();

  EXPECT_FALSE(link_.isVisited);
  ASSERT_EQ(1u, beeps().size());
  EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), beeps()[0]);
  EXPECT_FALSE(RepaintPending()) << "a failed click repaints nothing";
  EXPECT_EQ(RGB(0, 0, 238), dialog_.AskColor(link_).textColor);
}

TEST_F(LinkClick, ClickOnAnotherItemDoesNotReachTheLink) {
  link_.SetLinkTarget(RecorderPath().c_str());
  SendMessageW(dialog_.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_PLAIN_TEXT, STN_CLICKED),
               reinterpret_cast<LPARAM>(dialog_.Item(IDC_PLAIN_TEXT)));
  // Another notification code from the link itself is not a click either.
  SendMessageW(dialog_.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_LINK_LEFT, STN_DBLCLK),
               reinterpret_cast<LPARAM>(link_.GetSafeHwnd()));
  EXPECT_EQ("", RecordedCommand(800));
  EXPECT_FALSE(link_.isVisited);
  EXPECT_TRUE(beeps().empty());
}

}  // namespace
