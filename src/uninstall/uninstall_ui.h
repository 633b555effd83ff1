// Where the uninstaller's questions and reports go: message boxes when a
// person started it, the uninstall log in a silent run. The removal steps
// only report; which of the two is listening is decided once, in main.
#pragma once

#include <string>
#include <vector>

// A path of the installation that is still there, and why (a message of the
// uninstaller's string table).
struct LeftItem {
  std::string path;
  std::string why;
};

class UninstallUi {
 public:
  virtual ~UninstallUi() = default;
  // A yes/no question whose default answer is No; true for Yes. A silent run
  // answers Yes (it was asked to remove).
  virtual bool Confirm(const std::string& question) = 0;
  // The viewer runs: true to look again, false to give up. A silent run
  // gives up at once.
  virtual bool RetryWhileViewerRuns(const std::string& warning) = 0;
  // Something that ends or spoils the removal. The box shows message and
  // subject on separate lines; the log writes "subject: message".
  virtual void Failure(const std::string& message, const std::string& subject) = 0;
  // Files or links of the installation that could not be removed: one box
  // naming them all, or one log entry each ("path: why").
  virtual void NotRemoved(const std::vector<LeftItem>& items) = 0;
  // Files of ours that the user changed since, left as theirs: a silent run
  // logs each; the closing box of an interactive one names them.
  virtual void LeftAsUsers(const std::vector<std::string>& paths) = 0;
  // The closing report of an interactive removal; a silent run writes nothing.
  virtual void Finished(const std::string& text) = 0;
};

// Message boxes with the German caption of the uninstaller.
class MessageBoxUi : public UninstallUi {
 public:
  bool Confirm(const std::string& question) override;
  bool RetryWhileViewerRuns(const std::string& warning) override;
  void Failure(const std::string& message, const std::string& subject) override;
  void NotRemoved(const std::vector<LeftItem>& items) override;
  void LeftAsUsers(const std::vector<std::string>&) override {}
  void Finished(const std::string& text) override;
};

// No window at all; failures go to the log chosen with ChooseInstallLog, in
// the install log's format.
class SilentUi : public UninstallUi {
 public:
  // named: the caller chose the log ("/log="), which then tells of success too.
  explicit SilentUi(bool named) : named_(named) {}
  bool Confirm(const std::string&) override { return true; }
  bool RetryWhileViewerRuns(const std::string& warning) override;
  void Failure(const std::string& message, const std::string& subject) override;
  void NotRemoved(const std::vector<LeftItem>& items) override;
  void LeftAsUsers(const std::vector<std::string>& paths) override;
  void Finished(const std::string& text) override;

 private:
  void Write(const std::string& text);
  bool named_;
};
