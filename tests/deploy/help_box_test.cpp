// The "/?" box of the setup and of the uninstaller at 96 and 192 DPI, on
// the GUI bench: no tab in its text, no line the box wraps, the box on the
// 1024 x 768 desktop; screenshots build/screenshots/help_box_<program>_dpi<n>
// (_top and _bottom where the box is taller than the desktop).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/px_test_support.h"

using namespace pxtest;

namespace {

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\n') {
      lines.emplace_back();
    } else if (c != '\r') {
      lines.back() += c;
    }
  }
  return lines;
}

// Shown and painted before the picture: the box's thread has answered a
// message after the paint it was asked for.
void Shoot(HWND box, const std::string& name) {
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(box) != FALSE; }, 10000));
  RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  DWORD_PTR answer = 0;
  ASSERT_NE(0, SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
  EXPECT_FALSE(SaveScreenshot(name).empty());
}

struct Program {
  const char* name;
  std::string exe;
  const char* caption;
  const char* start;  // the usage's first line
};

class HelpBox : public ::testing::TestWithParam<int> {
 protected:
  ScopedLogPixels logPixels_;
};

TEST_P(HelpBox, ColumnsWithoutTabsAndNoLineWraps) {
  const int dpi = GetParam();
  logPixels_.Set(dpi);
  const Program programs[] = {
      {"setup", SetupExePath(), "Pixorra 64-bit Installation", "Aufruf: PixorraSetup64.exe [Optionen]"},
      {"uninstaller", UninstallerExePath(), "Pixorra deinstallieren", "Aufruf: pv_uninstall.exe [Optionen]"},
  };
  for (const Program& program : programs) {
    SCOPED_TRACE(program.name);
    StartedProgram started = StartProgram(program.exe, "/?");
    ASSERT_TRUE(started.started());
    HWND box = WaitForMessageBox(program.caption, nullptr, 20000);
    ASSERT_NE(nullptr, box);
    const std::string text = MessageBoxText(box);
    EXPECT_EQ(0u, text.find(program.start)) << text;
    // A tab would jump to the box's own stops, which the options'
    // different widths pass at different places.
    EXPECT_EQ(std::string::npos, text.find('\t')) << text;

    // No line wraps: the box makes its text's static exactly as high as
    // the lines it draws, so the static is a whole number of lines, as
    // many as the text has, each of the font's height at this DPI (13
    // pixels at 96 DPI under Wine, 25 at 192). A wrapped line adds one.
    // (Measured once the box is shown and has answered a message: before,
    // it may still be laying itself out.)
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(box) != FALSE; }, 10000));
    DWORD_PTR answer = 0;
    ASSERT_NE(0, SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    HWND label = GetDlgItem(box, 0xFFFF);
    ASSERT_NE(nullptr, label);
    RECT labelRect = {};
    ASSERT_TRUE(GetClientRect(label, &labelRect));
    const long lines = static_cast<long>(LinesOf(text).size());
    EXPECT_EQ(0, labelRect.bottom % lines) << labelRect.bottom << " pixels for " << lines << " lines";
    EXPECT_GE(labelRect.bottom / lines, 11 * dpi / 96) << labelRect.bottom << " pixels for " << lines << " lines";
    EXPECT_LE(labelRect.bottom / lines, 15 * dpi / 96) << labelRect.bottom << " pixels for " << lines << " lines";

    // The whole box on the 1024 x 768 desktop at 96 DPI; at 192 DPI that
    // desktop is a quarter of a real screen of such density, and only the
    // width must fit: a taller box is shot at its top and at its bottom.
    RECT bounds = {};
    ASSERT_TRUE(GetWindowRect(box, &bounds));
    EXPECT_GE(bounds.left, 0);
    EXPECT_LE(bounds.right, 1024);
    const long height = bounds.bottom - bounds.top;
    if (dpi == 96) {
      EXPECT_LE(height, 768);
    }
    const std::string shot = "help_box_" + std::string(program.name) + "_dpi" + std::to_string(dpi);
    if (height <= 768) {
      SetWindowPos(box, nullptr, bounds.left, (768 - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Shoot(box, shot);
    } else {
      SetWindowPos(box, nullptr, bounds.left, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Shoot(box, shot + "_top");
      SetWindowPos(box, nullptr, bounds.left, 768 - height, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Shoot(box, shot + "_bottom");
    }

    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    DWORD exitCode = 0xFFFFFFFF;
    ASSERT_TRUE(started.Wait(20000, &exitCode));
    EXPECT_EQ(0u, exitCode);
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, HelpBox, ::testing::Values(96, 192),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Dpi" + std::to_string(info.param);
                         });

}  // namespace
