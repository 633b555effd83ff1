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
  for (bool subjectFirst : {false, true}) {
    SCOPED_TRACE(subjectFirst);
    g_box = BoxSeen();
    g_answer = IDOK;
    SetTimer(nullptr, 0, 50, &AnswerBox);
    reporter.Failure("Kann Zielverzeichnis nicht erstellen!", "C:\\Ziel\\", subjectFirst);
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
}

}  // namespace
