// The wizard's reporter: the installation's failures and its question as
// message boxes owned by the active window, with the product's caption.
#pragma once

#include "setup/reporter.h"

class MessageBoxReporter : public Reporter {
 public:
  void Failure(const char* message, const char* subject, bool subjectFirst) override;
  bool Confirm(const char* question) override;
};
