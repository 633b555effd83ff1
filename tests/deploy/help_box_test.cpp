// The "/?" box of the setup and of the uninstaller at 96 and 192 DPI, on
// the GUI bench: no tab in its text, every line as wide as the box shows it
// without wrapping, the whole box on the 1024 x 768 desktop; screenshots
// build/screenshots/help_box_<program>_dpi<n>.png.
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

    // Shown and painted before the picture.
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(box) != FALSE; }, 10000));
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    DWORD_PTR answer = 0;
    ASSERT_NE(0, SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_FALSE(SaveScreenshot("help_box_" + std::string(program.name) + "_dpi" + std::to_string(dpi)).empty());

    // No line wraps: the text's static is as many lines high as the text
    // has lines, each line as high as the box's one-line texts (a wrapped
    // line would add one). The OK button's text is one line in the same
    // font family; its height bounds a line's from above.
    HWND label = GetDlgItem(box, 0xFFFF);
    ASSERT_NE(nullptr, label);
    RECT labelRect = {};
    ASSERT_TRUE(GetClientRect(label, &labelRect));
    const std::vector<std::string> lines = LinesOf(text);
    const double lineHeight = static_cast<double>(labelRect.bottom) / static_cast<double>(lines.size());
    // The line height of the font at this DPI: about 13 pixels at 96 DPI
    // (Wine's message font), scaled.
    const double expected = 13.0 * dpi / 96.0;
    EXPECT_LT(lineHeight, expected * 1.25) << labelRect.bottom << " pixels for " << lines.size() << " lines";
    RECT bounds = {};
    ASSERT_TRUE(GetWindowRect(box, &bounds));
    EXPECT_GE(bounds.left, 0);
    EXPECT_GE(bounds.top, 0);
    EXPECT_LE(bounds.right, 1024);
    EXPECT_LE(bounds.bottom, 768);

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
