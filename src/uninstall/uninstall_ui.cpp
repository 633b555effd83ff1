#include "uninstall/uninstall_ui.h"

#include <windows.h>

#include "install/install_log.h"
#include "platform/resource_text.h"
#include "uninstall/uninstall_resource.h"

namespace {

std::string Caption() { return LoadResourceString(IDS_UN_CAPTION); }

}  // namespace

bool MessageBoxUi::Confirm(const std::string& question) {
  return MessageBoxA(nullptr, question.c_str(), Caption().c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND) == IDYES;
}

bool MessageBoxUi::RetryWhileViewerRuns(const std::string& warning) {
  return MessageBoxA(nullptr, warning.c_str(), Caption().c_str(),
                     MB_RETRYCANCEL | MB_ICONEXCLAMATION | MB_SETFOREGROUND) == IDRETRY;
}

void MessageBoxUi::FailureWithCause(FailedStep, const std::string& message, const std::string& subject,
                                    const std::string&) {
  const std::string text = subject.empty() ? message : message + "\n\n" + subject;
  MessageBoxA(nullptr, text.c_str(), Caption().c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void MessageBoxUi::NotRemoved(const std::vector<LeftItem>& items) {
  // A box has room for a dozen lines; the rest is summed up.
  constexpr std::size_t kListed = 12;
  std::string text = LoadResourceString(IDS_UN_INCOMPLETE);
  for (std::size_t i = 0; i < items.size() && i < kListed; ++i) text += "\n" + items[i].path + ": " + items[i].why;
  if (items.size() > kListed) text += "\n...";
  MessageBoxA(nullptr, text.c_str(), Caption().c_str(), MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

void MessageBoxUi::Finished(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), Caption().c_str(), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

bool SilentUi::RetryWhileViewerRuns(const std::string& warning) {
  Write(warning);
  return false;
}

void SilentUi::FailureWithCause(FailedStep, const std::string& message, const std::string& subject,
                                const std::string& cause) {
  std::string entry = subject.empty() ? message : subject + ": " + message;
  if (!cause.empty()) entry += "\n" + cause;
  Write(entry);
}

void SilentUi::Notice(const std::string& message, const std::string& subject) {
  Write(subject.empty() ? message : subject + ": " + message);
}

void SilentUi::NotRemoved(const std::vector<LeftItem>& items) {
  for (const LeftItem& item : items) Write(item.path + ": " + item.why);
}

void SilentUi::LeftAsUsers(const std::vector<std::string>& paths) {
  const std::string message = LoadResourceString(IDS_UN_CHANGED_FILE);
  for (const std::string& path : paths) Write(path + ": " + message);
}

void SilentUi::Finished(const std::string&) {
  // A log the caller named tells of success too, as the setup's does.
  if (named_) Write(LoadResourceString(IDS_UN_DONE));
}

void SilentUi::Write(const std::string& text) { WriteInstallLog(text.c_str()); }
