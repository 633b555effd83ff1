// The wizard on screens of 96, 120, 144 and 192 DPI (Wine's LogPixels,
// read by each process as it starts): on every page each static text fits
// its box in the box's own font, each check box and radio button its label,
// the association list never needs a horizontal scroll bar, and the logo
// grows with the DPI. Screenshots of every page at 96 and 192 DPI go to
// PX_BUILD_DIR/screenshots (dpi96_*, dpi192_*).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "wizard/font_probe.h"
#include "wizard/wizard_fixture.h"

using namespace pxtest;
using namespace wiztest;

namespace {


// What the test saw of one page's controls.
struct TextBox {
  HWND window = nullptr;
  std::wstring text;
  SIZE box = {};     // client rectangle
  SIZE needed = {};  // DT_CALCRECT | DT_WORDBREAK at the box's width
};

// This process reads the setup's windows in real pixels. Windows maps the
// rectangles of a DPI-aware program's windows for a thread that is not
// per-monitor aware; Wine 8 gives the same numbers either way.
void ReadWindowsInRealPixels() {
  using SetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
  auto set = reinterpret_cast<SetContext>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
  if (set != nullptr) set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
}

SIZE ClientSize(HWND window) {
  RECT rect = {};
  GetClientRect(window, &rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }

bool IsTextStatic(HWND window) {
  const DWORD type = StyleOf(window) & SS_TYPEMASK;
  return lstrcmpiA(ClassOf(window).c_str(), "Static") == 0 &&
         (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT);
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

std::wstring WideTextOf(HWND window) {
  wchar_t buffer[1024] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, sizeof buffer / sizeof buffer[0], reinterpret_cast<LPARAM>(buffer),
                      SMTO_ABORTIFHUNG, kWaitMs, &copied);
  buffer[sizeof buffer / sizeof buffer[0] - 1] = L'\0';
  return buffer;
}

std::string Printable(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += (c >= 32 && c < 127) ? static_cast<char>(c) : (c == L'\n' ? '|' : '?');
  return out;
}

// Reads the fonts of the setup's windows through the font probe, hooked
// into the thread that owns them.
class FontReader {
 public:
  explicit FontReader(HWND anyWindowOfTheThread)
      : message_(RegisterWindowMessageW(kFontProbeMessage)),
        mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(FontProbeAnswer),
                                    kFontProbeMapping)),
        module_(LoadLibraryA(HostToWindowsPath(PX_BUILD_DIR "/tests/bin/px_font_probe.dll").c_str())) {
    view_ = mapping_ != nullptr ? MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(FontProbeAnswer))
                                : nullptr;
    auto hook = module_ != nullptr ? reinterpret_cast<HOOKPROC>(
                                         reinterpret_cast<void*>(GetProcAddress(module_, "PxFontProbeHook")))
                                   : nullptr;
    const DWORD thread = GetWindowThreadProcessId(anyWindowOfTheThread, nullptr);
    if (hook != nullptr && thread != 0) hook_ = SetWindowsHookExW(WH_CALLWNDPROC, hook, module_, thread);
  }
  ~FontReader() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    if (view_ != nullptr) UnmapViewOfFile(view_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
    if (module_ != nullptr) FreeLibrary(module_);
  }
  FontReader(const FontReader&) = delete;
  FontReader& operator=(const FontReader&) = delete;

  bool Ready() const { return view_ != nullptr && hook_ != nullptr; }

  // The window's font; false when the probe did not answer.
  bool Read(HWND window, LOGFONTW* font) const {
    if (!Ready()) return false;
    auto* answer = static_cast<FontProbeAnswer*>(view_);
    answer->valid = 0;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, message_, 0, 0, SMTO_ABORTIFHUNG, kWaitMs, &ignored);
    if (answer->valid != 1) return false;
    *font = answer->font;
    return true;
  }

 private:
  UINT message_;
  HANDLE mapping_;
  HMODULE module_;
  void* view_ = nullptr;
  HHOOK hook_ = nullptr;
};

// The visible static texts of a page, each measured as a static draws it:
// word-wrapped at the box's width in the box's own font (WM_GETFONT).
std::vector<TextBox> MeasureTexts(HWND page) {
  std::vector<TextBox> boxes;
  FontReader fonts(page);
  EXPECT_TRUE(fonts.Ready()) << "the font probe is not hooked into the setup";
  HDC dc = GetDC(nullptr);
  for (HWND child : Children(page)) {
    if (!IsTextStatic(child) || !IsWindowVisible(child)) continue;
    TextBox box;
    box.window = child;
    box.text = WideTextOf(child);
    box.box = ClientSize(child);
    if (box.text.empty()) continue;
    LOGFONTW description = {};
    EXPECT_TRUE(fonts.Read(child, &description)) << "font of \"" << Printable(box.text) << "\"";
    HFONT own = CreateFontIndirectW(&description);
    HGDIOBJ old = SelectObject(dc, own);
    RECT rect = {0, 0, box.box.cx, 0};
    UINT flags = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS;
    if (StyleOf(child) & SS_NOPREFIX) flags |= DT_NOPREFIX;
    DrawTextW(dc, box.text.c_str(), -1, &rect, flags);
    box.needed = SIZE{rect.right - rect.left, rect.bottom - rect.top};
    SelectObject(dc, old);
    DeleteObject(own);
    boxes.push_back(box);
  }
  ReleaseDC(nullptr, dc);
  return boxes;
}

bool IsCheckOrRadio(HWND window) {
  const DWORD type = StyleOf(window) & BS_TYPEMASK;
  return lstrcmpiA(ClassOf(window).c_str(), "Button") == 0 &&
         (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON);
}

// The size a button says it needs for its box and label on one line
// (BCM_GETIDEALSIZE, answered into memory of the button's process); 0 x 0
// when it does not answer.
SIZE IdealSize(HWND button) {
  SIZE size = {};
  DWORD processId = 0;
  GetWindowThreadProcessId(button, &processId);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (process == nullptr) return size;
  void* remote = VirtualAllocEx(process, nullptr, sizeof size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote != nullptr && WriteProcessMemory(process, remote, &size, sizeof size, nullptr) &&
      SendWithin(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(remote)) != 0) {
    ReadProcessMemory(process, remote, &size, sizeof size, nullptr);
  }
  if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return size;
}

HWND LogoOf(HWND page) {
  for (HWND child : Children(page)) {
    if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0 && (StyleOf(child) & SS_TYPEMASK) == SS_BITMAP) {
      return child;
    }
  }
  return nullptr;
}

// Screenshots of the sheet; one that does not fit the 1024 x 768 desktop is
// shot twice, moved so that first its top, then its bottom shows.
void ShootSheet(HWND sheet, const std::string& name) {
  RECT rect = {};
  GetWindowRect(sheet, &rect);
  const int height = rect.bottom - rect.top;
  SetWindowPos(sheet, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_FALSE(SaveScreenshot(name).empty()) << name;
  const int desktop = GetSystemMetrics(SM_CYSCREEN);
  if (height > desktop) {
    SetWindowPos(sheet, nullptr, 0, desktop - height, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_FALSE(SaveScreenshot(name + "_bottom").empty()) << name;
    SetWindowPos(sheet, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

const char* const kPageNames[] = {"page0_welcome", "page1_whats_new", "page2_associations", "page3_ready",
                                  "page4_finish"};

class WizardDpiTest : public WizardTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    ReadWindowsInRealPixels();
    logPixels_.Set(GetParam());
    WizardTest::SetUp();
  }

  // Every static text of the page fits its box: the wrapped height and the
  // longest line both.
  void ExpectTextsFit(int page) {
    SCOPED_TRACE(std::string(kPageNames[page]) + " at " + std::to_string(GetParam()) + " DPI");
    const std::vector<TextBox> boxes = MeasureTexts(wizard.PageWindow(page));
    EXPECT_FALSE(boxes.empty());
    for (const TextBox& box : boxes) {
      EXPECT_LE(box.needed.cy, box.box.cy) << "clipped at the bottom: \"" << Printable(box.text) << "\" needs "
                                           << box.needed.cx << " x " << box.needed.cy << ", has " << box.box.cx
                                           << " x " << box.box.cy;
      EXPECT_LE(box.needed.cx, box.box.cx) << "clipped at the right: \"" << Printable(box.text) << "\" needs "
                                           << box.needed.cx << ", has " << box.box.cx;
    }
  }

  // Every check box and radio button shows its whole label beside its box.
  void ExpectLabelsFit(int page) {
    SCOPED_TRACE(std::string(kPageNames[page]) + " at " + std::to_string(GetParam()) + " DPI");
    for (HWND child : Children(wizard.PageWindow(page))) {
      if (!IsCheckOrRadio(child) || !IsWindowVisible(child)) continue;
      const SIZE ideal = IdealSize(child);
      const SIZE box = ClientSize(child);
      EXPECT_GT(ideal.cx, 0) << "no ideal size for \"" << Printable(WideTextOf(child)) << "\"";
      EXPECT_LE(ideal.cx, box.cx) << "label cut at the right: \"" << Printable(WideTextOf(child)) << "\" needs "
                                  << ideal.cx << ", has " << box.cx;
      EXPECT_LE(ideal.cy, box.cy) << "label cut at the bottom: \"" << Printable(WideTextOf(child)) << "\" needs "
                                  << ideal.cy << ", has " << box.cy;
    }
  }

  void ExpectLogoScaled(int page) {
    HWND logo = LogoOf(wizard.PageWindow(page));
    ASSERT_NE(nullptr, logo) << kPageNames[page];
    const SIZE size = ClientSize(logo);
    const int dpi = GetParam();
    // 88 x 31 at 96 DPI, to the nearest pixel in proportion above.
    EXPECT_LE(std::abs(size.cx * 96 - 88 * dpi), 48) << kPageNames[page] << ": " << size.cx << " wide";
    EXPECT_LE(std::abs(size.cy * 96 - 31 * dpi), 48) << kPageNames[page] << ": " << size.cy << " high";
  }

  void Shoot(int page) {
    if (GetParam() == 96 || GetParam() == 192) {
      ShootSheet(wizard.Sheet(), "dpi" + std::to_string(GetParam()) + "_" + kPageNames[page]);
    }
  }

 private:
  ScopedLogPixels logPixels_;
};

TEST_P(WizardDpiTest, EveryPageFitsItsTexts) {
  const std::string folder = NewInstallFolder("wizard_dpi" + std::to_string(GetParam()));
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(wizard.SetItemText(IDC_TARGET_FOLDER, folder));
  ExpectTextsFit(kWelcome);
  ExpectLabelsFit(kWelcome);
  ExpectLogoScaled(kWelcome);
  Shoot(kWelcome);

  ASSERT_TRUE(wizard.NextTo(kWhatsNew));
  ExpectTextsFit(kWhatsNew);
  Shoot(kWhatsNew);

  // Associations: 68 rows show a vertical bar; the columns fit beside it.
  ASSERT_TRUE(wizard.NextTo(kAssociations));
  ExpectTextsFit(kAssociations);
  HWND list = wizard.FormatList();
  ASSERT_TRUE(WaitFor([&] { return (StyleOf(list) & WS_VSCROLL) != 0; }, kWaitMs)) << "no vertical bar";
  EXPECT_EQ(0u, StyleOf(list) & WS_HSCROLL) << "horizontal bar at " << GetParam() << " DPI";
  const LRESULT columns = SendWithin(list, LVM_GETCOLUMNWIDTH, 0, 0) + SendWithin(list, LVM_GETCOLUMNWIDTH, 1, 0);
  EXPECT_LE(columns, ClientSize(list).cx);
  Shoot(kAssociations);

  ASSERT_TRUE(wizard.NextTo(kReady));
  ExpectTextsFit(kReady);
  ExpectLabelsFit(kReady);
  ExpectLogoScaled(kReady);
  Shoot(kReady);

  ASSERT_TRUE(InstallFromReadyPage());
  ExpectTextsFit(kFinish);
  ExpectLabelsFit(kFinish);
  ExpectLogoScaled(kFinish);
  Shoot(kFinish);
}

INSTANTIATE_TEST_SUITE_P(Screens, WizardDpiTest, ::testing::Values(96, 120, 144, 192),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Dpi" + std::to_string(info.param);
                         });

}  // namespace
