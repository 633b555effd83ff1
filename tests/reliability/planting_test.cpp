// A setup is started from a Downloads folder, where anybody's DLLs may lie.
// DLLs named like the system DLLs that a GUI program loads after its start
// are planted beside a copy of the setup: their DllMain must never run,
// neither in a silent installation nor in the wizard.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/px_test_support.h"

using namespace pxtest;

namespace {

// Names of system DLLs that installers have been attacked through.
const std::vector<std::string> kPlantedNames = {
    "version.dll", "uxtheme.dll", "dwmapi.dll",  "cryptbase.dll", "profapi.dll", "propsys.dll",
    "winmm.dll",   "imm32.dll",   "msctf.dll",   "dbghelp.dll",   "sxs.dll",     "cryptsp.dll",
    "rsaenh.dll",  "setupapi.dll", "userenv.dll", "netapi32.dll", "apphelp.dll", "wintrust.dll",
    "windowscodecs.dll", "explorerframe.dll", "textinputframework.dll", "msimg32.dll"};

// Wine prefers its built-in copy of most system DLLs wherever a file of that
// name lies, so by default it would never load a planted uxtheme.dll at all.
// Windows searches the program's folder first for every DLL outside its
// known-DLL list. For the DLLs the setup loads after its start (theming:
// uxtheme.dll, which loads dwmapi.dll and msimg32.dll), the test makes Wine
// behave like that for the two programs it starts.
const std::vector<std::string> kLateLoaded = {"uxtheme", "dwmapi", "msimg32"};
const std::vector<std::string> kPrograms = {"PixorraSetup64.exe", "probe.exe"};

std::string OverridesKey(const std::string& exe) {
  return "Software\\Wine\\AppDefaults\\" + exe + "\\DllOverrides";
}

std::string PlantedDll() { return HostToWindowsPath(PX_BUILD_DIR "/tests/bin/planted.dll"); }
std::string ProbeExe() { return HostToWindowsPath(PX_BUILD_DIR "/tests/bin/px_planting_probe.exe"); }

class DllPlanting : public ::testing::Test {
 protected:
  void SetUp() override {
    downloads_ = MakeTempFolder("planting\\Downloads");
    setup_ = downloads_ + "PixorraSetup64.exe";
    ASSERT_TRUE(CopyFileA(SetupExePath().c_str(), setup_.c_str(), FALSE));
    for (const std::string& name : kPlantedNames) {
      ASSERT_TRUE(CopyFileA(PlantedDll().c_str(), (downloads_ + name).c_str(), FALSE)) << name;
    }
    target_ = MakeTempFolder("planting\\Target");
    for (const std::string& exe : kPrograms) {
      for (const std::string& dll : kLateLoaded) WriteRegText(HKEY_CURRENT_USER, OverridesKey(exe), dll, "native,builtin");
    }
  }
  void TearDown() override {
    for (const std::string& exe : kPrograms) DeleteRegTree(HKEY_CURRENT_USER, OverridesKey(exe));
    RemoveFolderTree("C:\\pxtest\\planting\\");
  }

  std::vector<std::string> Markers() const {
    std::vector<std::string> found;
    for (const std::string& entry : ListFolder(downloads_, false)) {
      if (entry.size() > 7 && entry.compare(entry.size() - 7, 7, ".loaded") == 0) found.push_back(entry);
    }
    return found;
  }

  std::string downloads_, setup_, target_;
};

// Without this the two tests below would prove nothing: a program that does
// not restrict its DLL search loads a planted DLL from its own folder.
TEST_F(DllPlanting, AnUnprotectedProgramLoadsTheDllBesideIt) {
  const std::string probe = downloads_ + "probe.exe";
  ASSERT_TRUE(CopyFileA(ProbeExe().c_str(), probe.c_str(), FALSE));
  RunResult run = RunProgram(probe, "uxtheme.dll dwmapi.dll msimg32.dll", downloads_, 60000);
  ASSERT_TRUE(run.started);
  EXPECT_EQ(3u, run.exitCode);
  for (const std::string& dll : kLateLoaded) EXPECT_TRUE(FileExists(downloads_ + dll + ".dll.loaded")) << dll;
}

TEST_F(DllPlanting, SilentInstallationNeverRunsAPlantedDll) {
  // Started from the Downloads folder itself, as a double click would.
  RunResult run = RunProgram(setup_, "/silent /folder=" + target_, downloads_, 120000);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(0u, run.exitCode);
  EXPECT_TRUE(FileExists(target_ + "px_main64.exe")) << "the installation itself must still work";
  EXPECT_EQ(std::vector<std::string>{}, Markers());
}

BOOL CALLBACK FindShownWindowOf(HWND window, LPARAM parameter) {
  auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == found->first && IsWindowVisible(window)) {
    found->second = window;
    return FALSE;
  }
  return TRUE;
}

TEST_F(DllPlanting, WizardNeverRunsAPlantedDll) {
  StartedProgram wizard = StartProgram(setup_, "", downloads_);
  ASSERT_TRUE(wizard.started());
  std::pair<DWORD, HWND> found{wizard.processId(), nullptr};
  const bool shown = WaitFor(
      [&] {
        EnumWindows(FindShownWindowOf, reinterpret_cast<LPARAM>(&found));
        return found.second != nullptr;
      },
      60000);
  EXPECT_TRUE(shown) << "the wizard never showed a window";
  // The welcome page is up: themes, fonts and images are loaded by now. Go
  // to the next page too, which loads the release notes' edit control.
  Sleep(1500);
  if (found.second != nullptr) PostMessageA(found.second, WM_COMMAND, MAKEWPARAM(12324, BN_CLICKED), 0);
  Sleep(1500);
  wizard.Terminate();
  EXPECT_EQ(std::vector<std::string>{}, Markers());
}

}  // namespace
