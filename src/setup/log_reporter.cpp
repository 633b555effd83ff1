#include "setup/log_reporter.h"

#include "install/install_log.h"

void LogReporter::FailureWithCause(FailedStep step, const std::string& message, const std::string& subject,
                                   const std::string& cause) {
  std::string entry = step == FailedStep::kUnpacking ? subject + ": " + message : message + ": " + subject;
  // The cause follows on a line of its own: TEMP naming a file, a second
  // setup and a held file all share one message, and only the cause tells
  // them apart.
  if (!cause.empty()) {
    entry += '\n';
    entry += cause;
  }
  WriteInstallLog(entry.c_str());
}

void LogReporter::Notice(const std::string& message, const std::string& subject) {
  WriteInstallLog((subject.empty() ? message : message + ": " + subject).c_str());
}

bool LogReporter::Confirm(const std::string&) { return true; }
