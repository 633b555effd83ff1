// The way most people take: the wizard with its defaults, later the
// uninstaller from the program list, answered through its message boxes.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "wizard/wizard_fixture.h"

using namespace pxtest;
using namespace wiztest;

namespace {

constexpr const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pixorra64";

HWND WaitForUninstallBox(HWND other) { return WaitForMessageBox("Pixorra deinstallieren", other, 20000); }

}  // namespace

TEST_F(WizardTest, DefaultWayThenTheInteractiveUninstaller) {
  const std::string folder = NewInstallFolder("wizard_uninstall");
  ASSERT_TRUE(StartAtWelcome());
  ASSERT_TRUE(GoTo(kReady, folder));
  ASSERT_TRUE(InstallFromReadyPage());
  // Finish without the FAQ page and the viewer.
  for (int box : {1022, 1020}) {
    if (wizard.IsItemChecked(box)) {
      ASSERT_TRUE(wizard.ClickItem(box));
    }
  }
  ASSERT_TRUE(wizard.PressCancel());
  ASSERT_TRUE(wizard.WaitForExit(20000));
  ASSERT_TRUE(FileExists(folder + "pv_uninstall.dat"));
  const std::string command = ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").text;
  ASSERT_EQ("\"" + folder + "pv_uninstall.exe\"", command);

  StartedProgram uninstaller = StartProgram(folder + "pv_uninstall.exe", "");
  HWND question = WaitForUninstallBox(nullptr);
  ASSERT_NE(nullptr, question);
  EXPECT_NE(std::string::npos, MessageBoxText(question).find("Pixorra 4.42")) << MessageBoxText(question);
  PostMessageA(GetDlgItem(question, IDYES), BM_CLICK, 0, 0);
  HWND closing = WaitForUninstallBox(question);
  ASSERT_NE(nullptr, closing);
  const std::string settings = SpecialFolder(CSIDL_APPDATA) + "Pixorra\\";
  EXPECT_NE(std::string::npos, MessageBoxText(closing).find("wurde von diesem Computer entfernt")) << MessageBoxText(closing);
  EXPECT_NE(std::string::npos, MessageBoxText(closing).find(settings)) << MessageBoxText(closing);
  PostMessageA(GetDlgItem(closing, IDOK), BM_CLICK, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(uninstaller.Wait(20000, &code));
  EXPECT_EQ(0u, code);

  EXPECT_TRUE(WaitFor([&] { return !FolderExists(folder); }, 15000)) << "the program folder is still there";
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pixorra"));
  EXPECT_FALSE(FolderExists(SpecialFolder(CSIDL_PROGRAMS) + "Pixorra\\"));
  EXPECT_FALSE(FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "Pixorra 64.lnk"));
  EXPECT_TRUE(FileExists(settings + "px_main64.ini")) << "the settings folder is the user's";
}
