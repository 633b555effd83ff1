#include "app/the_app.h"

#include "app/command_line.h"
#include "app/silent_start.h"
#include "wizard/wizard_start.h"

BOOL TheApp::InitInstance() {
  // The whole command line, program path included, as the system reports it.
  const char* commandLine = GetCommandLineA();
  if (HasSilentSwitch(commandLine)) {
    SetExitCode(RunSilentInstallation(commandLine));
    return FALSE;
  }

  // ---- Wizard path ----
  RunWizard(*this);
  return FALSE;
}
