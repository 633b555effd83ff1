#include "setup/silent_start.h"

#include "core/command_line.h"
#include "core/install_options.h"
#include "install/install_folder.h"
#include "install/install_log.h"
#include "platform/environment.h"
#include "platform/resource_text.h"
#include "resources/resource.h"
#include "setup/installation_run.h"
#include "setup/log_reporter.h"

int RunSilentInstallation(const char* commandLine) {
  if (IsViewerRunning()) {
    char warning[kPathSize];
    LoadResourceString(IDS_VIEWER_RUNNING, warning, sizeof warning);
    WriteInstallLog(warning);
    return kExitViewerRunning;
  }

  InstallOptions options;
  SetSilentDefaults(options);
  if (!FindPreviousInstallFolder(options.targetFolder)) GetDefaultInstallFolder(options.targetFolder);
  ApplyCommandLineOptions(commandLine, options);
  LogReporter reporter;
  return RunInstallation(options, reporter) ? kExitInstalled : kExitInstallFailed;
}
