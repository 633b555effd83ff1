// The wizard's frame: holds the five pages, owns what must outlive the page
// windows (title font, EULA link, progress note), asks before the wizard is
// abandoned and carries out the finish page's choices.
#pragma once

#include <windows.h>

#include "controls/color_static.h"
#include "controls/hyperlink.h"
#include "framework/gdi_objects.h"
#include "framework/property_sheet.h"

class CWizPropertyPage;

// Addresses of the product's own web pages.
constexpr const char kEulaAddress[] = "https://www.pixorra.example/eula.html";
constexpr const char kFaqAddress[] = "https://www.pixorra.example/faq.html";

// The sheet's caption timer, started around the installation run: a nested
// message loop (a message box of the run) gives the sheet its product
// caption back while the run is busy.
constexpr UINT_PTR kCaptionTimerId = 2013;
constexpr UINT kCaptionTimerMs = 1500;

// Index of the finish page in the sheet.
constexpr int kFinishPageIndex = 4;

class CWizPropertySheet : public CPropertySheet {
 public:
  CWizPropertySheet(const char* caption, HWND parent, UINT startPage);
  ~CWizPropertySheet() override;

  // AddPage, then the page learns its sheet.
  void AddWizardPage(CWizPropertyPage* page);

  const MessageMap* GetMessageMap() const override;

  // Base initialisation, then the Cancel button reads "&Beenden".
  BOOL OnInitDialog() override;

  // The sheet's button, by id (IDCANCEL, IDC_SHEET_BACK, IDC_SHEET_NEXT).
  HWND GetButton(int id) const { return GetDlgItem(id); }
  void EnableButton(int id, BOOL enable) { ::EnableWindow(GetButton(id), enable); }

  CFont titleFont;
  HWND associationList;
  CHyperLink eulaLink;
  CXColorStatic progressNote;

 protected:
  // IDCANCEL: the abandon question on pages 0..3, the finish actions on the
  // finish page. TRUE: consumed (the sheet stays); FALSE: comctl32 cancels.
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  // true when the user answered No: the wizard stays where it is.
  bool UserKeepsWizard();
  void RunFinishActions();
  void OpenFaqPage(CWnd* finishPage);
  void StartViewer(CWnd* finishPage);

  bool OnSysCommand(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnTimer(WPARAM wParam, LPARAM lParam, LRESULT& result);
};
