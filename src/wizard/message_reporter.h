// The wizard's reporter: the installation's failures and questions as
// message boxes over the sheet, with the product caption.
#pragma once

#include "setup/reporter.h"

class MessageBoxReporter : public Reporter {
 public:
  // An error box with message alone: the user sees the folder on the page.
  void Failure(const char* message, const char* subject, bool subjectFirst) override;
  // Yes/No with No as the default button; anything but No counts as Yes.
  bool Confirm(const char* question) override;
};
