#include "wizard/wiz_property_page.h"

#include <cstring>
#include <string>

#include "core/format_table.h"
#include "core/target_folder.h"
#include "install/install_folder.h"
#include "platform/ansi_command_line.h"
#include "platform/environment.h"
#include "platform/resource_text.h"
#include "platform/system_folders.h"
#include "core/command_arguments.h"
#include "resources/resource.h"
#include "setup/account_run.h"
#include "setup/installation_run.h"
#include "wizard/wiz_property_sheet.h"

using wizard::PageRole;

namespace {

// The folder edit read in UTF-16: the ANSI text would be a best-fit
// look-alike ("C:\Lodz" for "C:\Łódź"). Characters the code page lacks
// become "?", which the folder rule refuses.
void ReadFolderWithoutBestFit(HWND page, char folder[kPathSize]) {
  wchar_t wide[kPathSize] = {};
  ::GetDlgItemTextW(page, IDC_TARGET_FOLDER, wide, kPathSize);
  const std::string text = AnsiWithoutBestFit(wide);
  const std::size_t length = text.size() < kPathSize - 1 ? text.size() : kPathSize - 1;
  text.copy(folder, length);
  folder[length] = '\0';
}

}  // namespace

CWizPropertySheet& CWizPropertyPage::Sheet() const {
  return *static_cast<CWizPropertySheet*>(GetParentSheet());
}

WizardModel& CWizPropertyPage::Model() const { return Sheet().Model(); }

PageRole CWizPropertyPage::Role() const { return wizard::RoleOfIndex(Sheet().GetPageIndex(this)); }

// ---------------------------------------------------------------- navigation

LRESULT CWizPropertyPage::NeighbourPage(bool forward) const {
  const CPropertyPage* next = Sheet().GetPage(Sheet().GetPageIndex(this) + (forward ? 1 : -1));
  return next != nullptr ? static_cast<LRESULT>(next->GetTemplateId()) : -1;
}

LRESULT CWizPropertyPage::OnWizardBack() { return NeighbourPage(false); }

LRESULT CWizPropertyPage::OnWizardNext() {
  Sheet().EnableDlgItem(IDC_SHEET_BACK, true);
  const PageRole role = Role();
  if (role == PageRole::Welcome && !AcceptTargetFolder()) return -1;
  if (role == PageRole::Ready) return StartInstallation();
  return NeighbourPage(true);
}

bool CWizPropertyPage::OnSetActive() {
  const PageRole role = Role();
  ApplyButtonStates(role);
  ShowLogoAtScreenDpi();
  if (role == PageRole::Welcome) ActivateWelcomePage();
  if (role == PageRole::WhatsNew) ActivateWhatsNewPage();
  if (role == PageRole::Associations) ActivateAssociationPage();
  if (role == PageRole::Ready) ActivateReadyPage();
  if (role == PageRole::Finish) ActivateFinishPage();
  return CPropertyPage::OnSetActive();
}

void CWizPropertyPage::ApplyButtonStates(PageRole role) {
  const wizard::ButtonStates states = wizard::ButtonStatesOnActivation(role);
  if (states.back == wizard::ButtonChange::Disable) Sheet().EnableDlgItem(IDC_SHEET_BACK, false);
  if (states.next == wizard::ButtonChange::Disable) Sheet().EnableDlgItem(IDC_SHEET_NEXT, false);
}

void CWizPropertyPage::DoDataExchange(bool save) {
  const PageRole role = Role();
  if (role == PageRole::Welcome) ExchangeWelcome(save);
  if (role == PageRole::Associations) ExchangeMarks(save);
  if (role == PageRole::Ready) ExchangeReady(save);
  if (role == PageRole::Finish) ExchangeFinish(save);
}

// ---------------------------------------------------------------- welcome page

void CWizPropertyPage::ActivateWelcomePage() {
  HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM));
  Sheet().SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  if (firstActivation_) SetWelcomeDefaults();
  // Every time, not only the first: the user may have started the viewer
  // while on a later page.
  WarnIfViewerRunning();
  firstActivation_ = false;
}

void CWizPropertyPage::SetWelcomeDefaults() {
  // UTF-16: as an ANSI text the umlaut would follow the system's code page.
  ::SetWindowTextW(Sheet().GetDlgItem(IDC_SHEET_BACK), L"< &Zur\u00fcck");
  ::SetWindowTextA(Sheet().GetDlgItem(IDC_SHEET_NEXT), "&Weiter >");
  SetTitleFont(IDC_WELCOME_TITLE);
  WizardModel& model = Model();
  model.desktopLink = model.thumbsLink = model.startMenuGroup = true;
  model.allUsers = false;
  // Without administrator rights (or with "/scope=user") the installation is
  // the current user's: its folder, and one line that says so.
  const installrecord::Scope scope = RunScope(ProgramArguments(Sheet().CommandLine()));
  model.perUser = scope == installrecord::Scope::kUser;
  if (model.perUser) AddScopeNote();
  // An earlier installation wins over the default, so an update lands in
  // the same folder.
  char folder[kPathSize] = {};
  GetDefaultInstallFolder(folder, scope);
  if (!FindPreviousInstallFolder(model.targetFolder, scope)) {
    std::memcpy(model.targetFolder, folder, sizeof model.targetFolder);
  }
  // What the command line names wins over both: "winget --location" and the
  // like give "/folder=".
  ApplyCommandLinePresets(Sheet().CommandLine(), model);
  // No links for all users from the current user's installation.
  if (model.perUser) model.allUsers = false;
  ExchangeWelcome(false);
  UpdateLinkScope();
}

// The welcome page's line for the current user's installation, under the
// line that names the version, in the page's own font. An administrator's
// page has no such control at all.
void CWizPropertyPage::AddScopeNote() {
  if (GetDlgItem(IDC_SCOPE_NOTE) != nullptr) return;
  RECT box = {9, 59, 9 + 287, 59 + 10};
  ::MapDialogRect(GetSafeHwnd(), &box);
  const std::string text = LoadResourceString(IDS_USER_SCOPE_NOTE);
  HWND note = ::CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, box.left, box.top,
                                box.right - box.left, box.bottom - box.top, GetSafeHwnd(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SCOPE_NOTE)), nullptr, nullptr);
  if (note == nullptr) return;
  const LRESULT font = ::SendMessageW(GetSafeHwnd(), WM_GETFONT, 0, 0);
  ::SendMessageW(note, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
}

void CWizPropertyPage::ExchangeWelcome(bool save) {
  WizardModel& model = Model();
  if (save) {
    ReadFolderWithoutBestFit(GetSafeHwnd(), model.targetFolder);
    model.desktopLink = IsDlgButtonChecked(IDC_DESKTOP_LINK);
    model.thumbsLink = IsDlgButtonChecked(IDC_THUMBS_LINK);
    model.startMenuGroup = IsDlgButtonChecked(IDC_GROUP_LINK);
    model.allUsers = IsDlgButtonChecked(IDC_ALL_USERS);
    return;
  }
  if (!eulaLink_.WasEverBound() && BindDlgItem(IDC_EULA_LINK, eulaLink_)) {
    eulaLink_.SetUnderlineMode(CHyperLink::UnderlineAlways);
    eulaLink_.SetLinkTarget(kEulaAddress);
  }
  // Text set again would move the caret: only a changed folder is written.
  char shown[kPathSize] = {};
  GetDlgItemText(IDC_TARGET_FOLDER, shown, kPathSize);
  if (std::strcmp(shown, model.targetFolder) != 0) SetDlgItemText(IDC_TARGET_FOLDER, model.targetFolder);
  CheckDlgButton(IDC_DESKTOP_LINK, model.desktopLink);
  CheckDlgButton(IDC_THUMBS_LINK, model.thumbsLink);
  CheckDlgButton(IDC_GROUP_LINK, model.startMenuGroup);
  ::CheckRadioButton(GetSafeHwnd(), IDC_CURRENT_USER, IDC_ALL_USERS,
                     model.allUsers ? IDC_ALL_USERS : IDC_CURRENT_USER);
}

void CWizPropertyPage::WarnIfViewerRunning() {
  if (IsViewerRunning()) ShowProductMessage(IDS_VIEWER_RUNNING, MB_OK | MB_ICONEXCLAMATION);
}

bool CWizPropertyPage::AcceptTargetFolder() {
  char folder[kPathSize] = {};
  ReadFolderWithoutBestFit(GetSafeHwnd(), folder);
  // The same rules as the installation run, so that a folder is refused here,
  // where it can be changed, and not only after the install click; a drive
  // letter has always been asked for here (no network folder, no leading
  // blank), and a folder the uninstaller would refuse is refused here too.
  char normalised[kPathSize];
  if (wizard::HasDrivePart(folder) &&
      CheckTargetFolder(folder, LongestInstalledName(), normalised) == TargetFolderProblem::kNone &&
      !IsProtectedProgramFolder(normalised)) {
    return true;
  }
  ShowProductMessage(IDS_INVALID_FOLDER, MB_OK | MB_ICONERROR);
  return false;
}

void CWizPropertyPage::UpdateLinkScope() {
  const bool anyLink = IsDlgButtonChecked(IDC_DESKTOP_LINK) || IsDlgButtonChecked(IDC_THUMBS_LINK) ||
                       IsDlgButtonChecked(IDC_GROUP_LINK);
  EnableDlgItem(IDC_CURRENT_USER, anyLink);
  // The current user's installation writes into no other user's folders.
  EnableDlgItem(IDC_ALL_USERS, anyLink && !Model().perUser);
}

void CWizPropertyPage::ClearLinks() {
  CheckDlgButton(IDC_DESKTOP_LINK, false);
  CheckDlgButton(IDC_THUMBS_LINK, false);
  CheckDlgButton(IDC_GROUP_LINK, false);
  EnableDlgItem(IDC_CURRENT_USER, false);
  EnableDlgItem(IDC_ALL_USERS, false);
}

// ---------------------------------------------------------------- what's new

void CWizPropertyPage::ActivateWhatsNewPage() {
  std::string notes;
  if (LoadReleaseNotes(notes)) SetDlgItemText(IDC_TARGET_FOLDER, notes.c_str());
}

// ---------------------------------------------------------------- finish page

void CWizPropertyPage::ActivateFinishPage() {
  SetTitleFont(IDC_FINISH_TITLE);
  Model().showFaq = Model().startViewer = true;
  ExchangeFinish(false);
  ::SetWindowTextA(Sheet().GetDlgItem(IDCANCEL), LoadResourceString(IDS_FINISH_BUTTON).c_str());
}

void CWizPropertyPage::ExchangeFinish(bool save) {
  WizardModel& model = Model();
  if (save) {
    model.showFaq = IsDlgButtonChecked(IDC_SHOW_FAQ);
    model.startViewer = IsDlgButtonChecked(IDC_START_VIEWER);
  } else {
    CheckDlgButton(IDC_SHOW_FAQ, model.showFaq);
    CheckDlgButton(IDC_START_VIEWER, model.startViewer);
  }
}

// ---------------------------------------------------------------- commands

bool CWizPropertyPage::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) != BN_CLICKED) return CPropertyPage::OnCommand(wParam, lParam);
  switch (LOWORD(wParam)) {
    case IDC_BROWSE:
      BrowseForTargetFolder();
      return true;
    case IDC_DESKTOP_LINK:
    case IDC_THUMBS_LINK:
    case IDC_GROUP_LINK:
      UpdateLinkScope();
      return true;
    case IDC_NO_LINKS:
      ClearLinks();
      return true;
    case IDC_IMAGES_ONLY:
      MarkRows(0, kImageRowCount - 1, true);
      MarkRows(kImageRowCount, -1, false);
      return true;
    case IDC_SELECT_ALL:
      MarkRows(0, -1, true);
      return true;
    case IDC_SELECT_NONE:
      MarkRows(0, -1, false);
      return true;
    default:
      return CPropertyPage::OnCommand(wParam, lParam);
  }
}

// ---------------------------------------------------------------- helpers

void CWizPropertyPage::ShowProductMessage(unsigned textId, UINT style) const {
  const std::string text = LoadResourceString(textId);
  Sheet().MessageBox(text.c_str(), LoadResourceString(IDS_CAPTION).c_str(), style);
}

void CWizPropertyPage::SetTitleFont(int itemId) {
  // The sheet's title font has a fixed pixel height, right for 96 DPI; on a
  // screen of more DPI the page uses a copy that grows with the rest.
  HFONT font = Sheet().TitleFont();
  const int dpi = ScreenDpi();
  if (dpi != wizard::kDefaultDpi) {
    LOGFONTA description = {};
    if (scaledTitleFont_.IsNull() && GetFontLogFont(font, &description)) {
      description.lfHeight = description.lfHeight < 0 ? -wizard::ScaleForDpi(-description.lfHeight, dpi)
                                                      : wizard::ScaleForDpi(description.lfHeight, dpi);
      scaledTitleFont_.CreateFontIndirect(&description);
    }
    if (!scaledTitleFont_.IsNull()) font = scaledTitleFont_;
  }
  ::SendMessageW(GetDlgItem(itemId), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void CWizPropertyPage::ShowLogoAtScreenDpi() {
  if (logo_.WasShown()) return;
  HWND picture = FindPictureChild(GetSafeHwnd());
  if (picture == nullptr) return;
  logo_.Show(picture, ::GetModuleHandleA(nullptr), IDB_LOGO, IDB_LOGO_LARGE, ScreenDpi());
}
