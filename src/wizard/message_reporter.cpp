#include "wizard/message_reporter.h"

#include <windows.h>

#include <string>

#include "platform/resource_text.h"
#include "resources/resource.h"

void MessageBoxReporter::Failure(const char* message, const char*, bool) {
  const std::string caption = LoadResourceString(IDS_CAPTION);
  MessageBoxA(GetActiveWindow(), message, caption.c_str(), MB_OK | MB_ICONERROR);
}

bool MessageBoxReporter::Confirm(const char* question) {
  const std::string caption = LoadResourceString(IDS_CAPTION);
  return MessageBoxA(GetActiveWindow(), question, caption.c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDNO;
}
