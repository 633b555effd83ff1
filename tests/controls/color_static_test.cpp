// The colour static: its font rules and what it paints.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "controls/color_static.h"
#include "controls_dialog.h"

using ctltest::ControlsDialog;
using ctltest::LogFontOf;
using ctltest::Pixels;

namespace {

const COLORREF kRed = RGB(255, 0, 0);

HFONT WindowFont(HWND hwnd) {
  return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
}

using ctltest::IsGreenish;
using ctltest::IsReddish;

// ---------------------------------------------------------------- members and fonts

TEST(ColorStatic, StartsWithSystemColoursAndABrushOfTheBackground) {
  CXColorStatic note;
  EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), note.textColor);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), note.backColor);
  EXPECT_FALSE(note.isBold);
  ASSERT_TRUE(note.backBrush);
  LOGBRUSH brush = {};
  ASSERT_EQ(static_cast<int>(sizeof(brush)), GetObjectA(*note.backBrush, sizeof(brush), &brush));
  EXPECT_EQ(static_cast<UINT>(BS_SOLID), brush.lbStyle);
  EXPECT_EQ(note.backColor, brush.lbColor);
  EXPECT_TRUE(note.labelFont.IsNull());
}

TEST(ColorStatic, AttachingCopiesTheItemsFontUnchanged) {
  ControlsDialog dialog;
  HWND item = dialog.Item(IDC_NOTE_CENTERED);
  HFONT itemFont = WindowFont(item);
  CXColorStatic note;
  note.isBold = TRUE;  // the bold rule does not apply to the copy
  ASSERT_TRUE(dialog.Attach(IDC_NOTE_CENTERED, note));

  LOGFONTA original = LogFontOf(itemFont);
  LOGFONTA label = LogFontOf(note.labelFont);
  EXPECT_STREQ(original.lfFaceName, label.lfFaceName);
  EXPECT_EQ(original.lfHeight, label.lfHeight);
  EXPECT_EQ(original.lfWeight, label.lfWeight);
  EXPECT_NE(itemFont, note.labelFont.GetSafeHandle()) << "a font of its own";
}

TEST(ColorStatic, ColourBoldFontOrderGivesBoldArialOfHeight18) {
  ControlsDialog dialog;
  HWND item = dialog.Item(IDC_NOTE_CENTERED);
  HFONT itemFont = WindowFont(item);
  CXColorStatic note;
  ASSERT_TRUE(dialog.Attach(IDC_NOTE_CENTERED, note));

  note.SetLabelColor(kRed, FALSE);
  note.SetLabelBold(TRUE, TRUE);
  note.SetLabelFont("Arial", 18, TRUE);

  LOGFONTA label = LogFontOf(note.labelFont);
  EXPECT_STREQ("Arial", label.lfFaceName);
  EXPECT_EQ(18, label.lfHeight);
  EXPECT_EQ(FW_BOLD, label.lfWeight);
  EXPECT_EQ(ANTIALIASED_QUALITY, label.lfQuality);
  // Every other field of a face-named font is zero.
  EXPECT_EQ(0, label.lfWidth);
  EXPECT_EQ(0, label.lfItalic);
  EXPECT_EQ(0, label.lfUnderline);
  EXPECT_EQ(0, label.lfCharSet);
  EXPECT_EQ(kRed, note.textColor);
  EXPECT_EQ(itemFont, WindowFont(item)) << "the window's own font is never changed";
}

TEST(ColorStatic, BoldAfterFontRebuildsFromTheWindowFontAndLosesFaceAndHeight) {
  ControlsDialog dialog;
  CXColorStatic note;
  ASSERT_TRUE(dialog.Attach(IDC_NOTE_CENTERED, note));
  LOGFONTA windowFont = LogFontOf(WindowFont(note));

  note.SetLabelFont("Arial", 18, FALSE);
  note.SetLabelBold(TRUE, FALSE);

  LOGFONTA label = LogFontOf(note.labelFont);
  EXPECT_STREQ(windowFont.lfFaceName, label.lfFaceName);
  EXPECT_EQ(windowFont.lfHeight, label.lfHeight);
  EXPECT_EQ(FW_BOLD, label.lfWeight);

  note.SetLabelBold(FALSE, FALSE);
  EXPECT_EQ(FW_NORMAL, LogFontOf(note.labelFont).lfWeight);
}

TEST(ColorStatic, FontWithoutFaceKeepsTheWindowFontButHeightAndQuality) {
  ControlsDialog dialog;
  CXColorStatic note;
  ASSERT_TRUE(dialog.Attach(IDC_NOTE_CENTERED, note));
  LOGFONTA windowFont = LogFontOf(WindowFont(note));

  note.SetLabelFont(nullptr, -30, FALSE);

  LOGFONTA label = LogFontOf(note.labelFont);
  EXPECT_STREQ(windowFont.lfFaceName, label.lfFaceName);
  EXPECT_EQ(windowFont.lfCharSet, label.lfCharSet);
  EXPECT_EQ(-30, label.lfHeight);
  EXPECT_EQ(ANTIALIASED_QUALITY, label.lfQuality);
}

TEST(ColorStatic, LongFaceNameIsCutTo31Characters) {
  CXColorStatic note;  // no window: nothing to redraw
  std::string face(40, 'F');
  note.SetLabelFont(face.c_str(), 12, TRUE);
  LOGFONTA label = LogFontOf(note.labelFont);
  EXPECT_EQ(std::string(31, 'F'), std::string(label.lfFaceName));
}

TEST(ColorStatic, FontRulesWorkWithoutWindowOrWindowFont) {
  CXColorStatic unattached;
  unattached.SetLabelBold(TRUE, TRUE);
  LOGFONTA stock = LogFontOf(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  LOGFONTA label = LogFontOf(unattached.labelFont);
  EXPECT_STREQ(stock.lfFaceName, label.lfFaceName);
  EXPECT_EQ(FW_BOLD, label.lfWeight);
  unattached.RebuildFont(nullptr, TRUE);
  EXPECT_FALSE(unattached.labelFont.IsNull()) << "a null LOGFONT changes nothing";

  ControlsDialog dialog;
  HWND bare = CreateWindowExA(0, "STATIC", "Ohne Schrift", WS_CHILD | WS_VISIBLE, 10, 170, 100, 20,
                              dialog.hwnd(), reinterpret_cast<HMENU>(301), nullptr, nullptr);
  ASSERT_EQ(nullptr, WindowFont(bare));
  CXColorStatic note;
  ASSERT_TRUE(dialog.Attach(301, note));
  EXPECT_STREQ(stock.lfFaceName, LogFontOf(note.labelFont).lfFaceName);
  note.SetLabelFont(nullptr, 20, TRUE);
  EXPECT_STREQ(stock.lfFaceName, LogFontOf(note.labelFont).lfFaceName);
  EXPECT_EQ(20, LogFontOf(note.labelFont).lfHeight);
}

TEST(ColorStatic, FontAndBrushAreDeletedWithTheControl) {
  HFONT font = nullptr;
  HBRUSH brush = nullptr;
  {
    CXColorStatic note;
    note.SetLabelFont("Arial", 18, FALSE);
    HFONT first = note.labelFont;
    note.SetLabelFont("Arial", 20, FALSE);
    EXPECT_EQ(0u, GetObjectType(first)) << "a replaced font is deleted at once";
    font = note.labelFont;
    brush = *note.backBrush;
    ASSERT_EQ(static_cast<DWORD>(OBJ_FONT), GetObjectType(font));
    ASSERT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(brush));
  }
  EXPECT_EQ(0u, GetObjectType(font));
  EXPECT_EQ(0u, GetObjectType(brush));
}

// ---------------------------------------------------------------- painting

class ColorStaticPaint : public ::testing::Test {
 protected:
  void Attach(int id) {
    ASSERT_TRUE(dialog.Attach(id, note));
    note.SetLabelColor(kRed, FALSE);
    note.SetLabelBold(TRUE, TRUE);
    note.SetLabelFont("Arial", 18, TRUE);
    ASSERT_TRUE(PaintSettled());
  }

  // The pixels read next are the note's last painting. The dialog has no
  // WS_CLIPCHILDREN: a paint of its own that comes after the note's (an
  // update the window system hands it late) fills the note's place with
  // the dialog's background, and the note, already valid, does not paint
  // again. So nothing may be left pending, and the dialog and its items are
  // painted once more in their order, the dialog first, before any pixel is
  // read; reading them pumps no message.
  bool PaintSettled() {
    const bool settled = ctltest::PumpUntil(
        [this] {
          return !GetUpdateRect(dialog.hwnd(), nullptr, FALSE) && !GetUpdateRect(note, nullptr, FALSE);
        },
        5000);
    RedrawWindow(dialog.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return settled;
  }

  ControlsDialog dialog;
  CXColorStatic note;
};

TEST_F(ColorStaticPaint, CentredImageStyleDrawsOneCentredLineOnTheBackground) {
  Attach(IDC_NOTE_CENTERED);
  Pixels pixels(note);
  ASSERT_GT(pixels.width, 0);
  EXPECT_EQ(note.backColor, pixels.At(0, 0));
  EXPECT_EQ(note.backColor, pixels.At(pixels.width - 1, pixels.height - 1));

  RECT text = pixels.BoundsOf(IsReddish);
  ASSERT_GT(text.right, text.left) << "no text pixels in the text colour";
  EXPECT_LE(text.bottom - text.top, 24) << "one line of height 18";
  EXPECT_LE(std::abs((text.top + text.bottom) - pixels.height), 4) << "centred vertically";
  EXPECT_LE(std::abs((text.left + text.right) - pixels.width), 6) << "centred horizontally";
}

TEST_F(ColorStaticPaint, WithoutCentredImageLongTextWrapsFromTheTop) {
  Attach(IDC_NOTE_WRAPPING);
  Pixels pixels(note);
  RECT text = pixels.BoundsOf(IsReddish);
  ASSERT_GT(text.right, text.left);
  EXPECT_GE(text.bottom - text.top, 2 * 18) << "wrapped onto several lines";
  EXPECT_LT(text.top, 8) << "starts at the top";
  EXPECT_LT(text.left, 6) << "left-aligned";
  EXPECT_LE(text.right, pixels.width);
}

TEST_F(ColorStaticPaint, ColourChangeWithoutRedrawShowsAtTheNextPaint) {
  Attach(IDC_NOTE_CENTERED);
  note.SetLabelColor(RGB(0, 160, 0), FALSE);
  Pixels unchanged(note);
  EXPECT_GT(unchanged.BoundsOf(IsReddish).right, 0);
  EXPECT_EQ(0, unchanged.BoundsOf(IsGreenish).right);

  ASSERT_TRUE(PaintSettled());  // the next paint, the note's last
  Pixels repainted(note);
  EXPECT_EQ(0, repainted.BoundsOf(IsReddish).right);
  EXPECT_GT(repainted.BoundsOf(IsGreenish).right, 0);

  note.SetLabelColor(kRed, TRUE);  // with redraw: at once
  Pixels redrawn(note);
  EXPECT_GT(redrawn.BoundsOf(IsReddish).right, 0);
}

TEST_F(ColorStaticPaint, EraseFillsWithTheBackgroundBrush) {
  Attach(IDC_NOTE_CENTERED);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(400, 100, 1, 32, nullptr);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  EXPECT_EQ(TRUE, SendMessageW(note, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0));
  EXPECT_EQ(note.backColor, GetPixel(dc, 1, 1));
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace
