// The wizard with a command line, on the GUI bench: the options preset the
// pages, "/log=" gets the wizard's failures and its result, and the exit
// code tells installed (0), left before installing (1602) and left after a
// failed installation (1603). Also the boxes that stand in for the wizard:
// the usage, an unknown option, a log that cannot be written.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "deploy/deploy_support.h"
#include "support/px_test_support.h"
#include "wizard/wizard_fixture.h"

using namespace pxtest;
using namespace wiztest;
using deploytest::EntriesOf;
using deploytest::Texts;

namespace {

constexpr char kLogs[] = "C:\\pxtest\\deploy_wizard_logs\\";
const char kAbandon[] = "Installation beenden?";

class WizardPresets : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    RemoveFolderTree(kLogs);
  }
  void TearDown() override {
    WizardTest::TearDown();
    RemoveFolderTree(kLogs);
  }
  // "<folder>: <text> (<arguments>), Exit-Code <code>"; the folder as the
  // installation normalises it, with its closing backslash.
  static std::string ResultLine(const std::string& folder, const std::string& text, const std::string& args,
                                int code) {
    return folder + ": " + text + " (" + args + "), Exit-Code " + std::to_string(code);
  }
};

TEST_F(WizardPresets, TheCommandLinePresetsEveryPageAndTheLogGetsTheResult) {
  const std::string folder = NewInstallFolder("deploy_presets");
  const std::string shown = folder.substr(0, folder.size() - 1);
  const std::string settings = MakeTempFolder("deploy_presets_ini");
  const std::string settingsShown = settings.substr(0, settings.size() - 1);
  const std::string log = std::string(kLogs) + "wizard\\run.log";
  const std::string args = "/folder=" + shown + " /desktop=0 /thumbs=0 /group=1 /allusers=1 /assoc=1 /ini=" +
                           settingsShown + " /log=" + log;
  ASSERT_TRUE(StartAtWelcome(args));

  EXPECT_EQ(shown, wizard.ItemText(IDC_TARGET_FOLDER));
  EXPECT_FALSE(wizard.IsItemChecked(IDC_DESKTOP_LINK));
  EXPECT_FALSE(wizard.IsItemChecked(IDC_THUMBS_LINK));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_GROUP_LINK));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_ALL_USERS));
  EXPECT_FALSE(wizard.IsItemChecked(IDC_CURRENT_USER));
  EXPECT_TRUE(wizard.IsItemEnabled(IDC_ALL_USERS));
  EXPECT_FALSE(SaveScreenshot("deploy_presets_welcome").empty());

  ASSERT_TRUE(GoTo(kAssociations));
  std::vector<int> images;
  for (int row = 0; row < 52; ++row) images.push_back(row);
  EXPECT_EQ(images, wizard.CheckedRows());
  EXPECT_FALSE(SaveScreenshot("deploy_presets_associations").empty());

  ASSERT_TRUE(wizard.NextTo(kReady));
  EXPECT_EQ("Zielverzeichnis: " + shown, wizard.ItemText(IDC_READY_FOLDER));
  EXPECT_FALSE(wizard.IsItemChecked(IDC_INI_PROGRAM_FOLDER));
  EXPECT_TRUE(wizard.IsItemChecked(IDC_INI_APPDATA_FOLDER));
  EXPECT_EQ("&Ordner aus der Befehlszeile: " + settingsShown, wizard.ItemText(IDC_INI_APPDATA_FOLDER));
  EXPECT_FALSE(SaveScreenshot("deploy_presets_ready").empty());

  ASSERT_TRUE(wizard.PressNext());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kAssociateQuestion, IDYES, 60000));
  ASSERT_TRUE(wizard.WaitForPage(kFinish, 120000));
  EXPECT_TRUE(FileExists(folder + "px_main64.exe"));
  EXPECT_TRUE(FileExists(settings + "px_main64.ini"));
  // Neither the web page nor the viewer: the result is what this is about.
  ASSERT_TRUE(wizard.ClickItem(IDC_SHOW_FAQ));
  ASSERT_TRUE(wizard.ClickItem(IDC_START_VIEWER));
  ASSERT_TRUE(wizard.Settle());
  ASSERT_TRUE(wizard.PressCancel());
  DWORD exitCode = kNoExitCode;
  ASSERT_TRUE(wizard.WaitForExit(kWaitMs, &exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_EQ(Texts{ResultLine(folder, "Installation abgeschlossen", args, 0)}, EntriesOf(log));
  RemoveFolderTree(settings);
}

TEST_F(WizardPresets, LeftBeforeInstallingExitsWith1602) {
  const std::string log = std::string(kLogs) + "left.log";
  const std::string args = "/folder=C:\\pxtest\\deploy_left\\Pixorra /log=" + log;
  ASSERT_TRUE(StartAtWelcome(args));
  ASSERT_TRUE(GoTo(kAssociations));
  ASSERT_TRUE(wizard.PressCancel());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kAbandon, IDYES));
  DWORD exitCode = kNoExitCode;
  ASSERT_TRUE(wizard.WaitForExit(kWaitMs, &exitCode));
  EXPECT_EQ(1602u, exitCode);
  EXPECT_EQ(Texts{ResultLine("C:\\pxtest\\deploy_left\\Pixorra\\", "Installation abgebrochen", args, 1602)},
            EntriesOf(log));
  EXPECT_FALSE(FolderExists("C:\\pxtest\\deploy_left\\"));
}

TEST_F(WizardPresets, LeftAfterAFailedInstallationExitsWith1603AndTheLogHasTheFailure) {
  const std::string base = MakeTempFolder("deploy_fail");
  WriteFileBytes(base + "Datei", "a file where a folder should be");
  const std::string folder = base + "Datei\\Pixorra";
  const std::string log = std::string(kLogs) + "failed.log";
  const std::string args = "/folder=" + folder + " /log=" + log;
  ASSERT_TRUE(StartAtWelcome(args));
  ASSERT_TRUE(GoTo(kReady));
  ASSERT_TRUE(wizard.PressNext());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kCannotCreateFolder, IDOK, 60000));
  ASSERT_TRUE(wizard.WaitForPage(kWelcome));
  ASSERT_TRUE(wizard.PressCancel());
  EXPECT_TRUE(wizard.ExpectBoxAndAnswer(kAbandon, IDYES));
  DWORD exitCode = kNoExitCode;
  ASSERT_TRUE(wizard.WaitForExit(kWaitMs, &exitCode));
  EXPECT_EQ(1603u, exitCode);
  const Texts entries = EntriesOf(log);
  ASSERT_EQ(2u, entries.size());
  EXPECT_NE(std::string::npos, entries[0].find("Kann Zielverzeichnis nicht erstellen!")) << entries[0];
  EXPECT_EQ(ResultLine(folder + "\\", "Installation fehlgeschlagen", args, 1603), entries[1]);
  RemoveFolderTree(base);
}

// Where the wizard would not start, a box tells why; nothing is installed.
TEST_F(WizardPresets, BoxesInsteadOfTheWizard) {
  MakeTempFolder("deploy_wizard_logs");
  WriteFileBytes(std::string(kLogs) + "a file", "");
  struct Row {
    std::string args;
    DWORD exitCode;
    std::string text;  // the box's text starts so
    const char* screenshot;
  };
  const Row rows[] = {
      {"/?", 0, "Aufruf: PixorraSetup64.exe [Optionen]", "deploy_help_box"},
      {"/foldr=D:\\Apps", 1639,
       "Unbekannte Option, es wurde nichts installiert (Optionen: PixorraSetup64.exe /?):\n\n/foldr=D:\\Apps",
       "deploy_unknown_option_box"},
      {"/Sx", 1639, "Unbekannte Option, es wurde nichts installiert (Optionen: PixorraSetup64.exe /?):\n\n/Sx", ""},
      {"/folder=C:/Apps/Pixorra", 1639,
       "Ein \"/\" teilt diesen Wert mitten im Wort, oder ein Anf\xFChrungszeichen wird nicht geschlossen; Werte mit "
       "\"/\" bitte in Anf\xFChrungszeichen setzen, es wurde nichts installiert:\n\n/folder=C:/Apps/Pixorra",
       ""},
      {"/log=C:/Logs/run.log", 1622, "Die Protokolldatei kann nicht geschrieben werden, es wurde nichts installiert:\n\n"
       "/log=C:/Logs/run.log", ""},
      {"/log=" + std::string(kLogs) + "a file\\run.log", 1622,
       "Die Protokolldatei kann nicht geschrieben werden, es wurde nichts installiert:\n\n" + std::string(kLogs) +
           "a file\\run.log",
       "deploy_log_box"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    StartedProgram setup = StartProgram(SetupExePath(), row.args);
    ASSERT_TRUE(setup.started());
    HWND box = WaitForMessageBox(kProductCaption, nullptr, 20000);
    ASSERT_NE(nullptr, box);
    const std::string text = MessageBoxText(box);
    EXPECT_EQ(0u, text.find(row.text)) << text;
    if (row.screenshot[0] != '\0') {
      // Shown and painted before the picture: the box's thread has answered
      // a message after the paint it was asked for.
      ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(box) != FALSE; }, 10000));
      RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      DWORD_PTR answer = 0;
      ASSERT_NE(0, SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
      EXPECT_FALSE(SaveScreenshot(row.screenshot).empty());
      // The whole box on the 1024x768 desktop.
      RECT bounds = {};
      ASSERT_TRUE(GetWindowRect(box, &bounds));
      EXPECT_GE(bounds.left, 0);
      EXPECT_GE(bounds.top, 0);
      EXPECT_LE(bounds.right, 1024);
      EXPECT_LE(bounds.bottom, 768);
    }
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    DWORD exitCode = kNoExitCode;
    ASSERT_TRUE(setup.Wait(20000, &exitCode));
    EXPECT_EQ(row.exitCode, exitCode);
    EXPECT_FALSE(FolderExists(std::string(kDefaultFolder) + "\\"));
  }
}

}  // namespace
