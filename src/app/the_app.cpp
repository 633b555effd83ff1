#include "app/the_app.h"

#include <cstring>
#include <string>

#include "app/progress_window.h"
#include "core/command_arguments.h"
#include "core/progress_rule.h"
#include "install/install_log.h"
#include "platform/ansi_command_line.h"
#include "platform/environment.h"
#include "resources/resource.h"
#include "setup/silent_start.h"
#include "wizard/wizard_start.h"

void TheApp::InitInstance() {
  // The whole command line, program path included; the options' window
  // counts from its first character.
  const std::string commandLine = AnsiCommandLine();
  const char* arguments = ProgramArguments(commandLine.c_str());
  // "/progress", with or without "/silent": the silent run with a window
  // that shows its progress.
  const bool progress = progressrule::HasProgressSwitch(arguments);
  const bool silent = IsSilentRun(arguments) || progress;
  // A window on a station nobody sees (a service, a deployment agent in
  // session 0) would wait for a click forever: such a start answers in the
  // log, as a silent one does, but installs nothing without "/silent".
  std::string station;
  if (silent || !IsDesktopVisible(&station)) {
    int exitCode = 0;
    if (!PrepareUnattendedRun(commandLine.c_str(), silent, station, &exitCode)) {
      SetExitCode(exitCode);
      return;
    }
    SetExitCode(progress ? RunInstallationWithProgress(commandLine.c_str())
                         : RunSilentInstallation(commandLine.c_str()));
    return;
  }
  if (AsksForHelp(arguments)) {
    ShowCommandLineHelp();
    SetExitCode(0);
    return;
  }
  // A mistyped option would otherwise preset nothing and install elsewhere
  // than asked: nothing starts.
  std::string unknown;
  if (FindUnknownOption(arguments, kSetupOptions, &unknown)) {
    ShowCommandLineProblem(IDS_UNKNOWN_OPTION, unknown);
    SetExitCode(kExitInvalidCommandLine);
    return;
  }
  unsigned faultText = 0;
  if (FindCommandLineFault(commandLine.c_str(), &faultText, &unknown)) {
    ShowCommandLineProblem(faultText, unknown);
    SetExitCode(kExitInvalidCommandLine);
    return;
  }
  if (!ChooseLogOfRun(commandLine.c_str())) {
    const char* logOption = std::strstr(commandLine.c_str(), "/log=");
    const std::string named = ChosenInstallLog();
    ShowCommandLineProblem(IDS_LOG_NOT_WRITABLE,
                           !named.empty() || logOption == nullptr ? named : WordAt(commandLine.c_str(), logOption));
    SetExitCode(kExitLogNotWritable);
    return;
  }
  SetExitCode(RunWizard(commandLine.c_str()));
}
