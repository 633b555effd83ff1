#include "app/the_app.h"

#include <string>

#include "app/progress_window.h"
#include "core/command_arguments.h"
#include "core/command_line.h"
#include "core/progress_rule.h"
#include "platform/ansi_command_line.h"
#include "setup/silent_start.h"
#include "wizard/wizard_start.h"

void TheApp::InitInstance() {
  // The whole command line, program path included; the options' window
  // counts from its first character.
  const std::string commandLine = AnsiCommandLine();
  const char* arguments = ProgramArguments(commandLine.c_str());
  if (AsksForHelp(arguments)) {
    ShowCommandLineHelp();
    SetExitCode(0);
    return;
  }
  // "/progress", with or without "/silent": the silent run with a window
  // that shows its progress.
  if (progressrule::HasProgressSwitch(arguments)) {
    SetExitCode(RunInstallationWithProgress(commandLine.c_str()));
    return;
  }
  if (HasSilentSwitch(arguments)) {
    SetExitCode(RunSilentInstallation(commandLine.c_str()));
    return;
  }
  RunWizard();
}
