// The wizard's reporter: what the installation's failures and questions
// look like as message boxes, and how the answers come back.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "wizard/message_reporter.h"

namespace {

const char kProductCaption[] = "Pixorra 64-bit Installation";

struct BoxSeen {
  bool found = false;
  HWND owner = nullptr;
  std::string text;
  bool hasOk = false;
  bool hasYes = false;
  bool noIsDefault = false;
};
BoxSeen g_box;
int g_answer = IDOK;

bool IsDefaultButton(HWND button) {
  return button != nullptr && (GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// Runs inside the box's own message loop: records the box, then presses
// g_answer.
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowA("#32770", kProductCaption);
  if (box == nullptr) return;
  KillTimer(nullptr, timer);
  g_box.found = true;
  g_box.owner = GetWindow(box, GW_OWNER);
  char text[256] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
  g_box.text = text;
  g_box.hasOk = GetDlgItem(box, IDOK) != nullptr;
  g_box.hasYes = GetDlgItem(box, IDYES) != nullptr;
  g_box.noIsDefault = IsDefaultButton(GetDlgItem(box, IDNO));
  PostMessageW(GetDlgItem(box, g_answer), BM_CLICK, 0, 0);
}

class MessageReporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = CreateWindowExA(0, "STATIC", "Besitzer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                            nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    SetActiveWindow(owner);
    ASSERT_EQ(owner, GetActiveWindow());
  }
  void TearDown() override { DestroyWindow(owner); }

  HWND owner = nullptr;
  MessageBoxReporter reporter;
};

TEST_F(MessageReporterTest, FailureShowsTheMessageAloneOverTheActiveWindow) {
  for (FailedStep step : {FailedStep::kTargetFolder, FailedStep::kUnpacking}) {
    SCOPED_TRACE(static_cast<int>(step));
    g_box = BoxSeen();
    g_answer = IDOK;
    SetTimer(nullptr, 0, 50, &AnswerBox);
    reporter.Failure(step, "Kann Zielverzeichnis nicht erstellen!", "C:\\Ziel\\");
    ASSERT_TRUE(g_box.found);
    EXPECT_EQ("Kann Zielverzeichnis nicht erstellen!", g_box.text);
    EXPECT_EQ(owner, g_box.owner);
    EXPECT_TRUE(g_box.hasOk);
    EXPECT_FALSE(g_box.hasYes);
  }
}

TEST_F(MessageReporterTest, ConfirmDefaultsToNoAndAnswersTrueOnlyForYes) {
  const struct {
    int button;
    bool confirmed;
  } cases[] = {{IDYES, true}, {IDNO, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    g_box = BoxSeen();
    g_answer = c.button;
    SetTimer(nullptr, 0, 50, &AnswerBox);
    EXPECT_EQ(c.confirmed, reporter.Confirm("Sind Sie sicher!?"));
    ASSERT_TRUE(g_box.found);
    EXPECT_EQ("Sind Sie sicher!?", g_box.text);
    EXPECT_EQ(owner, g_box.owner);
    EXPECT_TRUE(g_box.hasYes);
    EXPECT_TRUE(g_box.noIsDefault);
  }

  // A box that cannot be shown is no Yes: asked from a thread on a desktop
  // that grants it no window, the question is answered No.
  struct NoWindowRun {
    MessageBoxReporter* reporter;
    HDESK desktop;
    bool moved = false;
    bool confirmed = true;
  } run{&reporter, CreateDesktopA("pxnobox", nullptr, nullptr, 0, DESKTOP_READOBJECTS, nullptr)};
  ASSERT_NE(nullptr, run.desktop);
  g_box = BoxSeen();
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* context) -> DWORD {
        NoWindowRun& r = *static_cast<NoWindowRun*>(context);
        r.moved = SetThreadDesktop(r.desktop) != FALSE;
        if (r.moved) r.confirmed = r.reporter->Confirm("Sind Sie sicher!?");
        return 0;
      },
      &run, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000)) << "the question waited for an answer";
  CloseHandle(thread);
  CloseDesktop(run.desktop);
  ASSERT_TRUE(run.moved);
  EXPECT_FALSE(run.confirmed);
}

}  // namespace
