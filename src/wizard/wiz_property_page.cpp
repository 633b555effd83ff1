#include "wizard/wiz_property_page.h"

#include <string>

#include "platform/environment.h"
#include "install/install_folder.h"
#include "platform/resource_text.h"
#include "resources/resource.h"
#include "core/format_table.h"
#include "wizard/wiz_property_sheet.h"

using wizard::PageRole;

namespace {


}  // namespace

CWizPropertyPage::CWizPropertyPage(UINT templateId)
    : CPropertyPage(templateId), firstActivation(1), pageEnabled(1), sheet(nullptr) {}

PageRole CWizPropertyPage::Role() const {
  if (sheet == nullptr) return PageRole::None;
  return wizard::RoleOfIndex(sheet->GetActiveIndex());
}

// ---------------------------------------------------------------- navigation

LRESULT CWizPropertyPage::FindNextEnabledPage(bool forward) {
  if (sheet == nullptr) return -1;
  int enabled[wizard::kWizardPageCount] = {};
  const int count = sheet->GetPageCount() < wizard::kWizardPageCount ? sheet->GetPageCount()
                                                                     : wizard::kWizardPageCount;
  for (int i = 0; i < count; ++i) {
    auto* page = static_cast<CWizPropertyPage*>(sheet->GetPage(i));
    enabled[i] = page != nullptr ? page->pageEnabled : 0;
  }
  const int next = wizard::NextEnabledIndex(sheet->GetActiveIndex(), forward, enabled, count);
  if (next < 0) return -1;
  return static_cast<LRESULT>(sheet->GetPage(next)->GetTemplateId());
}

LRESULT CWizPropertyPage::OnWizardBack() { return FindNextEnabledPage(false); }

LRESULT CWizPropertyPage::OnWizardNext() {
  if (sheet != nullptr) sheet->EnableButton(IDC_SHEET_BACK, TRUE);
  switch (Role()) {
    case PageRole::Welcome:
      if (!AcceptTargetFolder()) return -1;
      break;
    case PageRole::Ready:
      return StartInstallation();
    default:
      break;
  }
  return FindNextEnabledPage(true);
}

BOOL CWizPropertyPage::OnSetActive() {
  const PageRole role = Role();
  ApplyButtonStates(role);
  switch (role) {
    case PageRole::Welcome:
      ActivateWelcomePage();
      break;
    case PageRole::WhatsNew:
      ActivateWhatsNewPage();
      break;
    case PageRole::Associations:
      ActivateAssociationPage();
      break;
    case PageRole::Ready:
      ActivateReadyPage();
      break;
    case PageRole::Finish:
      ActivateFinishPage();
      break;
    case PageRole::None:
      break;
  }
  return CPropertyPage::OnSetActive();
}

void CWizPropertyPage::ApplyButtonStates(PageRole role) {
  if (sheet == nullptr) return;
  const wizard::ButtonStates states = wizard::ButtonStatesOnActivation(role);
  if (states.back == wizard::ButtonChange::Disable) sheet->EnableButton(IDC_SHEET_BACK, FALSE);
  if (states.next == wizard::ButtonChange::Disable) sheet->EnableButton(IDC_SHEET_NEXT, FALSE);
}

// ---------------------------------------------------------------- welcome page

void CWizPropertyPage::ActivateWelcomePage() {
  HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM));
  sheet->SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  if (firstActivation != 0) SetWelcomeDefaults();
  // Every time, not only the first: the user may have started the viewer
  // while on a later page.
  WarnIfViewerRunning();
  firstActivation = 0;
}

void CWizPropertyPage::SetWelcomeDefaults() {
  ::SetWindowTextA(sheet->GetButton(IDC_SHEET_BACK), "< &Zur\xfc" "ck");
  ::SetWindowTextA(sheet->GetButton(IDC_SHEET_NEXT), "&Weiter >");
  SetTitleFont(IDC_WELCOME_TITLE);
  CheckDlgButton(IDC_DESKTOP_LINK, BST_CHECKED);
  CheckDlgButton(IDC_THUMBS_LINK, BST_CHECKED);
  CheckDlgButton(IDC_GROUP_LINK, BST_CHECKED);
  ::CheckRadioButton(GetSafeHwnd(), IDC_CURRENT_USER, IDC_ALL_USERS, IDC_CURRENT_USER);

  // An earlier installation wins over the default, so an update lands in
  // the same folder.
  char folder[kPathSize] = {};
  GetDefaultInstallFolder(folder);
  char previous[kPathSize] = {};
  if (FindPreviousInstallFolder(previous)) SetDlgItemText(IDC_TARGET_FOLDER, previous);
  else SetDlgItemText(IDC_TARGET_FOLDER, folder);
}

void CWizPropertyPage::WarnIfViewerRunning() {
  if (IsViewerRunning()) ShowProductMessage(IDS_VIEWER_RUNNING, MB_OK | MB_ICONEXCLAMATION);
}

bool CWizPropertyPage::AcceptTargetFolder() {
  char folder[kPathSize] = {};
  ReadTargetFolder(folder);
  if (wizard::HasDrivePart(folder)) return true;
  ShowProductMessage(IDS_INVALID_FOLDER, MB_OK | MB_ICONERROR);
  return false;
}

void CWizPropertyPage::UpdateLinkScope() {
  const bool anyLink = IsDlgButtonChecked(IDC_DESKTOP_LINK) != 0 || IsDlgButtonChecked(IDC_THUMBS_LINK) != 0 ||
                       IsDlgButtonChecked(IDC_GROUP_LINK) != 0;
  ::EnableWindow(GetDlgItem(IDC_CURRENT_USER), anyLink);
  ::EnableWindow(GetDlgItem(IDC_ALL_USERS), anyLink);
}

void CWizPropertyPage::ClearLinks() {
  CheckDlgButton(IDC_DESKTOP_LINK, BST_UNCHECKED);
  CheckDlgButton(IDC_THUMBS_LINK, BST_UNCHECKED);
  CheckDlgButton(IDC_GROUP_LINK, BST_UNCHECKED);
  ::EnableWindow(GetDlgItem(IDC_CURRENT_USER), FALSE);
  ::EnableWindow(GetDlgItem(IDC_ALL_USERS), FALSE);
}

// ---------------------------------------------------------------- what's new

void CWizPropertyPage::ActivateWhatsNewPage() {
  std::string notes;
  if (LoadReleaseNotes(notes)) SetDlgItemText(IDC_TARGET_FOLDER, notes.c_str());
}

// ---------------------------------------------------------------- finish page

void CWizPropertyPage::ActivateFinishPage() {
  SetTitleFont(IDC_FINISH_TITLE);
  CheckDlgButton(IDC_SHOW_FAQ, BST_CHECKED);
  CheckDlgButton(IDC_START_VIEWER, BST_CHECKED);
  ::SetWindowTextA(sheet->GetButton(IDCANCEL), LoadResourceString(IDS_FINISH_BUTTON).c_str());
}

// ---------------------------------------------------------------- data exchange

void CWizPropertyPage::DoDataExchange(CDataExchange* dx) {
  switch (Role()) {
    case PageRole::Welcome:
      AttachEulaLink(dx);
      break;
    case PageRole::Ready:
      AttachProgressNote(dx);
      break;
    default:
      break;
  }
}

void CWizPropertyPage::AttachEulaLink(CDataExchange* dx) {
  if (sheet->eulaLink.WasEverBound()) return;
  if (!DDX_Control(dx, IDC_EULA_LINK, sheet->eulaLink)) return;
  sheet->eulaLink.SetUnderlineMode(CHyperLink::UnderlineAlways);
  sheet->eulaLink.SetLinkTarget(kEulaAddress);
}

void CWizPropertyPage::AttachProgressNote(CDataExchange* dx) {
  if (sheet->progressNote.WasEverBound()) return;
  if (!DDX_Control(dx, IDC_PROGRESS_NOTE, sheet->progressNote)) return;
  sheet->progressNote.SetLabelColor(RGB(255, 0, 0), FALSE);
  sheet->progressNote.SetLabelBold(TRUE, TRUE);
  sheet->progressNote.SetLabelFont("Arial", 18, TRUE);
}

// ---------------------------------------------------------------- commands

BOOL CWizPropertyPage::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) != BN_CLICKED) return CPropertyPage::OnCommand(wParam, lParam);
  switch (LOWORD(wParam)) {
    case IDC_BROWSE:
      AppendProductFolder(*this);
      return TRUE;
    case IDC_DESKTOP_LINK:
    case IDC_THUMBS_LINK:
    case IDC_GROUP_LINK:
      UpdateLinkScope();
      return TRUE;
    case IDC_NO_LINKS:
      ClearLinks();
      return TRUE;
    case IDC_IMAGES_ONLY:
      MarkRows(0, kImageRowCount - 1, true);
      MarkRows(kImageRowCount, -1, false);
      return TRUE;
    case IDC_SELECT_ALL:
      MarkRows(0, -1, true);
      return TRUE;
    case IDC_SELECT_NONE:
      MarkRows(0, -1, false);
      return TRUE;
    default:
      return CPropertyPage::OnCommand(wParam, lParam);
  }
}

// ---------------------------------------------------------------- helpers

CWnd* CWizPropertyPage::WelcomePage() const { return sheet != nullptr ? sheet->GetPage(0) : nullptr; }

void CWizPropertyPage::ReadTargetFolder(char folder[260]) const {
  folder[0] = '\0';
  CWnd* welcome = WelcomePage();
  if (welcome == nullptr || welcome->GetSafeHwnd() == nullptr) return;
  welcome->GetDlgItemText(IDC_TARGET_FOLDER, folder, kPathSize);
}

int CWizPropertyPage::ShowProductMessage(unsigned textId, UINT style) const {
  const std::string text = LoadResourceString(textId);
  const std::string caption = LoadResourceString(IDS_CAPTION);
  HWND owner = sheet != nullptr ? sheet->GetSafeHwnd() : GetSafeHwnd();
  return ::MessageBoxA(owner, text.c_str(), caption.c_str(), style);
}

void CWizPropertyPage::SetTitleFont(int itemId) {
  ::SendMessageW(GetDlgItem(itemId), WM_SETFONT, reinterpret_cast<WPARAM>(sheet->titleFont.GetSafeHandle()),
                 TRUE);
}
