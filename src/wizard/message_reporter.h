// The wizard's reporter: the installation's failures and questions as
// message boxes over the sheet, with the product caption.
#pragma once

#include <string>

#include "core/reporter.h"
#include "setup/log_reporter.h"

// A log named with "/log=" gets every failure and notice as a silent run
// writes them, besides the box.
class MessageBoxReporter : public Reporter {
 public:
  // An error box with message alone: the user sees the folder on the page.
  void FailureWithCause(FailedStep step, const std::string& message, const std::string& subject,
                        const std::string& cause) override;
  // The log only: the user sees the result on the finish page.
  void Notice(const std::string& message, const std::string& subject) override;
  // Yes/No with No as the default button; only Yes counts as Yes, a box that
  // could not be shown is a No.
  bool Confirm(const std::string& question) override;

 private:
  LogReporter log_;
};
