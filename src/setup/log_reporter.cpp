#include "setup/log_reporter.h"

#include <string>

#include "install/install_log.h"

void LogReporter::Failure(const char* message, const char* subject, bool subjectFirst) {
  const std::string entry = subjectFirst ? std::string(subject) + ": " + message
                                         : std::string(message) + ": " + subject;
  WriteInstallLog(entry.c_str());
}

bool LogReporter::Confirm(const char*) { return true; }
