#include "wizard/message_reporter.h"

#include <windows.h>

#include "framework/wnd.h"
#include "install/install_log.h"
#include "platform/resource_text.h"
#include "resources/resource.h"

void MessageBoxReporter::FailureWithCause(FailedStep step, const std::string& message, const std::string& subject,
                                          const std::string& cause) {
  if (InstallLogChosenByUser()) log_.FailureWithCause(step, message, subject, cause);
  ShowMessageBox(message.c_str(), LoadResourceString(IDS_CAPTION).c_str(), MB_OK | MB_ICONERROR);
}

void MessageBoxReporter::Notice(const std::string& message, const std::string& subject) {
  if (InstallLogChosenByUser()) log_.Notice(message, subject);
}

bool MessageBoxReporter::Confirm(const std::string& question) {
  const int answer = ShowMessageBox(question.c_str(), LoadResourceString(IDS_CAPTION).c_str(),
                                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  return answer == IDYES;
}
