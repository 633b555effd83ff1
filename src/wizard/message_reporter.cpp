#include "wizard/message_reporter.h"

#include <windows.h>

#include <string>

#include "framework/wnd.h"
#include "install/install_log.h"
#include "platform/resource_text.h"
#include "resources/resource.h"

void MessageBoxReporter::Failure(const char* message, const char* subject, bool subjectFirst) {
  if (InstallLogChosenByUser()) log_.Failure(message, subject, subjectFirst);
  ShowMessageBox(message, LoadResourceString(IDS_CAPTION).c_str(), MB_OK | MB_ICONERROR);
}

void MessageBoxReporter::FailureWithCause(const char* message, const char* subject, bool subjectFirst,
                                          const char* cause) {
  if (InstallLogChosenByUser()) log_.FailureWithCause(message, subject, subjectFirst, cause);
  ShowMessageBox(message, LoadResourceString(IDS_CAPTION).c_str(), MB_OK | MB_ICONERROR);
}

void MessageBoxReporter::Notice(const char* message, const char* subject) {
  if (InstallLogChosenByUser()) log_.Notice(message, subject);
}

bool MessageBoxReporter::Confirm(const char* question) {
  const int answer = ShowMessageBox(question, LoadResourceString(IDS_CAPTION).c_str(),
                                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  return answer != IDNO;
}
