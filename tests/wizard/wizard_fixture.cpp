#include "wizard/wizard_fixture.h"

using namespace pxtest;

namespace wiztest {

namespace {

const char kHttpsCommand[] = "SOFTWARE\\Classes\\https\\shell\\open\\command";

std::string UrlRecorderPath() { return HostToWindowsPath(PX_BUILD_DIR "/tests/bin/url_recorder.exe"); }

}  // namespace

void WizardTest::SetUp() {
  ASSERT_TRUE(OnGuiBench()) << "run through px_add_gui_test (PX_WINE_MODE=gui and an X display)";
  ASSERT_TRUE(CloseAllViewers());
  SetWineVersionFor(kSetupExe, "");
  RemoveInstallation(std::string(kDefaultFolder) + "\\");
  RedirectWebPages();
}

void WizardTest::TearDown() {
  if (wizard.IsRunning()) wizard.Stop();
  CloseAllViewers();
  RestoreWebPages();
  RemoveInstallation(installFolder);
  SetWineVersionFor(kSetupExe, "");
}

std::string WizardTest::NewInstallFolder(const std::string& stem) {
  installFolder = MakeTempFolder(stem) + "Pixorra\\";
  return installFolder;
}

// The shell opens https addresses with the command of the https protocol;
// for the test that is a recorder that writes down its command line.
void WizardTest::RedirectWebPages() {
  savedHttpsCommand_ = ReadRegValue(HKEY_LOCAL_MACHINE, kHttpsCommand, "").text;
  recordFile_ = MakeTempFolder("wizard_web") + "opened.txt";
  SetEnvironmentVariableA("PX_URL_RECORD", recordFile_.c_str());
  WriteRegText(HKEY_LOCAL_MACHINE, kHttpsCommand, "", "\"" + UrlRecorderPath() + "\" \"%1\"");
}

void WizardTest::RestoreWebPages() {
  if (!savedHttpsCommand_.empty()) WriteRegText(HKEY_LOCAL_MACHINE, kHttpsCommand, "", savedHttpsCommand_);
}

std::string WizardTest::OpenedWebPages() const { return FileExists(recordFile_) ? ReadFileBytes(recordFile_) : ""; }

::testing::AssertionResult WizardTest::StartAtWelcome(const std::string& args) {
  if (!wizard.Start(args)) return ::testing::AssertionFailure() << "no wizard sheet appeared";
  if (!wizard.WaitForPage(kWelcome)) return ::testing::AssertionFailure() << "the welcome page did not come";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult WizardTest::GoTo(int page, const std::string& folder) {
  if (wizard.PageIndex() != kWelcome) return ::testing::AssertionFailure() << "not on the welcome page";
  if (!folder.empty() && !wizard.SetItemText(IDC_TARGET_FOLDER, folder)) {
    return ::testing::AssertionFailure() << "cannot type the folder";
  }
  for (int index = kWhatsNew; index <= page; ++index) {
    if (!wizard.NextTo(index)) {
      return ::testing::AssertionFailure() << "Next did not reach page " << index << " (now on page "
                                           << wizard.PageIndex() << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult WizardTest::InstallFromReadyPage() {
  if (!wizard.PressNext()) return ::testing::AssertionFailure() << "Next is not available on the ready page";
  if (!wizard.WaitForPage(kFinish, 120000)) {
    std::vector<MessageBoxSeen> boxes = wizard.OpenMessageBoxes();
    return ::testing::AssertionFailure() << "no finish page; page " << wizard.PageIndex() << ", message box: "
                                         << (boxes.empty() ? std::string("none") : boxes.front().text);
  }
  return ::testing::AssertionSuccess();
}

}  // namespace wiztest
