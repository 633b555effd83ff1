// Binding objects to windows: message maps with their base chain, the
// fallback to the original procedure, reflection to child controls,
// release on WM_NCDESTROY, binding dialog items, GDI owners and message boxes.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/gdi_objects.h"
#include "framework/wnd.h"

namespace {

constexpr UINT kBaseOnly = WM_APP + 1;      // handled by the base class
constexpr UINT kOverridden = WM_APP + 2;    // handled by both; the derived wins
constexpr UINT kDerivedOnly = WM_APP + 3;   // handled by the derived class
constexpr UINT kDeclined = WM_APP + 4;      // the handler declines
constexpr UINT kWithDefault = WM_APP + 5;   // the handler adds to the default result
constexpr UINT kThrows = WM_APP + 6;        // the handler throws
constexpr UINT kUnmapped = WM_APP + 7;
constexpr LRESULT kOriginalAnswer = 1000;

// The original window procedure: answers kOriginalAnswer plus the message
// offset and records what reached it.
std::vector<UINT> g_originalSaw;
LRESULT CALLBACK OriginalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  g_originalSaw.push_back(message);
  if (message >= WM_APP && message < WM_APP + 100) return kOriginalAnswer + (message - WM_APP);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool SawOriginal(UINT message) {
  for (UINT m : g_originalSaw) {
    if (m == message) return true;
  }
  return false;
}

HWND MakeWindow(HWND parent = nullptr, DWORD style = WS_OVERLAPPEDWINDOW) {
  static ATOM atom = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &OriginalProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PxBindingTest";
    return RegisterClassW(&wc);
  }();
  (void)atom;
  return CreateWindowExW(0, L"PxBindingTest", L"", parent != nullptr ? (style | WS_CHILD) : style,
                         10, 10, 200, 100, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

class BaseWnd : public CWnd {
 public:
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        {kBaseOnly, 0, Handler(&BaseWnd::OnBaseOnly)},
        {kOverridden, 0, Handler(&BaseWnd::OnOverridden)},
        {}};
    static const MessageMap map = {CWnd::GetMessageMap(), entries};
    return &map;
  }

  int preSubclassCalls = 0;
  HWND hwndDuringPreSubclass = nullptr;
  LONG_PTR procDuringPreSubclass = 0;

 protected:
  void PreSubclassWindow() override {
    ++preSubclassCalls;
    hwndDuringPreSubclass = GetSafeHwnd();
    procDuringPreSubclass = GetWindowLongPtrW(GetSafeHwnd(), GWLP_WNDPROC);
  }

 private:
  bool OnBaseOnly(WPARAM, LPARAM, LRESULT& result) {
    result = 1;
    return true;
  }
  bool OnOverridden(WPARAM, LPARAM, LRESULT& result) {
    result = 2;
    return true;
  }
};

class DerivedWnd : public BaseWnd {
 public:
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        {kOverridden, 0, Handler(&DerivedWnd::OnOverridden)},
        {kDerivedOnly, 0, Handler(&DerivedWnd::OnDerivedOnly)},
        {kDeclined, 0, Handler(&DerivedWnd::OnDeclined)},
        {kWithDefault, 0, Handler(&DerivedWnd::OnWithDefault)},
        {kThrows, 0, Handler(&DerivedWnd::OnThrows)},
        {}};
    static const MessageMap map = {BaseWnd::GetMessageMap(), entries};
    return &map;
  }

 private:
  bool OnOverridden(WPARAM, LPARAM, LRESULT& result) {
    result = 20;
    return true;
  }
  bool OnDerivedOnly(WPARAM wParam, LPARAM, LRESULT& result) {
    result = 30 + static_cast<LRESULT>(wParam);
    return true;
  }
  bool OnDeclined(WPARAM, LPARAM, LRESULT&) { return false; }
  bool OnWithDefault(WPARAM, LPARAM, LRESULT& result) {
    result = Default() + 1;
    return true;
  }
  bool OnThrows(WPARAM, LPARAM, LRESULT&) { throw std::runtime_error("handler failed"); }
};

class WindowBinding : public ::testing::Test {
 protected:
  void SetUp() override {
    g_originalSaw.clear();
    hwnd = MakeWindow();
    ASSERT_NE(nullptr, hwnd);
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  LRESULT Send(UINT message, WPARAM wParam = 0) { return SendMessageW(hwnd, message, wParam, 0); }

  HWND hwnd = nullptr;
};

TEST_F(WindowBinding, MapChainDecidesAndUnhandledMessagesReachTheOriginalProcedure) {
  DerivedWnd wnd;
  ASSERT_TRUE(wnd.SubclassWindow(hwnd));
  EXPECT_EQ(1, Send(kBaseOnly)) << "base class entry through the chain";
  EXPECT_EQ(20, Send(kOverridden)) << "the derived entry wins";
  EXPECT_EQ(35, Send(kDerivedOnly, 5));
  EXPECT_EQ(kOriginalAnswer + 4, Send(kDeclined)) << "a declining handler falls back";
  EXPECT_EQ(kOriginalAnswer + 7, Send(kUnmapped));
  EXPECT_EQ(kOriginalAnswer + 5 + 1, Send(kWithDefault)) << "Default() runs the original";

  EXPECT_FALSE(SawOriginal(kBaseOnly));
  EXPECT_FALSE(SawOriginal(kDerivedOnly));
  EXPECT_TRUE(SawOriginal(kDeclined));
}

TEST_F(WindowBinding, ExceptionsStayInsideTheWindowProcedure) {
  DerivedWnd wnd;
  ASSERT_TRUE(wnd.SubclassWindow(hwnd));
  EXPECT_EQ(0, Send(kThrows));
  EXPECT_EQ(35, Send(kDerivedOnly, 5)) << "the window keeps working";
}

TEST_F(WindowBinding, PreSubclassWindowRunsOnceBeforeTheProcedureIsReplaced) {
  LONG_PTR original = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
  BaseWnd wnd;
  ASSERT_TRUE(wnd.SubclassWindow(hwnd));
  EXPECT_EQ(1, wnd.preSubclassCalls);
  EXPECT_EQ(hwnd, wnd.hwndDuringPreSubclass);
  EXPECT_EQ(original, wnd.procDuringPreSubclass);
  EXPECT_NE(original, GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
  EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(hwnd));

  BaseWnd second;
  EXPECT_FALSE(second.SubclassWindow(hwnd)) << "one object per window";
  EXPECT_FALSE(wnd.SubclassWindow(MakeWindow())) << "one window per object";
  EXPECT_EQ(0, second.preSubclassCalls);
  EXPECT_FALSE(second.SubclassWindow(nullptr));
}

TEST_F(WindowBinding, DestroyingTheWindowReleasesTheObject) {
  BaseWnd wnd;
  ASSERT_TRUE(wnd.SubclassWindow(hwnd));
  EXPECT_TRUE(wnd.DestroyWindow());
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(nullptr, wnd.GetSafeHwnd());
  EXPECT_TRUE(SawOriginal(WM_NCDESTROY)) << "the original procedure still saw the end";
  EXPECT_FALSE(wnd.DestroyWindow()) << "nothing left to destroy";
  EXPECT_TRUE(wnd.WasEverBound());
}

TEST_F(WindowBinding, DestroyingTheObjectFirstGivesTheWindowItsProcedureBack) {
  LONG_PTR original = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
  {
    DerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(hwnd));
  }
  EXPECT_EQ(original, GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
  EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hwnd));
  EXPECT_EQ(kOriginalAnswer + 3, Send(kDerivedOnly));

  BaseWnd again;
  EXPECT_TRUE(again.SubclassWindow(hwnd)) << "the window can be bound anew";
}

TEST_F(WindowBinding, ObjectDyingUnderAForeignSubclassLeavesAWorkingChain) {
  static WNDPROC below = nullptr;
  struct Foreign {
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
      return CallWindowProcW(below, h, m, w, l);
    }
  };
  {
    DerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(hwnd));
    below = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Foreign::Proc)));
  }
  // Our procedure is still in the chain but has no object: it forwards.
  EXPECT_EQ(kOriginalAnswer + 3, Send(kDerivedOnly));
  DestroyWindow(hwnd);
  EXPECT_TRUE(SawOriginal(WM_NCDESTROY));
}

// ---------------------------------------------------------------- reflection

class ReflectingChild : public CWnd {
 public:
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        {ReflectedMessage(WM_CTLCOLORSTATIC), 0, Handler(&ReflectingChild::OnColor)},
        {ReflectedMessage(WM_COMMAND), STN_CLICKED, Handler(&ReflectingChild::OnClicked)},
        {}};
    static const MessageMap map = {CWnd::GetMessageMap(), entries};
    return &map;
  }
  int clicks = 0;
  HDC colorDc = nullptr;

 private:
  bool OnColor(WPARAM wParam, LPARAM, LRESULT& result) {
    colorDc = reinterpret_cast<HDC>(wParam);
    result = reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH));
    return true;
  }
  bool OnClicked(WPARAM, LPARAM, LRESULT& result) {
    ++clicks;
    result = 0;
    return true;
  }
};

class CommandRecorder : public CWnd {
 public:
  std::vector<WPARAM> commands;

 protected:
  bool OnCommand(WPARAM wParam, LPARAM) override {
    commands.push_back(wParam);
    return false;
  }
};

TEST_F(WindowBinding, ParentReflectsColourAndClickNotificationsToItsChild) {
  CommandRecorder parent;
  ASSERT_TRUE(parent.SubclassWindow(hwnd));
  HWND childHwnd = MakeWindow(hwnd);
  HWND otherChild = MakeWindow(hwnd);
  HWND stranger = MakeWindow();
  ReflectingChild child;
  ASSERT_TRUE(child.SubclassWindow(childHwnd));
  HDC dc = CreateCompatibleDC(nullptr);

  LRESULT brush = SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(childHwnd));
  EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH)), brush);
  EXPECT_EQ(dc, child.colorDc);

  SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(7, STN_CLICKED), reinterpret_cast<LPARAM>(childHwnd));
  EXPECT_EQ(1, child.clicks);
  EXPECT_TRUE(parent.commands.empty()) << "a handled reflection ends there";

  SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(7, STN_DBLCLK), reinterpret_cast<LPARAM>(childHwnd));
  SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(8, STN_CLICKED), reinterpret_cast<LPARAM>(otherChild));
  SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(9, STN_CLICKED), reinterpret_cast<LPARAM>(stranger));
  EXPECT_EQ(1, child.clicks) << "other codes, unbound children and strangers are not reflected";
  EXPECT_EQ(3u, parent.commands.size());

  child.colorDc = nullptr;
  SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(otherChild));
  EXPECT_EQ(nullptr, child.colorDc);
  DeleteDC(dc);
  DestroyWindow(stranger);
}

// ---------------------------------------------------------------- dialog items

TEST_F(WindowBinding, BindDlgItemAttachesEachControlOnce) {
  CWnd dialog;
  ASSERT_TRUE(dialog.SubclassWindow(hwnd));
  HWND first = CreateWindowExW(0, L"STATIC", L"a", WS_CHILD, 0, 0, 10, 10, hwnd,
                               reinterpret_cast<HMENU>(11), nullptr, nullptr);
  HWND second = CreateWindowExW(0, L"STATIC", L"b", WS_CHILD, 0, 20, 10, 10, hwnd,
                                reinterpret_cast<HMENU>(12), nullptr, nullptr);
  BaseWnd control;

  EXPECT_FALSE(dialog.BindDlgItem(99, control)) << "no such item";
  EXPECT_TRUE(dialog.BindDlgItem(11, control));
  EXPECT_TRUE(dialog.BindDlgItem(11, control));
  EXPECT_TRUE(dialog.BindDlgItem(12, control));
  EXPECT_EQ(first, control.GetSafeHwnd());
  EXPECT_EQ(1, control.preSubclassCalls);
  EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(second));

  DestroyWindow(first);
  EXPECT_FALSE(dialog.BindDlgItem(12, control)) << "a control is attached at most once";
  EXPECT_EQ(1, control.preSubclassCalls);
}

// ---------------------------------------------------------------- GDI owners

TEST(GdiOwners, ObjectsAreDeletedWithTheirOwner) {
  LOGFONTA logFont = {};
  logFont.lfHeight = -12;
  lstrcpyA(logFont.lfFaceName, "Arial");
  HFONT first = nullptr;
  HFONT second = nullptr;
  HBRUSH brush = nullptr;
  {
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&logFont));
    first = font;
    ASSERT_TRUE(font.CreateFontIndirect(&logFont));
    second = font;
    EXPECT_EQ(0u, GetObjectType(first)) << "a replaced font is deleted";
    LOGFONTA back = {};
    ASSERT_TRUE(GetFontLogFont(font, &back));
    EXPECT_EQ(-12, back.lfHeight);
    EXPECT_FALSE(font.CreateFontIndirect(nullptr));
    EXPECT_TRUE(font.IsNull());
    EXPECT_EQ(0u, GetObjectType(second));
    ASSERT_TRUE(font.CreateFontIndirect(&logFont));
    second = font;

    CBrush owned(RGB(1, 2, 3));
    brush = owned;
    ASSERT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(brush));
  }
  EXPECT_EQ(0u, GetObjectType(second));
  EXPECT_EQ(0u, GetObjectType(brush));
}

// ---------------------------------------------------------------- message boxes

struct BoxSeen {
  bool found = false;
  HWND owner = nullptr;
  std::string text;
  UINT style = 0;
};
BoxSeen g_box;

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowA("#32770", "Testfrage");
  if (box == nullptr) return;
  KillTimer(nullptr, timer);
  g_box.found = true;
  g_box.owner = GetWindow(box, GW_OWNER);
  char text[128] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
  g_box.text = text;
  g_box.style = GetDlgItem(box, IDNO) != nullptr ? MB_YESNO : MB_OK;
  PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
}

TEST(MessageBoxes, OwnedByTheActiveWindowWithTextCaptionAndStyle) {
  HWND owner = MakeWindow();
  ShowWindow(owner, SW_SHOW);
  SetActiveWindow(owner);
  ASSERT_EQ(owner, GetActiveWindow());
  g_box = BoxSeen();
  SetTimer(nullptr, 0, 50, &AnswerBox);

  int answer = ShowMessageBox("Installation beenden?", "Testfrage",
                              MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);

  EXPECT_EQ(IDNO, answer);
  ASSERT_TRUE(g_box.found);
  EXPECT_EQ(owner, g_box.owner);
  EXPECT_EQ("Installation beenden?", g_box.text);
  EXPECT_EQ(static_cast<UINT>(MB_YESNO), g_box.style);
  DestroyWindow(owner);
}

}  // namespace
