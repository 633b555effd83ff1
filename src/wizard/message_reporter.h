// The wizard's reporter: the installation's failures and questions as
// message boxes over the sheet, with the product caption.
#pragma once

#include "setup/log_reporter.h"
#include "setup/reporter.h"

// A log named with "/log=" gets every failure and notice as a silent run
// writes them, besides the box.
class MessageBoxReporter : public Reporter {
 public:
  // An error box with message alone: the user sees the folder on the page.
  void Failure(const char* message, const char* subject, bool subjectFirst) override;
  void FailureWithCause(const char* message, const char* subject, bool subjectFirst, const char* cause) override;
  // The log only: the user sees the result on the finish page.
  void Notice(const char* message, const char* subject) override;
  // Yes/No with No as the default button; anything but No counts as Yes.
  bool Confirm(const char* question) override;

 private:
  LogReporter log_;
};
