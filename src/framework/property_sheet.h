// Property sheet and pages over comctl32's PropertySheet, used as a wizard.
//
// The sheet window is bound to its CPropertySheet in the sheet's
// PSCB_INITIALIZED callback, before comctl32 creates the first page; from
// then on OnCommand and the message map see every message of the sheet.
// Each page window is bound to its CPropertyPage in its WM_INITDIALOG, which
// comctl32 sends when the page is first shown; the sheet's notifications
// (PSN_*) then reach the page's virtuals below. Sheet and pages are Unicode
// windows; the text helpers of CWnd still speak ANSI.
//
// Order of calls on a wizard step (Next from page A to page B; Back alike
// with OnWizardBack):
//   A.OnWizardNext        -> 0: following page; -1: stay; else B's template id
//   A.OnKillActive        -> A.DoDataExchange(save); false keeps A
//   B.OnInitDialog        -> B.DoDataExchange(load)   (only when B's window is new)
//   B.OnSetActive         -> B.DoDataExchange(load)   (not on the first activation)
// From a page's OnInitDialog on, GetActiveIndex already reports that page.
// A page virtual that throws keeps the wizard on its page.
//
// The close box: comctl32 closes the sheet on WM_SYSCOMMAND SC_CLOSE without
// sending it a WM_COMMAND IDCANCEL, so OnCommand never sees it; a sheet that
// must act on both handles WM_SYSCOMMAND in its message map too.
//
// A jump (a template id from OnWizardNext) does not teach comctl32 where it
// came from: a later 0 from OnWizardBack goes to the previous index, not to
// the page the jump started on. Wizards with jumps return template ids from
// OnWizardBack too.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/wnd.h"

class CPropertySheet;

class CPropertyPage : public CWnd {
 public:
  // templateId: the page's dialog resource in the executable.
  explicit CPropertyPage(UINT templateId) : templateId_(templateId) {}

  UINT GetTemplateId() const { return templateId_; }
  // The sheet the page was added to, or null.
  CPropertySheet* GetParentSheet() const { return parentSheet_; }

  // Page is about to be shown. True: show it; false: comctl32 skips it.
  // Base: DoDataExchange(load) on every activation but the first (the first
  // one follows OnInitDialog, which already exchanged), then true.
  virtual bool OnSetActive();
  // Page is about to be left (Next, Back, a page switch). True: may leave;
  // false: stays. Base: DoDataExchange(save), then true.
  virtual bool OnKillActive();
  // Next pressed. 0: go to the following page; -1: stay on this page;
  // any other value: the template id of the page to go to. Base: 0.
  virtual LRESULT OnWizardNext() { return 0; }
  // Back pressed. 0: go to the previous index; -1: stay; otherwise the
  // template id of the page to go to. Base: 0.
  virtual LRESULT OnWizardBack() { return 0; }
  // The page window was created. True: the dialog manager sets the default
  // focus. Base: DoDataExchange(load), true.
  virtual bool OnInitDialog();
  // Moves the page's values between its items and where they are kept:
  // save (page left) items to values, else values to items. Called when the
  // window is created, on every later activation (load) and when the page is
  // left (save). Base: nothing.
  virtual void DoDataExchange(bool /*save*/) {}

 protected:
  bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  friend class CPropertySheet;
  static INT_PTR CALLBACK PageDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Calls the virtual for one PSN_* code; false for codes it does not know.
  bool DispatchSheetNotification(UINT code, LRESULT* result);

  UINT templateId_;
  CPropertySheet* parentSheet_ = nullptr;
  bool firstSetActive_ = true;
};

class CPropertySheet : public CWnd {
 public:
  // caption: ANSI text (a wizard shows the pages' captions instead).
  explicit CPropertySheet(const char* caption) : caption_(caption != nullptr ? caption : "") {}

  // Appends a page (not owned); the order of adding is the page order.
  void AddPage(CPropertyPage* page);
  int GetPageCount() const { return static_cast<int>(pages_.size()); }
  // Page at index, or null outside 0 .. count-1.
  CPropertyPage* GetPage(int index) const;
  // Index of page, or -1.
  int GetPageIndex(const CPropertyPage* page) const;
  // Index of the page being shown (0 before the window exists and the last
  // shown page after it is gone).
  int GetActiveIndex() const { return activeIndex_; }

  // Runs the sheet modally as a wizard, first page first; returns comctl32's
  // result (-1 on failure, 0 when closed through Cancel).
  INT_PTR DoModal();

  // The sheet window was created and bound; no page exists yet. Base: nothing.
  virtual void OnInitDialog() {}

 private:
  friend class CPropertyPage;
  static int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM lParam);
  void NoteActivation(const CPropertyPage* page);

  std::string caption_;
  int activeIndex_ = 0;
  std::vector<CPropertyPage*> pages_;
};
