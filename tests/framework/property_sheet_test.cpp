// The wizard sheet and its pages, run modally and driven by a script of
// steps that a thread timer plays while DoModal's message loop runs.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/property_sheet.h"
#include "framework_test_ids.h"

namespace {

std::vector<std::string> g_log;

class TestSheet;

class TestPage : public CPropertyPage {
 public:
  TestPage(const char* name, UINT templateId) : CPropertyPage(templateId), name_(name) {}

  LRESULT nextResult = 0;
  LRESULT backResult = 0;
  bool allowLeaving = true;
  bool throwOnNext = false;

  bool OnInitDialog() override {
    Log("OnInitDialog");
    return CPropertyPage::OnInitDialog();
  }
  bool OnSetActive() override {
    Log("OnSetActive");
    return CPropertyPage::OnSetActive();
  }
  bool OnKillActive() override {
    Log("OnKillActive");
    CPropertyPage::OnKillActive();
    return allowLeaving;
  }
  LRESULT OnWizardNext() override {
    Log("OnWizardNext");
    if (throwOnNext) throw std::runtime_error("page step failed");
    return nextResult;
  }
  LRESULT OnWizardBack() override {
    Log("OnWizardBack");
    return backResult;
  }
  void DoDataExchange(bool save) override { Log(save ? "DDX(save)" : "DDX(load)"); }

 private:
  // Each entry also tells which page the sheet reported as active then.
  void Log(const std::string& what) {
    int active = GetParentSheet() != nullptr ? GetParentSheet()->GetActiveIndex() : -9;
    g_log.push_back(name_ + "." + what + "@" + std::to_string(active));
  }
  std::string name_;
};

class TestSheet : public CPropertySheet {
 public:
  TestSheet() : CPropertySheet("Testassistent") {}

  bool blockCancel = false;
  bool blockClose = false;
  int cancelCommands = 0;
  int closeRequests = 0;
  std::vector<UINT_PTR> timerIds;
  std::string cancelTextAfterInit;

  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        {WM_SYSCOMMAND, 0, Handler(&TestSheet::OnSysCommand)},
        {WM_TIMER, 0, Handler(&TestSheet::OnTimer)},
        {}};
    static const MessageMap map = {CPropertySheet::GetMessageMap(), entries};
    return &map;
  }

  void OnInitDialog() override {
    g_log.push_back("Sheet.OnInitDialog");
    SetDlgItemText(IDCANCEL, "&Beenden");
    char text[64] = {};
    GetDlgItemText(IDCANCEL, text, sizeof(text));
    cancelTextAfterInit = text;
  }

 protected:
  bool OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) == IDCANCEL) {
      ++cancelCommands;
      if (blockCancel) return true;
    }
    return CPropertySheet::OnCommand(wParam, lParam);
  }

 private:
  bool OnSysCommand(WPARAM wParam, LPARAM, LRESULT& result) {
    if ((wParam & 0xFFF0) == SC_CLOSE) {
      ++closeRequests;
      if (blockClose) {
        result = 0;
        return true;
      }
    }
    return false;
  }
  bool OnTimer(WPARAM wParam, LPARAM, LRESULT& result) {
    timerIds.push_back(wParam);
    result = 0;
    return true;
  }
};

// Plays steps, one per tick, while the sheet runs modally. When the steps
// are done and the sheet is still open after a while, it is closed by force
// (and the test fails on that).
class Script {
 public:
  using Step = std::function<void(TestSheet&)>;

  Script(TestSheet& sheet, std::vector<Step> steps) : sheet_(sheet), steps_(std::move(steps)) {}

  INT_PTR Run() {
    current_ = this;
    UINT_PTR timer = SetTimer(nullptr, 0, 60, &Script::Tick);
    INT_PTR result = sheet_.DoModal();
    KillTimer(nullptr, timer);
    current_ = nullptr;
    return result;
  }
  bool forcedClose = false;
  size_t stepsRun = 0;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* self = current_;
    if (self == nullptr || self->sheet_.GetSafeHwnd() == nullptr || self->inStep_) return;
    self->inStep_ = true;
    if (self->stepsRun < self->steps_.size()) {
      self->steps_[self->stepsRun++](self->sheet_);
    } else if (++self->idleTicks_ > 30) {
      self->forcedClose = true;
      self->sheet_.blockCancel = false;
      PostMessageW(self->sheet_, WM_COMMAND, IDCANCEL, 0);
    }
    self->inStep_ = false;
  }

  static Script* current_;
  TestSheet& sheet_;
  std::vector<Step> steps_;
  int idleTicks_ = 0;
  bool inStep_ = false;
};
Script* Script::current_ = nullptr;

void PressNext(TestSheet& sheet) { PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0); }
void PressBack(TestSheet& sheet) { PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0); }
// A click on the Cancel button, as the user makes it.
void ClickCancel(TestSheet& sheet) { PostMessageW(sheet.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0); }
void Wait(TestSheet&) {}

// The page comctl32 itself shows, as an index.
int ShownIndex(TestSheet& sheet) {
  HWND page = reinterpret_cast<HWND>(sheet.SendMessage(PSM_GETCURRENTPAGEHWND));
  return static_cast<int>(sheet.SendMessage(PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page)));
}

std::vector<std::string> LogBetween(size_t from, size_t to) {
  return std::vector<std::string>(g_log.begin() + static_cast<long>(from),
                                  g_log.begin() + static_cast<long>(to));
}

class Wizard : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    for (TestPage* page : pages) sheet.AddPage(page);
  }

  TestPage page0{"P0", IDD_TEST_PAGE_0};
  TestPage page1{"P1", IDD_TEST_PAGE_1};
  TestPage page2{"P2", IDD_TEST_PAGE_2};
  TestPage page3{"P3", IDD_TEST_PAGE_3};
  std::vector<TestPage*> pages{&page0, &page1, &page2, &page3};
  TestSheet sheet;
};

TEST_F(Wizard, PagesAreKeptInOrderAndTheStartPageIsActiveBeforeTheWindowExists) {
  EXPECT_EQ(4, sheet.GetPageCount());
  EXPECT_EQ(&page2, sheet.GetPage(2));
  EXPECT_EQ(nullptr, sheet.GetPage(4));
  EXPECT_EQ(nullptr, sheet.GetPage(-1));
  EXPECT_EQ(3, sheet.GetPageIndex(&page3));
  EXPECT_EQ(0, sheet.GetActiveIndex());
  EXPECT_EQ(&sheet, page1.GetParentSheet());

  CPropertySheet empty("Leer");
  EXPECT_EQ(-1, empty.DoModal()) << "a sheet without pages does not run";
}

TEST_F(Wizard, NextAndBackCallThePageVirtualsInOrder) {
  size_t marks[4] = {};
  Script script(sheet, {
      [&](TestSheet& s) { marks[0] = g_log.size(); PressNext(s); },
      [&](TestSheet& s) { marks[1] = g_log.size(); PressBack(s); },
      [&](TestSheet& s) { marks[2] = g_log.size(); PressNext(s); },
      [&](TestSheet& s) { marks[3] = g_log.size(); ClickCancel(s); },
  });
  EXPECT_EQ(0, script.Run()) << "closed through Cancel";
  EXPECT_FALSE(script.forcedClose);

  // Start: the sheet's own initialisation creates and activates page 0.
  EXPECT_EQ((std::vector<std::string>{"Sheet.OnInitDialog", "P0.OnInitDialog@0", "P0.DDX(load)@0",
                                      "P0.OnSetActive@0"}),
            LogBetween(0, marks[0]));
  // Next to a page whose window is new: created, then activated without a
  // second exchange.
  EXPECT_EQ((std::vector<std::string>{"P0.OnWizardNext@0", "P0.OnKillActive@0", "P0.DDX(save)@0",
                                      "P1.OnInitDialog@1", "P1.DDX(load)@1", "P1.OnSetActive@1"}),
            LogBetween(marks[0], marks[1]));
  EXPECT_EQ((std::vector<std::string>{"P1.OnWizardBack@1", "P1.OnKillActive@1", "P1.DDX(save)@1",
                                      "P0.OnSetActive@0", "P0.DDX(load)@0"}),
            LogBetween(marks[1], marks[2]));
  // Next to a page that exists already: activation exchanges data.
  EXPECT_EQ((std::vector<std::string>{"P0.OnWizardNext@0", "P0.OnKillActive@0", "P0.DDX(save)@0",
                                      "P1.OnSetActive@1", "P1.DDX(load)@1"}),
            LogBetween(marks[2], marks[3]));
  EXPECT_EQ(1, sheet.GetActiveIndex());
  EXPECT_EQ(nullptr, page1.GetSafeHwnd()) << "released with the sheet's windows";
}

TEST_F(Wizard, PageReturningMinusOneStays) {
  page0.nextResult = -1;
  int shown = -2;
  Script script(sheet, {PressNext, Wait,
                        [&](TestSheet& s) { shown = ShownIndex(s); ClickCancel(s); }});
  script.Run();
  EXPECT_EQ(0, shown);
  EXPECT_EQ(0, sheet.GetActiveIndex());
  for (const std::string& entry : g_log) {
    EXPECT_EQ(std::string::npos, entry.find("OnKillActive")) << entry;
    EXPECT_EQ(std::string::npos, entry.find("P1.")) << entry;
  }
}

TEST_F(Wizard, PageReturningATemplateIdJumpsThere) {
  page0.nextResult = IDD_TEST_PAGE_2;
  int shownAfterJump = -2;
  int shownAfterBack = -2;
  Script script(sheet, {
      PressNext,
      [&](TestSheet& s) { shownAfterJump = ShownIndex(s); PressBack(s); },
      [&](TestSheet& s) { shownAfterBack = ShownIndex(s); ClickCancel(s); },
  });
  script.Run();
  EXPECT_EQ(2, shownAfterJump);
  EXPECT_EQ(1, shownAfterBack) << "a plain Back goes to the previous index, not where the jump began";
  EXPECT_FALSE(script.forcedClose);
}

TEST_F(Wizard, BackReturningATemplateIdJumpsThere) {
  page0.nextResult = IDD_TEST_PAGE_3;
  page3.backResult = IDD_TEST_PAGE_0;
  int shownAfterBack = -2;
  Script script(sheet, {PressNext, PressBack,
                        [&](TestSheet& s) { shownAfterBack = ShownIndex(s); ClickCancel(s); }});
  script.Run();
  EXPECT_EQ(0, shownAfterBack);
  EXPECT_EQ(0, sheet.GetActiveIndex());
  EXPECT_EQ(nullptr, page1.GetSafeHwnd());
  EXPECT_TRUE(page1.WasEverBound() == false) << "page 1 was never shown";
}

TEST_F(Wizard, PageWhoseNextStepThrowsStays) {
  page0.throwOnNext = true;
  int shown = -2;
  Script script(sheet, {PressNext, [&](TestSheet& s) { shown = ShownIndex(s); ClickCancel(s); }});
  script.Run();
  EXPECT_EQ(0, shown);
  EXPECT_FALSE(script.forcedClose) << "the sheet still works";
}

TEST_F(Wizard, PageRefusingToBeLeftStays) {
  page0.allowLeaving = false;
  int shown = -2;
  Script script(sheet, {PressNext, [&](TestSheet& s) { shown = ShownIndex(s); ClickCancel(s); }});
  script.Run();
  EXPECT_EQ(0, shown);
  EXPECT_EQ(0, sheet.GetActiveIndex());
}

TEST_F(Wizard, InitDialogSeesTheCreatedSheetAndCanRenameCancel) {
  std::string cancelText;
  bool unicode = false;
  Script script(sheet, {[&](TestSheet& s) {
    char text[64] = {};
    s.GetDlgItemText(IDCANCEL, text, sizeof(text));
    cancelText = text;
    unicode = IsWindowUnicode(s) != FALSE;
    ClickCancel(s);
  }});
  script.Run();
  EXPECT_EQ("&Beenden", sheet.cancelTextAfterInit);
  EXPECT_EQ("&Beenden", cancelText);
  EXPECT_TRUE(unicode);
}

TEST_F(Wizard, SheetCanConsumeTheCancelCommand) {
  sheet.blockCancel = true;
  bool openAfterBlockedCancel = false;
  Script script(sheet, {
      ClickCancel,
      Wait,
      [&](TestSheet& s) {
        openAfterBlockedCancel = IsWindow(s) && IsWindowVisible(s);
        s.blockCancel = false;
        ClickCancel(s);
      },
  });
  EXPECT_EQ(0, script.Run());
  EXPECT_FALSE(script.forcedClose);
  EXPECT_TRUE(openAfterBlockedCancel);
  EXPECT_EQ(2, sheet.cancelCommands);
}

TEST_F(Wizard, SheetCanConsumeTheCloseBox) {
  sheet.blockClose = true;
  bool openAfterBlockedClose = false;
  int cancelsAfterBlockedClose = -1;
  Script script(sheet, {
      [](TestSheet& s) { PostMessageW(s, WM_SYSCOMMAND, SC_CLOSE, 0); },
      Wait,
      [&](TestSheet& s) {
        openAfterBlockedClose = IsWindow(s) && IsWindowVisible(s);
        cancelsAfterBlockedClose = s.cancelCommands;
        s.blockClose = false;
        PostMessageW(s, WM_SYSCOMMAND, SC_CLOSE, 0);
      },
  });
  script.Run();
  EXPECT_FALSE(script.forcedClose) << "an unblocked close box closes the sheet";
  EXPECT_TRUE(openAfterBlockedClose);
  EXPECT_EQ(0, cancelsAfterBlockedClose) << "a consumed close box sends no Cancel";
  EXPECT_EQ(2, sheet.closeRequests);
  // comctl32 closes on the close box without a Cancel command: a sheet that
  // asks before closing asks in both handlers, and never twice.
  EXPECT_EQ(0, sheet.cancelCommands);
}

TEST_F(Wizard, TimerMessagesReachTheSheetsHandler) {
  Script script(sheet, {
      [](TestSheet& s) { s.SetTimer(2013, 20); },
      Wait,
      Wait,
      [](TestSheet& s) {
        s.KillTimer(2013);
        ClickCancel(s);
      },
  });
  script.Run();
  ASSERT_FALSE(sheet.timerIds.empty());
  for (UINT_PTR id : sheet.timerIds) EXPECT_EQ(2013u, id);
}

}  // namespace
