// Data exchange between a dialog (a property page) and its members.
#pragma once

#include "framework/wnd.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* dialogWnd, BOOL save) : dialog(dialogWnd), saveAndValidate(save) {}
  CWnd* dialog;          // the page whose items are exchanged
  BOOL saveAndValidate;  // TRUE: items to members (page left); FALSE: members to items
};

// Binds control to the dialog item id, once per control object: the first
// call subclasses the item (running the control's PreSubclassWindow); every
// later call, in either direction and even after the item's window is gone,
// leaves the control alone. TRUE when the control is bound after the call.
BOOL DDX_Control(CDataExchange* dx, int id, CWnd& control);
