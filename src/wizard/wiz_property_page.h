// One class for all five wizard pages. A page learns its role from its index
// in the sheet (wizard_rules.h); each role's work is a small function of its
// own, so the overrides below only dispatch.
#pragma once

#include <windows.h>

#include "framework/property_sheet.h"
#include "core/wizard_rules.h"

class CWizPropertySheet;
struct InstallOptions;

class CWizPropertyPage : public CPropertyPage {
 public:
  explicit CWizPropertyPage(UINT templateId);

  // Page activation: the role's set-up, then the framework's OnSetActive
  // (whose result is returned: TRUE shows the page).
  BOOL OnSetActive() override;
  // Back: the template id of the previous enabled page, -1 (stay) on the
  // first page.
  LRESULT OnWizardBack() override;
  // Next: the template id of the page to go to, or -1 to stay. The welcome
  // page refuses a folder without a drive letter; the ready page runs the
  // installation and answers the finish page, or the welcome page (101)
  // when the run failed.
  LRESULT OnWizardNext() override;
  // Attaches the sheet's EULA link (welcome page) and progress note (ready
  // page) to their items, once each.
  void DoDataExchange(CDataExchange* dx) override;

  // The template id of the nearest enabled page after (forward) or before
  // this one, -1 when there is none.
  virtual LRESULT FindNextEnabledPage(bool forward);

  // Welcome page: a link box was clicked; the radio buttons follow whether
  // any link box is checked, their selection stays.
  void UpdateLinkScope();
  // Welcome page, "&Keine": no links, radio buttons disabled.
  void ClearLinks();
  // The system's folder picker, starting at path. True and the chosen folder
  // (ending in a backslash) in path; false and path unchanged when the user
  // cancelled or chose no file-system folder.
  static bool BrowseForFolder(HWND owner, char path[260]);

  int firstActivation;
  int pageEnabled;
  CWizPropertySheet* sheet;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  wizard::PageRole Role() const;
  void ApplyButtonStates(wizard::PageRole role);

  // Activation per page.
  void ActivateWelcomePage();
  void SetWelcomeDefaults();
  void ActivateWhatsNewPage();
  void ActivateAssociationPage();
  void ActivateReadyPage();
  void ActivateFinishPage();
  void WarnIfViewerRunning();

  // Next per page.
  bool AcceptTargetFolder();
  LRESULT StartInstallation();
  void CollectInstallOptions(InstallOptions& options);

  // Association page.
  void SetUpAssociationList(HWND list);
  void MarkRows(int first, int last, bool checked);

  // Attachments of the data exchange.
  void AttachEulaLink(CDataExchange* dx);
  void AttachProgressNote(CDataExchange* dx);

  // The welcome page's target-folder text, at most 259 characters.
  void ReadTargetFolder(char folder[260]) const;
  // The welcome page (index 0) or null.
  CWnd* WelcomePage() const;
  // A message box owned by the sheet with string textId and the product caption.
  int ShowProductMessage(unsigned textId, UINT style) const;
  void SetTitleFont(int itemId);
};

// Browse button of the welcome page: the picker, then "Pixorra\" appended
// unless the chosen folder already is named so.
void AppendProductFolder(CWizPropertyPage& welcomePage);
