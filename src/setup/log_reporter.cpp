#include "setup/log_reporter.h"

#include <string>

#include "install/install_log.h"

void LogReporter::Failure(const char* message, const char* subject, bool subjectFirst) {
  const std::string entry = subjectFirst ? std::string(subject) + ": " + message
                                         : std::string(message) + ": " + subject;
  WriteInstallLog(entry.c_str());
}

void LogReporter::FailureWithCause(const char* message, const char* subject, bool subjectFirst,
                                   const char* cause) {
  // The cause follows on a line of its own: TEMP naming a file, a second
  // setup and a held file all share one message, and only the cause tells
  // them apart.
  if (cause == nullptr || cause[0] == '\0') {
    Failure(message, subject, subjectFirst);
    return;
  }
  std::string entry = subjectFirst ? std::string(subject) + ": " + message : std::string(message) + ": " + subject;
  entry += '\n';
  entry += cause;
  WriteInstallLog(entry.c_str());
}

void LogReporter::Notice(const char* message, const char* subject) { Failure(message, subject, false); }

bool LogReporter::Confirm(const char*) { return true; }
