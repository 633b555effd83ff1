#include "wizard/wizard_start.h"

#include <windows.h>

#include <memory>

#include "platform/environment.h"
#include "framework/common_controls.h"
#include "framework/win_app.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"
#include "core/wizard_rules.h"

namespace {

// The one sheet, alive before the application starts and until the process
// ends, so that the controls it owns outlive every page window.
CWizPropertySheet theSheet("Pixorra Setup", nullptr, 0);

void CreateTitleFont(CFont& font) {
  LOGFONTA description = {};
  description.lfHeight = 20;
  description.lfQuality = ANTIALIASED_QUALITY;
  if (IsWindowsXPOrLater()) {
    description.lfWeight = FW_BOLD;
    lstrcpynA(description.lfFaceName, "Arial", LF_FACESIZE);
  } else {
    description.lfWeight = FW_SEMIBOLD;
    lstrcpynA(description.lfFaceName, "MS Sans Serif", LF_FACESIZE);
  }
  font.CreateFontIndirect(&description);
}

}  // namespace

void RunWizard(CWinApp& app) {
  // The association page's list view lives in comctl32; the theming DLLs it
  // pulls in come from the system folder.
  PrepareCommonControls();

  CreateTitleFont(theSheet.titleFont);
  theSheet.associationList = nullptr;

  std::unique_ptr<CWizPropertyPage> pages[wizard::kWizardPageCount];
  for (int i = 0; i < wizard::kWizardPageCount; ++i) {
    pages[i] = std::make_unique<CWizPropertyPage>(wizard::kWizardPages[i].templateId);
  }
  for (auto& page : pages) theSheet.AddWizardPage(page.get());

  theSheet.DoModal();
  app.SetMainWindow(nullptr);

  // Reverse order of construction.
  for (int i = wizard::kWizardPageCount - 1; i >= 0; --i) pages[i].reset();
}
