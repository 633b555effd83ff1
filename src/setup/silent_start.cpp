#include "setup/silent_start.h"

#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "core/command_arguments.h"
#include "core/command_line.h"
#include "core/footprint_names.h"
#include "core/install_options.h"
#include "core/target_folder.h"
#include "core/usage_layout.h"
#include "install/install_folder.h"
#include "install/install_log.h"
#include "platform/environment.h"
#include "platform/resource_text.h"
#include "platform/run_lock.h"
#include "platform/viewer_process.h"
#include "resources/resource.h"
#include "setup/account_run.h"
#include "setup/installation_run.h"
#include "setup/log_reporter.h"
#include "setup/run_journal.h"

namespace {

// Back to the silent default (everything off) for a number option whose
// value the window cut.
void ClearNumberOption(InstallOptions& options, const char* keyword) {
  if (std::strcmp(keyword, "/desktop=") == 0) options.desktopLink = false;
  if (std::strcmp(keyword, "/thumbs=") == 0) options.thumbsLink = false;
  if (std::strcmp(keyword, "/group=") == 0) options.startMenuGroup = false;
  if (std::strcmp(keyword, "/allusers=") == 0) options.allUsers = false;
  if (std::strcmp(keyword, "/assoc=") == 0) {
    for (bool& flag : options.formatSelection) flag = false;
    options.associate = false;
  }
}

}  // namespace

bool ChooseLogOfRun(const char* commandLine) {
  // A relative log name is taken from the start folder, the current one.
  ChooseInstallLog(nullptr);
  if (ChooseLogOption(commandLine) == LogOption::kUnusable) return false;
  return PrepareInstallLog();
}

bool FindCommandLineFault(const char* commandLine, unsigned* textId, std::string* word) {
  switch (FindOptionFault(commandLine, kWindowedSetupOptions, word)) {
    case OptionFault::kNone: return false;
    case OptionFault::kAmbiguousValue: *textId = IDS_OPTION_AMBIGUOUS; return true;
    case OptionFault::kPastWindow: *textId = IDS_OPTION_PAST_WINDOW; return true;
  }
  return false;
}

bool PrepareUnattendedRun(const char* commandLine, bool silent, const std::string& stationName, int* exitCode) {
  // Chosen before anything can fail: every answer of this run is in the log.
  if (!ChooseLogOfRun(commandLine)) {
    *exitCode = kExitLogNotWritable;
    return false;
  }
  const char* arguments = ProgramArguments(commandLine);
  LogReporter reporter;
  if (AsksForHelp(arguments)) {
    WriteInstallLog(LoadResourceString(IDS_HELP).c_str());
    *exitCode = kExitInstalled;
    return false;
  }
  std::string unknown;
  if (FindUnknownOption(arguments, kSetupOptions, &unknown)) {
    reporter.Failure(FailedStep::kStart, LoadResourceString(IDS_UNKNOWN_OPTION), unknown);
    *exitCode = kExitInvalidCommandLine;
    return false;
  }
  // An option that would be dropped or cut: nothing is installed.
  unsigned faultText = 0;
  if (FindCommandLineFault(commandLine, &faultText, &unknown)) {
    reporter.Failure(FailedStep::kStart, LoadResourceString(faultText), unknown);
    *exitCode = kExitInvalidCommandLine;
    return false;
  }
  if (!silent) {
    reporter.Failure(FailedStep::kStart, LoadResourceString(IDS_NO_DESKTOP), stationName);
    *exitCode = kExitInvalidCommandLine;
    return false;
  }
  return true;
}

int RunUnattended(const char* commandLine, bool silent, const std::string& stationName) {
  int exitCode = 0;
  return PrepareUnattendedRun(commandLine, silent, stationName, &exitCode) ? RunSilentInstallation(commandLine)
                                                                            : exitCode;
}

int RunSilentInstallation(const char* commandLine) {
  // Before the previous installation is looked up: another run may be
  // moving it. Held until the run's end.
  RunLock lock;
  if (!lock.Acquire(footprint::kRunWaitMs)) {
    WriteInstallLog(LoadResourceString(RunLockRefusalText(lock)).c_str());
    return kExitViewerRunning;
  }
  InstallOptions options;
  SetSilentDefaults(options);
  const installrecord::Scope scope = RunScope(ProgramArguments(commandLine));
  options.perUser = scope == installrecord::Scope::kUser;
  LogReporter reporter;
  // A run cut off before is taken back first: the previous installation it
  // names is then the one before it.
  if (!RecoverBeforeRun(scope, reporter)) return kExitInstallFailed;
  if (!FindPreviousInstallFolder(options.targetFolder, scope)) GetDefaultInstallFolder(options.targetFolder, scope);
  ApplyCommandLineOptions(commandLine, options);
  // Known only now: the folder whose viewer holds the files, run by anybody
  // in any session. Nothing has been changed yet.
  char viewerFolder[kPathSize];
  if (!NormaliseTargetFolder(options.targetFolder, viewerFolder)) viewerFolder[0] = '\0';
  if (IsViewerInUse(viewerFolder)) {
    char warning[kPathSize];
    LoadResourceString(IDS_VIEWER_RUNNING, warning, sizeof warning);
    WriteInstallLog(warning);
    return kExitViewerRunning;
  }
  // A value its buffer cut is a different value: a cut folder is refused, and
  // a cut setting keeps its default. (What the window would cut never gets
  // here: PrepareUnattendedRun refuses it.)
  if (OptionValueCut(commandLine, "/folder=")) {
    reporter.Failure(FailedStep::kTargetFolder, LoadResourceString(IDS_INVALID_FOLDER), options.targetFolder);
    return kExitInstallFailed;
  }
  if (OptionValueCut(commandLine, "/ini=")) options.iniFolder[0] = '\0';
  for (const char* number : {"/desktop=", "/thumbs=", "/group=", "/allusers=", "/assoc="}) {
    if (OptionValueCut(commandLine, number)) ClearNumberOption(options, number);
  }
  if (!RunInstallation(options, reporter)) return kExitInstallFailed;

  // A named log always exists afterwards: a deployment tool can tell a run
  // that succeeded from one that never started.
  if (InstallLogChosenByUser()) WriteResultLine(options.targetFolder, IDS_INSTALLED, commandLine, kExitInstalled);
  return kExitInstalled;
}

void WriteResultLine(const char* targetFolder, unsigned textId, const char* commandLine, int exitCode) {
  char folder[kPathSize];
  if (!NormaliseTargetFolder(targetFolder, folder)) folder[0] = '\0';
  const char* arguments = ProgramArguments(commandLine);
  while (*arguments == ' ' || *arguments == '\t') ++arguments;
  const std::string line = std::string(folder) + ": " + LoadResourceString(textId) + " (" + arguments +
                           "), Exit-Code " + std::to_string(exitCode);
  WriteInstallLog(line.c_str());
}

unsigned RunLockRefusalText(const RunLock& lock) {
  switch (lock.holder()) {
    case RunLock::Holder::kUnknown: return IDS_LOCK_UNKNOWN_HOLDER;
    case RunLock::Holder::kNotALock: return IDS_LOCK_NAME_TAKEN;
    default: return IDS_OTHER_RUN;
  }
}

void ShowCommandLineHelp() {
  const std::string text = UsageForBox(LoadResourceString(IDS_HELP));
  const std::string caption = LoadResourceString(IDS_CAPTION);
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
}

void ShowCommandLineProblem(unsigned textId, const std::string& subject) {
  const std::string text = LoadResourceString(textId) + ":\n\n" + subject;
  const std::string caption = LoadResourceString(IDS_CAPTION);
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}
