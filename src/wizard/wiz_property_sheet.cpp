#include "wizard/wiz_property_sheet.h"

#include <shellapi.h>

#include <cstring>
#include <string>

#include "core/folder_text.h"
#include "core/target_folder.h"
#include "platform/environment.h"
#include "platform/resource_text.h"
#include "resources/resource.h"

namespace {

// Lets the viewer create its window before the search for it starts.
constexpr DWORD kViewerStartPauseMs = 50;

void CreateTitleFont(CFont& font) {
  LOGFONTA description = {};
  description.lfHeight = 20;
  description.lfQuality = ANTIALIASED_QUALITY;
  description.lfWeight = FW_BOLD;
  lstrcpynA(description.lfFaceName, "Arial", LF_FACESIZE);
  font.CreateFontIndirect(&description);
}

}  // namespace

CWizPropertySheet::CWizPropertySheet(const char* commandLine)
    : CPropertySheet("Pixorra Setup"), commandLine_(commandLine != nullptr ? commandLine : "") {
  CreateTitleFont(titleFont_);
  for (int i = 0; i < wizard::kWizardPageCount; ++i) {
    pages_[i] = std::make_unique<CWizPropertyPage>(wizard::kWizardPages[i].templateId);
    AddPage(pages_[i].get());
  }
}

const MessageMap* CWizPropertySheet::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      {WM_SYSCOMMAND, 0, Handler(&CWizPropertySheet::OnSysCommand)},
      {WM_TIMER, 0, Handler(&CWizPropertySheet::OnTimer)},
      {}};
  static const MessageMap map = {CPropertySheet::GetMessageMap(), entries};
  return &map;
}

void CWizPropertySheet::OnInitDialog() {
  ::SetWindowTextA(GetDlgItem(IDCANCEL), LoadResourceString(IDS_EXIT_BUTTON).c_str());
}

bool CWizPropertySheet::UserKeepsWizard() {
  const std::string question = LoadResourceString(IDS_ABANDON_QUESTION);
  const std::string caption = LoadResourceString(IDS_CAPTION);
  // Only Yes quits: a box dismissed with Esc (Cancel under Wine) keeps the
  // user's wizard as No does.
  return MessageBox(question.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES;
}

bool CWizPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) != IDCANCEL) return CPropertySheet::OnCommand(wParam, lParam);
  if (GetActiveIndex() != kFinishPageIndex) {
    if (UserKeepsWizard()) return true;
  } else {
    RunFinishActions();
  }
  return CPropertySheet::OnCommand(wParam, lParam);
}

void CWizPropertySheet::RunFinishActions() {
  CWizPropertyPage& finishPage = *pages_[kFinishPageIndex];
  if (finishPage.GetSafeHwnd() == nullptr) return;
  // The finish page is never left: its boxes reach the model here.
  finishPage.DoDataExchange(true);
  if (model_.showFaq) ::ShellExecuteA(::GetDesktopWindow(), "open", kFaqAddress, nullptr, "", SW_SHOW);
  if (model_.startViewer) StartViewer();
}

void CWizPropertySheet::StartViewer() {
  // The installation went into the folder as it was created (blanks at the
  // ends of its names dropped); the text as typed would name a folder that
  // does not exist.
  char folder[kPathSize];
  ShownTargetFolder(model_.targetFolder, folder);
  char program[kPathSize];
  // A path that does not fit would name some other file: start nothing.
  if (!wizard::ComposeViewerPath(folder, program, sizeof program)) return;
  // The viewer starts with its program folder as its current folder.
  ::ShellExecuteA(::GetActiveWindow(), "open", program, "", folder, SW_SHOW);
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
