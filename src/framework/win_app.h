// The application object: one global instance derived from CWinApp; the
// framework's entry point calls its InitInstance once. The process ends when
// InitInstance returns false (there is no message loop of the program's own).
#pragma once

#include <windows.h>

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Called once at start-up. Returning false ends the process with the exit
  // code set through SetExitCode (0 unless set).
  virtual BOOL InitInstance() = 0;

  void SetExitCode(int code) { exitCode_ = code; }
  int GetExitCode() const { return exitCode_; }

  HINSTANCE GetInstanceHandle() const { return instance_; }
  HWND GetMainWindow() const { return mainWindow_; }
  void SetMainWindow(HWND window) { mainWindow_ = window; }

  // Runs the application: InitInstance, then returns the exit code.
  int Run(HINSTANCE instance);

  static CWinApp* Current() { return current_; }

 private:
  static CWinApp* current_;
  HINSTANCE instance_ = nullptr;
  HWND mainWindow_ = nullptr;
  int exitCode_ = 0;
};
