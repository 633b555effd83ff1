#include "app/silent_start.h"

#include "app/command_line.h"
#include "app/environment.h"
#include "app/install_options.h"
#include "install/install_folder.h"
#include "install/install_log.h"
#include "install/installation_run.h"
#include "install/resource_text.h"
#include "resources/resource.h"

int RunSilentInstallation(const char* commandLine) {
  if (IsViewerRunning()) {
    char warning[kPathBufferSize];
    LoadResourceString(IDS_VIEWER_RUNNING, warning, sizeof warning);
    WriteInstallLog(warning);
    return kExitViewerRunning;
  }

  InstallOptions options;
  SetSilentDefaults(options);
  if (!FindPreviousInstallFolder(options.targetFolder)) GetDefaultInstallFolder(options.targetFolder);
  ApplyCommandLineOptions(commandLine, options);
  return RunInstallation(options) == 1 ? kExitInstalled : kExitInstallFailed;
}
