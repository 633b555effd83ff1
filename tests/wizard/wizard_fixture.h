// Common ground of the wizard tests: a clean machine (no earlier
// installation, no viewer running), a stand-in browser that records which
// web pages the setup opens, and the driver.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/px_test_support.h"
#include "wizard/install_snapshot.h"
#include "wizard/wizard_driver.h"

namespace wiztest {

constexpr const char kSetupExe[] = "PixorraSetup64.exe";
constexpr const char kDefaultFolder[] = "C:\\Program Files\\Pixorra";
constexpr const char kFaqAddress[] = "https://www.pixorra.example/faq.html";
constexpr int kJpegRow = 26;

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A folder under C:\pxtest\<stem>\ that does not exist yet, ending in
  // "Pixorra\".
  std::string NewInstallFolder(const std::string& stem);

  // Starts the setup (args: options beside it) and waits for the welcome page.
  ::testing::AssertionResult StartAtWelcome(const std::string& args = "");
  // From the welcome page: the folder typed in, then Next up to the page.
  ::testing::AssertionResult GoTo(int page, const std::string& folder = "");
  // On the ready page: Next, and the finish page within the time-out.
  ::testing::AssertionResult InstallFromReadyPage();

  // The web pages the setup opened through the shell, one per line.
  std::string OpenedWebPages() const;
  // A viewer window, or null.
  static HWND ViewerWindow() { return ::FindWindowA("Pixorra", nullptr); }

  WizardDriver wizard;
  std::string installFolder;

 private:
  void RedirectWebPages();
  void RestoreWebPages();
  std::string savedHttpsCommand_;
  std::string recordFile_;
};

}  // namespace wiztest
