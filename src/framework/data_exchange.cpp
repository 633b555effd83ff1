#include "framework/data_exchange.h"

BOOL DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.WasEverBound()) return control.GetSafeHwnd() != nullptr;
  if (dx == nullptr || dx->dialog == nullptr || dx->dialog->GetSafeHwnd() == nullptr) return FALSE;
  HWND item = dx->dialog->GetDlgItem(id);
  if (item == nullptr) return FALSE;
  return control.SubclassWindow(item);
}
