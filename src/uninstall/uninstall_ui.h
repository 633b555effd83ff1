// The uninstaller's two reporters: message boxes when a person started it,
// the uninstall log in a silent run. The removal steps only report; which of
// the two is listening is decided once, in main.
#pragma once

#include <string>
#include <vector>

#include "core/reporter.h"

// Message boxes with the German caption of the uninstaller.
class MessageBoxUi : public Reporter {
 public:
  // Message and subject on separate lines.
  void FailureWithCause(FailedStep step, const std::string& message, const std::string& subject,
                        const std::string& cause) override;
  // Yes/No with No as the default button; only Yes counts as Yes.
  bool Confirm(const std::string& question) override;
  bool RetryWhileViewerRuns(const std::string& warning) override;
  // One box naming them all.
  void NotRemoved(const std::vector<LeftItem>& items) override;
  // The closing box names the files left as the user's.
  void Finished(const std::string& text) override;
};

// No window at all; everything goes to the log chosen with ChooseInstallLog,
// in the install log's format.
class SilentUi : public Reporter {
 public:
  // named: the caller chose the log ("/log="), which then tells of success too.
  explicit SilentUi(bool named) : named_(named) {}
  // "subject: message" whatever the step (message alone without a subject);
  // a cause follows on a line of its own.
  void FailureWithCause(FailedStep step, const std::string& message, const std::string& subject,
                        const std::string& cause) override;
  // It was asked to remove.
  bool Confirm(const std::string&) override { return true; }
  // Writes the warning and gives up at once.
  bool RetryWhileViewerRuns(const std::string& warning) override;
  // One entry each, "path: why".
  void NotRemoved(const std::vector<LeftItem>& items) override;
  // "subject: message" (message alone without a subject).
  void Notice(const std::string& message, const std::string& subject) override;
  // One entry each, "path: message".
  void LeftAsUsers(const std::vector<std::string>& paths) override;
  // Only a log the caller named gets the closing line.
  void Finished(const std::string& text) override;

 private:
  void Write(const std::string& text);
  bool named_;
};
