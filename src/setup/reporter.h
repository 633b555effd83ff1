// Where an installation's failures and questions go: message boxes in the
// wizard, the install log in a silent run. The steps only report; whether
// anybody is watching is decided once, by the reporter the caller passes.
#pragma once

class Reporter {
 public:
  virtual ~Reporter() = default;
  // A failure that ends the run. message: the text from the string table;
  // subject: the folder or file it concerns. The wizard shows message alone;
  // the log writes "message: subject", or "subject: message" when
  // subjectFirst is true.
  virtual void Failure(const char* message, const char* subject, bool subjectFirst) = 0;
  // The same failure with its cause: the file or folder the system refused
  // and the system's text for the error, as "<path>: <text>". The install
  // log writes it on a line of its own after the entry's text; everybody
  // else reports the failure as above.
  virtual void FailureWithCause(const char* message, const char* subject, bool subjectFirst, const char* cause) {
    static_cast<void>(cause);
    Failure(message, subject, subjectFirst);
  }
  // Something that failed without failing the run (a link): the log writes
  // "message: subject"; the wizard, whose user sees the result, says nothing.
  virtual void Notice(const char* message, const char* subject) {
    static_cast<void>(message);
    static_cast<void>(subject);
  }
  // A yes/no question whose default answer is No; true for Yes. A silent run
  // answers Yes.
  virtual bool Confirm(const char* question) = 0;
};
