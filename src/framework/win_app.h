// The application object: one global instance derived from CWinApp; the
// framework's entry point calls its InitInstance once. The process ends when
// InitInstance returns (there is no message loop of the program's own).
#pragma once

#include <windows.h>

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Called once at start-up; the process then ends with the exit code set
  // through SetExitCode (0 unless set).
  virtual void InitInstance() = 0;

  void SetExitCode(int code) { exitCode_ = code; }

  // Runs the application: InitInstance, then returns the exit code.
  int Run();

  static CWinApp* Current() { return current_; }

 private:
  static CWinApp* current_;
  int exitCode_ = 0;
};
