// Property sheet and pages over comctl32's PropertySheet, used as a wizard.
//
// The sheet window is bound to its CPropertySheet while it is being created
// (a creation hook of the calling thread), so OnInitDialog, OnCommand and the
// message map see every message of the sheet from WM_INITDIALOG on. Each page
// window is bound to its CPropertyPage in its WM_INITDIALOG, which comctl32
// sends when the page is first shown; the sheet's notifications (PSN_*) then
// reach the page's virtuals below. Sheet and pages are Unicode windows;
// the text helpers of CWnd still speak ANSI.
//
// Order of calls on a wizard step (Next from page A to page B; Back alike
// with OnWizardBack):
//   A.OnWizardNext        -> 0: following page; -1: stay; else B's template id
//   A.OnKillActive        -> A.DoDataExchange(save); FALSE keeps A
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

#include "framework/data_exchange.h"
#include "framework/wnd.h"

class CPropertySheet;

class CPropertyPage : public CWnd {
 public:
  // templateId: the page's dialog resource in the executable.
  explicit CPropertyPage(UINT templateId);

  UINT GetTemplateId() const { return templateId_; }
  // The sheet the page was added to, or null.
  CPropertySheet* GetParentSheet() const { return parentSheet_; }

  // Page is about to be shown. TRUE: show it; FALSE: comctl32 skips it.
  // Base: DoDataExchange(load) on every activation but the first (the first
  // one follows OnInitDialog, which already exchanged), then TRUE.
  virtual BOOL OnSetActive();
  // Page is about to be left (Next, Back, a page switch). TRUE: may leave;
  // FALSE: stays. Base: DoDataExchange(save), then TRUE.
  virtual BOOL OnKillActive();
  // Next pressed. 0: go to the following page; -1: stay on this page;
  // any other value: the template id of the page to go to. Base: 0.
  virtual LRESULT OnWizardNext();
  // Back pressed. 0: go to the previous index; -1: stay; otherwise the
  // template id of the page to go to. Base: 0.
  virtual LRESULT OnWizardBack();
  // Finish pressed. TRUE lets the sheet close. Base: TRUE.
  virtual BOOL OnWizardFinish();
  // Cancel pressed (after the sheet's own OnCommand let it through). TRUE
  // lets the sheet close. Base: TRUE.
  virtual BOOL OnQueryCancel();
  // The page window was created. Base: DoDataExchange(load), TRUE (default
  // focus).
  virtual BOOL OnInitDialog();
  // Moves data between the page's items and members; dx says the direction.
  // Called when the window is created, on every later activation (load) and
  // when the page is left (save). Base: nothing.
  virtual void DoDataExchange(CDataExchange* dx);

  // Runs DoDataExchange in the given direction. FALSE when it failed.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

 protected:
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

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
  // caption: ANSI text (a wizard shows the pages' captions instead);
  // parent: owner window or null; startPage: index of the first page shown.
  CPropertySheet(const char* caption, HWND parent = nullptr, UINT startPage = 0);
  ~CPropertySheet() override;

  // Header that DoModal passes to comctl32. Callers set flags such as
  // PSH_WIZARD before DoModal; DoModal fills in the size, pages, caption,
  // parent, instance and start page itself.
  PROPSHEETHEADERW header;

  // Appends a page (not owned); the order of adding is the page order.
  void AddPage(CPropertyPage* page);
  int GetPageCount() const { return static_cast<int>(pages_.size()); }
  // Page at index, or null outside 0 .. count-1.
  CPropertyPage* GetPage(int index) const;
  // Index of page, or -1.
  int GetPageIndex(const CPropertyPage* page) const;
  // Index of the page being shown (the start page before the window exists
  // and the last shown page after it is gone).
  int GetActiveIndex() const { return activeIndex_; }
  CPropertyPage* GetActivePage() const { return GetPage(activeIndex_); }

  // Runs the sheet modally; returns comctl32's result (-1 on failure, 0 when
  // closed through Cancel).
  INT_PTR DoModal();

  // Sets the wizard buttons (PSWIZB_*). Sent, not posted, so that a later
  // EnableWindow on a button is not undone by a queued message.
  void SetWizardButtons(DWORD flags);

  // The sheet window was created (its first page is already active).
  // Base: comctl32's own initialisation; returns its result.
  virtual BOOL OnInitDialog();

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Every WM_COMMAND of the sheet (its Back, Next, Finish and Cancel
  // buttons, Esc). TRUE: consumed, comctl32 never sees it; FALSE: comctl32's
  // own handling runs (Cancel then closes the sheet). Base: FALSE.
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  friend class CPropertyPage;
  static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
  void NoteActivation(const CPropertyPage* page);

  std::string caption_;
  HWND parent_;
  UINT startPage_;
  int activeIndex_;
  std::vector<CPropertyPage*> pages_;
};
