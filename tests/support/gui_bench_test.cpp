// The GUI bench itself: a virtual desktop with real pixels, screenshots, and
// a foreground window that follows the viewer search.
#include <gtest/gtest.h>

#include <string>

#include "platform/environment.h"
#include "support/px_test_support.h"

using namespace pxtest;

namespace {

// A 24-bit bottom-up BMP file of one colour.
std::string SolidBitmap(int width, int height, BYTE r, BYTE g, BYTE b) {
  int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(stride * height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
  bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
  std::string row(static_cast<size_t>(stride), '\0');
  for (int x = 0; x < width; ++x) {
    row[x * 3] = static_cast<char>(b);
    row[x * 3 + 1] = static_cast<char>(g);
    row[x * 3 + 2] = static_cast<char>(r);
  }
  for (int y = 0; y < height; ++y) bytes += row;
  return bytes;
}

// Pixels of that colour inside the window's rectangle, read from the screen.
int CountScreenPixels(HWND window, COLORREF colour) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return -1;
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP copy = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, copy);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  int count = 0;
  const DWORD* pixel = static_cast<const DWORD*>(bits);
  DWORD wanted = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  for (int i = 0; i < width * height; ++i) count += (pixel[i] & 0xFFFFFF) == wanted;
  SelectObject(memory, old);
  DeleteObject(copy);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return count;
}

class GuiBench : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OnGuiBench()) << "run through px_add_gui_test (PX_WINE_MODE=gui and an X display)";
    ASSERT_TRUE(CloseAllViewers());
  }
  void TearDown() override { CloseAllViewers(); }
};

}  // namespace

TEST_F(GuiBench, VirtualDesktopOf1024By768) {
  EXPECT_EQ(1024, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(768, GetSystemMetrics(SM_CYSCREEN));
}

TEST_F(GuiBench, ViewerDrawsABitmapInRealPixels) {
  std::string dir = MakeTempFolder("gui_bench");
  WriteFileBytes(dir + "gruen.bmp", SolidBitmap(64, 48, 0x20, 0xA0, 0x60));
  StartedProgram viewer = StartProgram(ViewerExePath(), "\"" + dir + "gruen.bmp\" /quitafter=60");
  ASSERT_TRUE(viewer.started());
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (window = FindWindowA("Pixorra", nullptr)) != nullptr; }, 10000));
  SetForegroundWindow(window);
  // Every pixel of the picture arrives on the desktop, not one more or less.
  EXPECT_TRUE(WaitFor([&] { return CountScreenPixels(window, RGB(0x20, 0xA0, 0x60)) == 64 * 48; }, 5000))
      << CountScreenPixels(window, RGB(0x20, 0xA0, 0x60)) << " pixels of the picture's colour";

  std::string shot = SaveScreenshot("gui_bench_viewer");
  ASSERT_FALSE(shot.empty());
  std::string png = ReadFileBytes(HostToWindowsPath(shot));
  EXPECT_EQ(std::string("\x89PNG\r\n\x1a\n", 8), png.substr(0, 8));
  EXPECT_GT(png.size(), 1000u);
  RemoveFolderTree(dir);
}

TEST_F(GuiBench, BringToFrontMakesTheViewerTheForegroundWindow) {
  StartedProgram viewer = StartProgram(ViewerExePath(), "/quitafter=60");
  ASSERT_TRUE(viewer.started());
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (window = FindWindowA("Pixorra", nullptr)) != nullptr; }, 10000));

  // Something else in front first: a window of the test's own.
  HWND other = CreateWindowA("STATIC", "Davor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200, nullptr,
                             nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, other);
  SetForegroundWindow(other);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == other; }, 3000));

  EXPECT_TRUE(BringViewerToFront());
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; }, 3000));
  DestroyWindow(other);
}
