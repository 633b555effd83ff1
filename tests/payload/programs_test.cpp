// The stand-in viewer as a program: what the setup's links and finish page
// start must behave like the real thing towards the setup and the user. (The
// uninstaller is the real one, tested in tests/uninstall.)
#include <gtest/gtest.h>

#include <string>

#include "support/px_test_support.h"

using namespace pxtest;

namespace {

std::string WindowText(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

HWND WaitForViewer() {
  HWND window = nullptr;
  WaitFor([&] { return (window = FindWindowA("Pixorra", nullptr)) != nullptr; }, 10000);
  return window;
}

class StandInPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CloseAllViewers());
    dir_ = MakeTempFolder("stand_in programs");
  }
  void TearDown() override {
    CloseAllViewers();
    RemoveFolderTree(dir_);
  }
  std::string dir_;
};

}  // namespace

TEST_F(StandInPrograms, ViewerNamesTheShownFileInItsTitle) {
  WriteFileBytes(dir_ + "Urlaub am See.jpg", std::string(5000, 'x'));
  StartedProgram viewer = StartProgram(ViewerExePath(), "\"" + dir_ + "Urlaub am See.jpg\" /quitafter=60");
  HWND window = WaitForViewer();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ("Urlaub am See.jpg - Pixorra", WindowText(window));
  // The window exists before the viewer shows it.
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 5000));
}

TEST_F(StandInPrograms, ViewerThumbnailsModeSaysSo) {
  StartedProgram viewer = StartProgram(ViewerExePath(), "/thumbs /quitafter=60", dir_);
  HWND window = WaitForViewer();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ("Pixorra - Thumbnails", WindowText(window));
}

TEST_F(StandInPrograms, ViewerEndsOnCloseAndByItself) {
  StartedProgram closed = StartProgram(ViewerExePath(), "/hidden /quitafter=60");
  HWND window = WaitForViewer();
  ASSERT_NE(nullptr, window);
  PostMessageA(window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(closed.Wait(5000, &code));
  EXPECT_EQ(0u, code);

  StartedProgram timed = StartProgram(ViewerExePath(), "/hidden /quitafter=1");
  ASSERT_NE(nullptr, WaitForViewer());
  EXPECT_TRUE(timed.Wait(5000, &code));
  EXPECT_EQ(0u, code);
}
