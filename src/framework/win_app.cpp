#include "framework/win_app.h"

CWinApp* CWinApp::current_ = nullptr;

CWinApp::CWinApp() { current_ = this; }

CWinApp::~CWinApp() {
  if (current_ == this) current_ = nullptr;
}

int CWinApp::Run() {
  // The program has no message loop of its own: the process ends once
  // InitInstance returns, after the silent run or the modal wizard.
  try {
    InitInstance();
  } catch (...) {
    // Nothing escapes into the C runtime's start-up code; a failed start
    // still ends with a non-zero code unless one was set.
    if (exitCode_ == 0) exitCode_ = 1;
  }
  return exitCode_;
}
