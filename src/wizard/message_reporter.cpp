#include "wizard/message_reporter.h"

#include <windows.h>

#include <string>

#include "framework/wnd.h"
#include "platform/resource_text.h"
#include "resources/resource.h"

void MessageBoxReporter::Failure(const char* message, const char*, bool) {
  ShowMessageBox(message, LoadResourceString(IDS_CAPTION).c_str(), MB_OK | MB_ICONERROR);
}

bool MessageBoxReporter::Confirm(const char* question) {
  const int answer = ShowMessageBox(question, LoadResourceString(IDS_CAPTION).c_str(),
                                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  return answer != IDNO;
}
