#include "app/the_app.h"

#include "core/command_line.h"
#include "setup/silent_start.h"
#include "wizard/wizard_start.h"

void TheApp::InitInstance() {
  // The whole command line, program path included, as the system reports it.
  const char* commandLine = GetCommandLineA();
  if (HasSilentSwitch(commandLine)) {
    SetExitCode(RunSilentInstallation(commandLine));
    return;
  }
  RunWizard();
}
