// The reporter of a silent run: failures and notices go to the install log,
// questions are answered Yes.
#pragma once

#include <string>

#include "core/reporter.h"

class LogReporter : public Reporter {
 public:
  // "message: subject", or "subject: message" for a failed unpacking, whose
  // entry has always started with the folder; the cause follows on a line
  // of its own.
  void FailureWithCause(FailedStep step, const std::string& message, const std::string& subject,
                        const std::string& cause) override;
  // "message: subject".
  void Notice(const std::string& message, const std::string& subject) override;
  bool Confirm(const std::string& question) override;
};
