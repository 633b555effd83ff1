// The setup's application object.
#pragma once

#include "framework/win_app.h"

class TheApp : public CWinApp {
 public:
  // Silent installation or the wizard.
  void InitInstance() override;
};
