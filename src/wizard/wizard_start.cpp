#include "wizard/wizard_start.h"

#include "framework/common_controls.h"
#include "install/install_log.h"
#include "resources/resource.h"
#include "setup/silent_start.h"
#include "wizard/wiz_property_sheet.h"

int RunWizard(const char* commandLine) {
  // The association page's list view lives in comctl32; the theming DLLs it
  // pulls in come from the system folder.
  PrepareCommonControls();
  CWizPropertySheet sheet(commandLine);
  sheet.DoModal();
  int exitCode = kExitUserLeft;
  unsigned result = IDS_WIZARD_LEFT;
  if (sheet.Outcome() == CWizPropertySheet::RunOutcome::Installed) {
    exitCode = kExitInstalled;
    result = IDS_INSTALLED;
  } else if (sheet.Outcome() == CWizPropertySheet::RunOutcome::OtherRun) {
    // Left after another run kept the installation from starting: nothing
    // was done, and deployment tools retry this code.
    exitCode = kExitViewerRunning;
  } else if (sheet.Outcome() == CWizPropertySheet::RunOutcome::Failed) {
    exitCode = kExitInstallFailed;
    result = IDS_WIZARD_FAILED;
  }
  if (InstallLogChosenByUser()) WriteResultLine(sheet.Model().targetFolder, result, commandLine, exitCode);
  return exitCode;
}
