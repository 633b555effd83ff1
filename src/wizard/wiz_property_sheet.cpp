#include "wizard/wiz_property_sheet.h"

#include <shellapi.h>

#include <string>

#include "platform/environment.h"
#include "framework/win_app.h"
#include "core/folder_text.h"
#include "platform/resource_text.h"
#include "resources/resource.h"
#include "wizard/wiz_property_page.h"
#include "core/wizard_rules.h"

namespace {

constexpr int kWelcomePageIndex = 0;
// Lets the viewer create its window before the search for it starts.
constexpr DWORD kViewerStartPauseMs = 50;

}  // namespace

CWizPropertySheet::CWizPropertySheet(const char* caption, HWND parent, UINT startPage)
    : CPropertySheet(caption, parent, startPage), associationList(nullptr) {
  header.dwFlags |= PSH_WIZARD;
}

CWizPropertySheet::~CWizPropertySheet() = default;

void CWizPropertySheet::AddWizardPage(CWizPropertyPage* page) {
  AddPage(page);
  if (page != nullptr) page->sheet = this;
}

const MessageMap* CWizPropertySheet::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      {WM_SYSCOMMAND, 0, Handler(&CWizPropertySheet::OnSysCommand)},
      {WM_TIMER, 0, Handler(&CWizPropertySheet::OnTimer)},
      {}};
  static const MessageMap map = {CPropertySheet::GetMessageMap(), entries};
  return &map;
}

BOOL CWizPropertySheet::OnInitDialog() {
  BOOL result = CPropertySheet::OnInitDialog();
  if (CWinApp* app = CWinApp::Current()) app->SetMainWindow(GetSafeHwnd());
  ::SetWindowTextA(GetButton(IDCANCEL), LoadResourceString(IDS_EXIT_BUTTON).c_str());
  return result;
}

bool CWizPropertySheet::UserKeepsWizard() {
  const std::string question = LoadResourceString(IDS_ABANDON_QUESTION);
  const std::string caption = LoadResourceString(IDS_CAPTION);
  return MessageBox(question.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDNO;
}

BOOL CWizPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) != IDCANCEL) return CPropertySheet::OnCommand(wParam, lParam);
  if (GetActiveIndex() != kFinishPageIndex) {
    if (UserKeepsWizard()) return TRUE;
  } else {
    RunFinishActions();
  }
  return CPropertySheet::OnCommand(wParam, lParam);
}

void CWizPropertySheet::RunFinishActions() {
  CWnd* finishPage = GetPage(kFinishPageIndex);
  if (finishPage == nullptr || finishPage->GetSafeHwnd() == nullptr) return;
  OpenFaqPage(finishPage);
  StartViewer(finishPage);
}

void CWizPropertySheet::OpenFaqPage(CWnd* finishPage) {
  if (finishPage->IsDlgButtonChecked(IDC_SHOW_FAQ) == 0) return;
  ::ShellExecuteA(::GetDesktopWindow(), "open", kFaqAddress, nullptr, "", SW_SHOW);
}

void CWizPropertySheet::StartViewer(CWnd* finishPage) {
  if (finishPage->IsDlgButtonChecked(IDC_START_VIEWER) == 0) return;
  CWnd* welcomePage = GetPage(kWelcomePageIndex);
  if (welcomePage == nullptr || welcomePage->GetSafeHwnd() == nullptr) return;
  char folder[kPathSize] = {};
  welcomePage->GetDlgItemText(IDC_TARGET_FOLDER, folder, kPathSize);
  // The installation went into the trimmed folder; blanks kept here would
  // name a folder that does not exist.
  TrimSpaces(folder);
  char program[kPathSize];
  // A path that does not fit would name some other file: start nothing.
  if (!wizard::ComposeViewerPath(folder, program, sizeof program)) return;
  ::ShellExecuteA(::GetActiveWindow(), "open", program, "", nullptr, SW_SHOW);
  ::Sleep(kViewerStartPauseMs);
  BringViewerToFront();
}

bool CWizPropertySheet::OnSysCommand(WPARAM wParam, LPARAM, LRESULT& result) {
  if ((wParam & 0xFFF0) == SC_CLOSE && GetActiveIndex() != kFinishPageIndex && UserKeepsWizard()) {
    result = 0;
    return true;
  }
  return false;
}

bool CWizPropertySheet::OnTimer(WPARAM, LPARAM, LRESULT& result) {
  SetWindowText(LoadResourceString(IDS_CAPTION).c_str());
  result = 0;
  return true;
}
