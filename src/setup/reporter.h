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
  // A yes/no question whose default answer is No; true for Yes. A silent run
  // answers Yes.
  virtual bool Confirm(const char* question) = 0;
};
