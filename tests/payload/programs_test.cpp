// The viewer and uninstaller as programs: what the setup's links and finish
// page start must behave like the real thing towards the setup and the user.
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

HWND WaitForBox(const char* caption) {
  HWND box = nullptr;
  WaitFor([&] { return (box = FindWindowA("#32770", caption)) != nullptr; }, 10000);
  return box;
}

std::string BoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

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
  EXPECT_TRUE(IsWindowVisible(window));
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

TEST_F(StandInPrograms, UninstallerAsksInGermanAndNoKeepsEverything) {
  StartedProgram uninstaller = StartProgram(UninstallerExePath(), "");
  HWND box = WaitForBox("Pixorra deinstallieren");
  ASSERT_NE(nullptr, box);
  EXPECT_NE(std::string::npos, BoxText(box).find("M\xF6" "chten Sie Pixorra 4.42")) << BoxText(box);
  PostMessageA(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
  DWORD code = 0;
  ASSERT_TRUE(uninstaller.Wait(5000, &code));
  EXPECT_EQ(1u, code);
}

TEST_F(StandInPrograms, UninstallerOwnsUpToRemovingNothing) {
  StartedProgram uninstaller = StartProgram(UninstallerExePath(), "");
  HWND box = WaitForBox("Pixorra deinstallieren");
  ASSERT_NE(nullptr, box);
  PostMessageA(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
  HWND info = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    info = FindWindowA("#32770", "Pixorra deinstallieren");
    return info != nullptr && info != box;
  }, 10000));
  std::string text = BoxText(info);
  EXPECT_NE(std::string::npos, text.find("entfernt keine Dateien")) << text;
  std::string folder = UninstallerExePath().substr(0, UninstallerExePath().find_last_of('\\') + 1);
  EXPECT_NE(std::string::npos, text.find(folder)) << text;
  PostMessageA(GetDlgItem(info, IDOK), BM_CLICK, 0, 0);
  DWORD code = 0;
  ASSERT_TRUE(uninstaller.Wait(5000, &code));
  EXPECT_EQ(3u, code);
}

TEST_F(StandInPrograms, UninstallerRefusesWhileTheViewerRuns) {
  StartedProgram viewer = StartProgram(ViewerExePath(), "/hidden /quitafter=60");
  ASSERT_NE(nullptr, WaitForViewer());
  StartedProgram uninstaller = StartProgram(UninstallerExePath(), "");
  HWND box = WaitForBox("Pixorra deinstallieren");
  ASSERT_NE(nullptr, box);
  EXPECT_NE(std::string::npos, BoxText(box).find("l\xE4uft noch")) << BoxText(box);
  PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  DWORD code = 0;
  ASSERT_TRUE(uninstaller.Wait(5000, &code));
  EXPECT_EQ(2u, code);
}
