// Where a program's failures, notices and questions go: message boxes when a
// person started it, a log in a silent run. The setup and the uninstaller
// both report through this one interface; their steps only say what
// happened, and which reporter listens (and how its entries look) is decided
// once, where the program starts.
#pragma once

#include <string>
#include <vector>

// What a failure concerns. Steps name it instead of choosing a layout: each
// log reporter lays out its entries by it.
enum class FailedStep {
  kStart,         // the command line or the window station: nothing was begun
  kTargetFolder,  // the program folder: invalid, not creatable, not prepared
  kUnpacking,     // the payload into the program folder
  kRegistration,  // the open command or the uninstall entry
  kRemoval,       // the uninstaller: a folder or a record it will not touch
  kCleanup,       // the uninstaller: the copy that removes it once it ended
};

// A path of the installation that is still there, and why (a message of the
// uninstaller's string table).
struct LeftItem {
  std::string path;
  std::string why;
};

class Reporter {
 public:
  virtual ~Reporter() = default;

  // A failure that ends the run. message: the text of the string table;
  // subject: the folder, file or key it concerns ("" when none); cause: the
  // path the system refused and the system's text for the error, as
  // "<path>: <text>", or "" when none is known.
  virtual void FailureWithCause(FailedStep step, const std::string& message, const std::string& subject,
                                const std::string& cause) = 0;
  // The same without a known cause.
  void Failure(FailedStep step, const std::string& message, const std::string& subject) {
    FailureWithCause(step, message, subject, std::string());
  }

  // Something that failed without failing the run (a link, an association),
  // or a change the run made on its own (a machine account's links): for the
  // log; whoever watches a window sees the result instead.
  virtual void Notice(const std::string& message, const std::string& subject) {
    static_cast<void>(message);
    static_cast<void>(subject);
  }

  // A yes/no question whose default answer is No: true only for a Yes. A
  // silent run answers Yes (it was asked to go ahead).
  virtual bool Confirm(const std::string& question) = 0;

  // The uninstaller's: the viewer runs; true to look again, false to give up.
  virtual bool RetryWhileViewerRuns(const std::string& warning) {
    static_cast<void>(warning);
    return false;
  }
  // The uninstaller's: paths of the installation that could not be removed.
  virtual void NotRemoved(const std::vector<LeftItem>& items) { static_cast<void>(items); }
  // The uninstaller's: files of ours that the user changed since, left as
  // theirs.
  virtual void LeftAsUsers(const std::vector<std::string>& paths) { static_cast<void>(paths); }
  // The uninstaller's closing report of a removal that succeeded.
  virtual void Finished(const std::string& text) { static_cast<void>(text); }
};
