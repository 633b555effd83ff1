// The reporter of a silent run: failures go to the install log, questions
// are answered Yes.
#pragma once

#include "setup/reporter.h"

class LogReporter : public Reporter {
 public:
  void Failure(const char* message, const char* subject, bool subjectFirst) override;
  void FailureWithCause(const char* message, const char* subject, bool subjectFirst, const char* cause) override;
  void Notice(const char* message, const char* subject) override;
  bool Confirm(const char* question) override;
};
