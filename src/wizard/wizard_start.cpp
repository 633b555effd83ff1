#include "wizard/wizard_start.h"

#include "framework/common_controls.h"
#include "wizard/wiz_property_sheet.h"

void RunWizard() {
  // The association page's list view lives in comctl32; the theming DLLs it
  // pulls in come from the system folder.
  PrepareCommonControls();
  CWizPropertySheet sheet;
  sheet.DoModal();
}
