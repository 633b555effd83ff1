// The hyperlink on real dialog items: attachment and fitting, fonts and
// colours per state, hovering, clicks and the fallback launch through the
// ".htm" handler.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "controls/hyperlink.h"
#include "controls_dialog.h"
#include "support/px_test_support.h"

using ctltest::BorderSize;
using ctltest::ControlsDialog;
using ctltest::LogFontOf;
using ctltest::PumpUntil;
using ctltest::RectInParent;
using ctltest::TextExtent;

namespace {

const char kEulaAddress[] = "https://www.pixorra.invalid/eula.html";

HFONT WindowFont(HWND hwnd) {
  return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
}

// ---------------------------------------------------------------- fitting

TEST(HyperLinkAttach, LeftAlignedKeepsLeftAndTopAndGetsUnderlinedTextPlusBorder) {
  ControlsDialog dialog;
  HWND item = dialog.Item(IDC_LINK_LEFT);
  RECT before = RectInParent(item);
  SIZE border = BorderSize(item);
  ASSERT_GT(border.cx, 0) << "the test static has a border";
  HFONT dialogFont = WindowFont(item);

  CHyperLink link;
  ASSERT_TRUE(dialog.Attach(IDC_LINK_LEFT, link));

  RECT after = RectInParent(item);
  SIZE text = TextExtent(item, link.underlineFont);
  EXPECT_EQ(before.left, after.left);
  EXPECT_EQ(before.top, after.top);
  EXPECT_EQ(text.cx + border.cx, after.right - after.left);
  EXPECT_EQ(text.cy + border.cy, after.bottom - after.top);
  EXPECT_NE(0u, GetWindowLongA(item, GWL_STYLE) & SS_NOTIFY) << "clicks must be reported";

  // Both fonts are the dialog item's font, one of them underlined.
  LOGFONTA original = LogFontOf(dialogFont);
  LOGFONTA plain = LogFontOf(link.plainFont);
  LOGFONTA underlined = LogFontOf(link.underlineFont);
  EXPECT_STREQ(original.lfFaceName, plain.lfFaceName);
  EXPECT_EQ(original.lfHeight, plain.lfHeight);
  EXPECT_EQ(0, plain.lfUnderline);
  EXPECT_STREQ(original.lfFaceName, underlined.lfFaceName);
  EXPECT_EQ(original.lfHeight, underlined.lfHeight);
  EXPECT_EQ(1, underlined.lfUnderline);
  // The mode was hover already, so resetting it leaves the item's own font
  // (which the plain font copies).
  EXPECT_EQ(dialogFont, WindowFont(item));
}

TEST(HyperLinkAttach, CentredStaticShrinksEquallyOnBothSides) {
  ControlsDialog dialog;
  HWND item = dialog.Item(IDC_LINK_CENTER);
  RECT before = RectInParent(item);

  CHyperLink link;
  ASSERT_TRUE(dialog.Attach(IDC_LINK_CENTER, link));

  RECT after = RectInParent(item);
  SIZE text = TextExtent(item, link.underlineFont);
  const LONG oldWidth = before.right - before.left;
  ASSERT_GT(oldWidth, text.cx + 1) << "the test static is wider than its text";
  EXPECT_EQ(after.left - before.left, before.right - after.right);
  EXPECT_EQ(oldWidth - 2 * ((oldWidth - text.cx) / 2), after.right - after.left);
  EXPECT_EQ(before.top, after.top) << "no SS_CENTERIMAGE: the top stays";
  EXPECT_EQ(text.cy, after.bottom - after.top);
}

TEST(HyperLinkAttach, CentredImageStaticGrowsSidewaysAndShrinksVerticallyAroundItsMiddle) {
  ControlsDialog dialog;
  HWND item = dialog.Item(IDC_LINK_CENTER_NARROW);
  RECT before = RectInParent(item);

  CHyperLink link;
  ASSERT_TRUE(dialog.Attach(IDC_LINK_CENTER_NARROW, link));

  RECT after = RectInParent(item);
  SIZE text = TextExtent(item, link.underlineFont);
  const LONG oldWidth = before.right - before.left;
  const LONG oldHeight = before.bottom - before.top;
  ASSERT_LT(oldWidth, text.cx) << "the test static is narrower than its text";
  ASSERT_GT(oldHeight, text.cy) << "and taller";
  // Equal amounts on both sides; the halving truncates toward zero, also
  // when the window grows.
  EXPECT_EQ(after.left - before.left, before.right - after.right);
  EXPECT_EQ(after.top - before.top, before.bottom - after.bottom);
  EXPECT_EQ(oldWidth - 2 * ((oldWidth - text.cx) / 2), after.right - after.left);
  EXPECT_EQ(oldHeight - 2 * ((oldHeight - text.cy) / 2), after.bottom - after.top);
  EXPECT_LE(std::abs((after.right - after.left) - text.cx), 1);
}

TEST(HyperLinkAttach, RightAlignedStaticKeepsItsRightEdge) {
  ControlsDialog dialog;
  HWND item = dialog.Item(IDC_LINK_RIGHT);
  RECT before = RectInParent(item);

  CHyperLink link;
  ASSERT_TRUE(dialog.Attach(IDC_LINK_RIGHT, link));

  RECT after = RectInParent(item);
  SIZE text = TextExtent(item, link.underlineFont);
  EXPECT_EQ(before.right, after.right);
  EXPECT_EQ(before.right - text.cx, after.left);
  EXPECT_EQ(before.top, after.top);
}

TEST(HyperLinkAttach, SetLinkTargetKeepsTheTextAndRefits) {
  ControlsDialog dialog;
  HWND item = dialog.Item(IDC_LINK_LEFT);
  CHyperLink link;
  ASSERT_TRUE(dialog.Attach(IDC_LINK_LEFT, link));
  EXPECT_EQ("Pixorra EULA", link.linkTarget) << "an empty target takes the window text";
  RECT fitted = RectInParent(item);

  SetWindowPos(item, nullptr, 0, 0, 400, 60, SWP_NOMOVE | SWP_NOZORDER);
  link.SetLinkTarget(kEulaAddress);

  EXPECT_EQ(kEulaAddress, link.linkTarget);
  EXPECT_EQ("Pixorra EULA", link.GetWindowText());
  RECT refitted = RectInParent(item);
  EXPECT_EQ(fitted.left, refitted.left);
  EXPECT_EQ(fitted.top, refitted.top);
  EXPECT_EQ(fitted.right, refitted.right);
  EXPECT_EQ(fitted.bottom, refitted.bottom);
}

TEST(HyperLinkAttach, EmptyWindowTextShowsThePresetTarget) {
  ControlsDialog dialog;
  CHyperLink link;
  link.SetLinkTarget(kEulaAddress);  // no window yet: stored only
  ASSERT_TRUE(dialog.Attach(IDC_LINK_EMPTY, link));
  EXPECT_EQ(kEulaAddress, link.GetWindowText());
  EXPECT_EQ(kEulaAddress, link.linkTarget);
}

TEST(HyperLinkAttach, AttachesOnlyOncePerObject) {
  ControlsDialog dialog;
  CHyperLink link;
  ASSERT_TRUE(dialog.Attach(IDC_LINK_LEFT, link));
  HFONT firstPlain = link.plainFont;
  RECT otherBefore = RectInParent(dialog.Item(IDC_LINK_RIGHT));

  EXPECT_TRUE(dialog.Attach(IDC_LINK_LEFT, link));
  dialog.Attach(IDC_LINK_RIGHT, link);

  EXPECT_EQ(dialog.Item(IDC_LINK_LEFT), link.GetSafeHwnd());
  EXPECT_EQ(firstPlain, link.plainFont.GetSafeHandle()) << "no second set of fonts";
  RECT otherAfter = RectInParent(dialog.Item(IDC_LINK_RIGHT));
  EXPECT_EQ(otherBefore.left, otherAfter.left) << "the other item was not touched";
  EXPECT_EQ(otherBefore.right, otherAfter.right);
}

TEST(HyperLinkAttach, WindowWithoutFontUsesTheStockGuiFont) {
  ControlsDialog dialog;
  // A static made without WM_SETFONT has no font of its own.
  HWND item = CreateWindowExA(0, "STATIC", "Ohne Schrift", WS_CHILD | WS_VISIBLE, 10, 170, 100, 20,
                              dialog.hwnd(), reinterpret_cast<HMENU>(300), nullptr, nullptr);
  ASSERT_NE(nullptr, item);
  ASSERT_EQ(nullptr, WindowFont(item));

  CHyperLink link;
  ASSERT_TRUE(dialog.Attach(300, link));

  LOGFONTA stock = LogFontOf(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  LOGFONTA plain = LogFontOf(link.plainFont);
  EXPECT_STREQ(stock.lfFaceName, plain.lfFaceName);
  EXPECT_EQ(stock.lfHeight, plain.lfHeight);
  EXPECT_EQ(1, LogFontOf(link.underlineFont).lfUnderline);
}

// ---------------------------------------------------------------- fonts and colours

TEST(HyperLinkState, UnderlineModesSetTheMatchingFont) {
  ControlsDialog dialog;
  HWND item = dialog.Item(IDC_LINK_LEFT);
  CHyperLink link;
  link.SetUnderlineMode(CHyperLink::UnderlineAlways);  // before attaching: stored only
  EXPECT_EQ(CHyperLink::UnderlineAlways, link.underlineMode);
  ASSERT_TRUE(dialog.Attach(IDC_LINK_LEFT, link));
  EXPECT_EQ(CHyperLink::UnderlineOnHover, link.underlineMode) << "attaching resets the mode";
  EXPECT_EQ(link.plainFont.GetSafeHandle(), WindowFont(item));

  link.SetUnderlineMode(CHyperLink::UnderlineAlways);
  EXPECT_EQ(link.underlineFont.GetSafeHandle(), WindowFont(item));
  link.SetUnderlineMode(CHyperLink::UnderlineNever);
  EXPECT_EQ(link.plainFont.GetSafeHandle(), WindowFont(item));

  // Setting the mode it already has changes nothing, not even the font.
  SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(link.underlineFont.GetSafeHandle()), 0);
  link.SetUnderlineMode(CHyperLink::UnderlineNever);
  EXPECT_EQ(link.underlineFont.GetSafeHandle(), WindowFont(item));
}

TEST(HyperLinkState, ColourRequestAnswersWithTheStateColourAndNoBackground) {
  ControlsDialog dialog;
  HWND item = dialog.Item(IDC_LINK_LEFT);
  CHyperLink link;
  ASSERT_TRUE(dialog.Attach(IDC_LINK_LEFT, link));
  const HBRUSH nullBrush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));

  auto answer = dialog.AskColor(item);
  EXPECT_EQ(nullBrush, answer.brush);
  EXPECT_EQ(RGB(0, 0, 238), answer.textColor);
  EXPECT_EQ(TRANSPARENT, answer.backgroundMode);

  link.isVisited = TRUE;
  EXPECT_EQ(RGB(85, 26, 139), dialog.AskColor(item).textColor);
  link.isHovering = TRUE;
  EXPECT_EQ(RGB(255, 0, 0), dialog.AskColor(item).textColor) << "hover wins over visited";

  // A static nobody attached gets the dialog's own answer.
  auto plain = dialog.AskColor(dialog.Item(IDC_PLAIN_TEXT));
  EXPECT_NE(nullBrush, plain.brush);
  EXPECT_NE(RGB(255, 0, 0), plain.textColor);
}

TEST(HyperLinkState, BackgroundIsFilledWithTheButtonFaceColour) {
  ControlsDialog dialog;
  CHyperLink link;
  ASSERT_TRUE(dialog.Attach(IDC_LINK_LEFT, link));
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(200, 60, 1, 32, nullptr);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  RECT all = {0, 0, 200, 60};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  EXPECT_EQ(TRUE, SendMessageW(link, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0));
  RECT client = {};
  GetClientRect(link, &client);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetPixel(dc, 0, 0));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetPixel(dc, client.right - 1, client.bottom - 1));
  EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, client.right + 1, 0)) << "only the client area";

  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST(HyperLinkState, CursorHandlerShowsTheHandCursorOnlyWhenThereIsOne) {
  ControlsDialog dialog;
  CHyperLink link;
  ASSERT_TRUE(dialog.Attach(IDC_LINK_LEFT, link));

  // Whether the help program carries the cursor depends on the system.
  char path[MAX_PATH] = {};
  GetWindowsDirectoryA(path, MAX_PATH);
  lstrcatA(path, "\\winhlp32.exe");
  HMODULE help = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  bool available = help != nullptr &&
                   FindResourceA(help, MAKEINTRESOURCEA(106), MAKEINTRESOURCEA(12)) != nullptr;
  if (help != nullptr) FreeLibrary(help);
  EXPECT_EQ(available, link.handCursor != nullptr);

  if (link.handCursor == nullptr) {
    EXPECT_EQ(FALSE, SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link.GetSafeHwnd()),
                                  MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    link.handCursor = CopyIcon(LoadCursorA(nullptr, IDC_HAND));
    ASSERT_NE(nullptr, link.handCursor);
  }
  HCURSOR kept = link.handCursor;
  link.LoadHandCursor();
  EXPECT_EQ(kept, link.handCursor) << "loaded once";
  EXPECT_EQ(TRUE, SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link.GetSafeHwnd()),
                               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(link.handCursor, GetCursor());
}

// ---------------------------------------------------------------- hovering

class HyperLinkHover : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dialog.Attach(IDC_LINK_LEFT, link));
    RECT rect = {};
    GetWindowRect(link, &rect);
    inside = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    SetCursorPos(inside.x, inside.y);
  }
  void TearDown() override { SetCursorPos(5, 5); }

  void Enter() {
    SetCursorPos(inside.x, inside.y);
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  }
  bool LeaveAndWait() {
    SetCursorPos(5, 5);
    return PumpUntil([&] { return !link.isHovering; }, 2000);
  }
  HFONT Font() const { return WindowFont(link); }

  ControlsDialog dialog;
  CHyperLink link;
  POINT inside{};
};

TEST_F(HyperLinkHover, MouseMoveStartsHoveringAndTheTimerEndsItOutside) {
  Enter();
  EXPECT_TRUE(link.isHovering);
  EXPECT_EQ(link.underlineFont.GetSafeHandle(), Font());
  EXPECT_EQ(RGB(255, 0, 0), dialog.AskColor(link).textColor);

  ctltest::PumpMessages(350);  // several ticks with the pointer over the link
  EXPECT_TRUE(link.isHovering) << "the pointer is still inside";

  DWORD start = GetTickCount();
  ASSERT_TRUE(LeaveAndWait());
  EXPECT_LT(GetTickCount() - start, 1000u) << "leaving shows within about one tick";
  EXPECT_EQ(link.plainFont.GetSafeHandle(), Font());
  EXPECT_EQ(RGB(0, 0, 238), dialog.AskColor(link).textColor);
  EXPECT_FALSE(KillTimer(link, CHyperLink::kHoverTimerId)) << "the hover timer was stopped";
}

TEST_F(HyperLinkHover, AlwaysUnderlinedStaysUnderlinedAfterLeaving) {
  link.SetUnderlineMode(CHyperLink::UnderlineAlways);
  Enter();
  EXPECT_EQ(link.underlineFont.GetSafeHandle(), Font());
  ASSERT_TRUE(LeaveAndWait());
  EXPECT_EQ(link.underlineFont.GetSafeHandle(), Font());
}

TEST_F(HyperLinkHover, NeverUnderlinedStaysPlainWhileHovering) {
  link.SetUnderlineMode(CHyperLink::UnderlineNever);
  Enter();
  EXPECT_TRUE(link.isHovering);
  EXPECT_EQ(link.plainFont.GetSafeHandle(), Font());
  EXPECT_EQ(RGB(255, 0, 0), dialog.AskColor(link).textColor);
  ASSERT_TRUE(LeaveAndWait());
}

TEST_F(HyperLinkHover, DestroyWindowReleasesTheControl) {
  Enter();
  HWND item = link.GetSafeHwnd();
  EXPECT_TRUE(link.DestroyWindow());
  EXPECT_FALSE(IsWindow(item));
  EXPECT_EQ(nullptr, link.GetSafeHwnd());
  link.SetLinkTarget(kEulaAddress);  // no window: only stored
  EXPECT_EQ(kEulaAddress, link.linkTarget);
  ctltest::PumpMessages(250);
}

}  // namespace
