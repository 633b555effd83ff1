// The ready page: shows the target folder, offers where the viewer keeps its
// settings file, and its Next runs the installation while the wizard waits.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "platform/environment.h"
#include "core/install_options.h"
#include "core/folder_text.h"
#include "setup/installation_run.h"
#include "wizard/message_reporter.h"
#include "platform/resource_text.h"
#include "resources/resource.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

namespace {

constexpr int kWordSize = 50;
constexpr int kFolderLineSize = kWordSize + 2 + kPathSize;
constexpr UINT kStateImageMask = 0xF000;
constexpr int kUncheckedImage = 1;

int CheckState(const CWnd& page, int id) { return page.IsDlgButtonChecked(id) == BST_CHECKED ? 1 : 0; }

}  // namespace

void CWizPropertyPage::ActivateReadyPage() {
  SetTitleFont(IDC_READY_TITLE);

  char folder[kPathSize] = {};
  ReadTargetFolder(folder);
  TrimSpaces(folder);
  char word[kWordSize] = {};
  LoadResourceString(IDS_TARGET_FOLDER_WORD, word, kWordSize);
  char line[kFolderLineSize];
  wizard::ComposeFolderLine(word, folder, line, sizeof line);
  SetDlgItemText(IDC_READY_FOLDER, line);

  // Reset on every activation: the settings file belongs in the user's
  // application data from Vista on, beside the program before.
  const bool vistaOrLater = IsVistaOrLater();
  CheckDlgButton(IDC_INI_PROGRAM_FOLDER, vistaOrLater ? BST_UNCHECKED : BST_CHECKED);
  CheckDlgButton(IDC_INI_APPDATA_FOLDER, vistaOrLater ? BST_CHECKED : BST_UNCHECKED);
}

void CWizPropertyPage::CollectInstallOptions(InstallOptions& options) {
  options = InstallOptions();
  ReadTargetFolder(options.targetFolder);
  TrimSpaces(options.targetFolder);

  CWnd* welcome = WelcomePage();
  if (welcome != nullptr && welcome->GetSafeHwnd() != nullptr) {
    options.startMenuGroup = CheckState(*welcome, IDC_GROUP_LINK);
    options.desktopLink = CheckState(*welcome, IDC_DESKTOP_LINK);
    options.thumbsLink = CheckState(*welcome, IDC_THUMBS_LINK);
    options.allUsers = CheckState(*welcome, IDC_ALL_USERS);
  }

  HWND list = sheet->associationList;
  const int rows = list != nullptr ? static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
  for (int i = 0; i < rows && i < kFormatRowCount; ++i) {
    const auto state = static_cast<UINT>(::SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i),
                                                        kStateImageMask));
    if (((state & kStateImageMask) >> 12) != kUncheckedImage) {
      options.formatSelection[i] = 1;
      options.associate = 1;
    }
  }

  if (IsDlgButtonChecked(IDC_INI_APPDATA_FOLDER) == BST_CHECKED) {
    std::memcpy(options.iniFolder, wizard::kAppDataIniFolder, sizeof wizard::kAppDataIniFolder);
  }
  options.silent = 0;
}

LRESULT CWizPropertyPage::StartInstallation() {
  if (IsViewerRunning()) {
    ShowProductMessage(IDS_VIEWER_RUNNING, MB_OK | MB_ICONEXCLAMATION);
    return -1;
  }
  InstallOptions options;
  CollectInstallOptions(options);

  // The note stays visible afterwards, also when the run failed.
  sheet->progressNote.ShowWindow(SW_SHOW);
  sheet->progressNote.UpdateWindow();

  sheet->SetTimer(kCaptionTimerId, kCaptionTimerMs);
  sheet->EnableButton(IDC_SHEET_BACK, FALSE);
  sheet->EnableButton(IDC_SHEET_NEXT, FALSE);
  sheet->EnableButton(IDCANCEL, FALSE);
  MessageBoxReporter reporter;
  const bool installed = RunInstallation(options, reporter);
  sheet->KillTimer(kCaptionTimerId);
  sheet->EnableButton(IDC_SHEET_BACK, TRUE);
  sheet->EnableButton(IDC_SHEET_NEXT, TRUE);
  sheet->EnableButton(IDCANCEL, TRUE);

  // The run has told the user what failed; the welcome page is where the
  // folder can be changed.
  if (!installed) return IDD_WELCOME;
  return FindNextEnabledPage(true);
}
