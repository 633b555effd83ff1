// One class for all five wizard pages. A page learns its role from its index
// in the sheet (wizard_rules.h); each role's work is a small function of its
// own, so the overrides below only dispatch. A page keeps its values in the
// sheet's WizardModel and never looks at another page's items.
#pragma once

#include <windows.h>

#include "controls/color_static.h"
#include "controls/dpi_logo.h"
#include "controls/hyperlink.h"
#include "core/wizard_rules.h"
#include "framework/gdi_objects.h"
#include "framework/property_sheet.h"

class CWizPropertySheet;
struct WizardModel;

class CWizPropertyPage : public CPropertyPage {
 public:
  explicit CWizPropertyPage(UINT templateId) : CPropertyPage(templateId) {}

  // The role's set-up, then the framework's OnSetActive (true: show it).
  bool OnSetActive() override;
  // The template id of the previous page; -1 (stay) on the first page.
  LRESULT OnWizardBack() override;
  // The template id of the page to go to, or -1 to stay. The welcome page
  // refuses a folder without a drive letter; the ready page runs the
  // installation and answers the finish page, or the welcome page when the
  // run failed.
  LRESULT OnWizardNext() override;
  // The page's items to the model (save) or back. The welcome page also
  // binds its EULA link, the ready page its progress note, once each.
  void DoDataExchange(bool save) override;

 protected:
  bool OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  CWizPropertySheet& Sheet() const;
  WizardModel& Model() const;
  wizard::PageRole Role() const;
  // The template id of the page after (forward) or before this one, -1 at
  // either end.
  LRESULT NeighbourPage(bool forward) const;
  void ApplyButtonStates(wizard::PageRole role);

  // Welcome page.
  void ActivateWelcomePage();
  void SetWelcomeDefaults();
  void AddScopeNote();
  void ExchangeWelcome(bool save);
  bool AcceptTargetFolder();
  // A link box was clicked: the radio buttons follow whether any link box
  // is checked, their selection stays.
  void UpdateLinkScope();
  // "&Keine": no links, radio buttons disabled.
  void ClearLinks();
  // Browse: the picker, then "Pixorra\" appended unless the chosen folder
  // already is named so.
  void BrowseForTargetFolder();

  void ActivateWhatsNewPage();

  // Association page: the list is filled on its first activation.
  void ActivateAssociationPage();
  void ExchangeMarks(bool save);
  void MarkRows(int first, int last, bool checked);

  // Ready page.
  void ActivateReadyPage();
  void ExchangeReady(bool save);
  LRESULT StartInstallation();

  void ActivateFinishPage();
  void ExchangeFinish(bool save);

  void WarnIfViewerRunning();
  // A message box owned by the sheet with string textId and the product caption.
  void ShowProductMessage(unsigned textId, UINT style) const;
  void SetTitleFont(int itemId);
  // The welcome, ready and finish pages carry the logo: on first showing it
  // is sized for the screen's DPI.
  void ShowLogoAtScreenDpi();

  bool firstActivation_ = true;
  bool listFilled_ = false;
  CHyperLink eulaLink_;
  CXColorStatic progressNote_;
  CDpiLogo logo_;
  // The title font at the screen's DPI when that is not 96.
  CFont scaledTitleFont_;
};
