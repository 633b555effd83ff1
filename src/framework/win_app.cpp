#include "framework/win_app.h"

CWinApp* CWinApp::current_ = nullptr;

CWinApp::CWinApp() { current_ = this; }

CWinApp::~CWinApp() {
  if (current_ == this) current_ = nullptr;
}

int CWinApp::Run(HINSTANCE instance) {
  instance_ = instance;
  if (InitInstance()) {
    // The setup never keeps running after InitInstance; a true result would
    // need a message loop, which no part of this program has.
  }
  return exitCode_;
}
