// The ready page: shows the target folder, offers where the viewer keeps its
// settings file, and its Next runs the installation while the wizard waits.
#include <windows.h>

#include <cstring>
#include <string>

#include "core/folder_text.h"
#include "core/footprint_names.h"
#include "core/target_folder.h"
#include "platform/viewer_process.h"
#include "platform/resource_text.h"
#include "platform/run_lock.h"
#include "resources/resource.h"
#include "setup/installation_run.h"
#include "setup/silent_start.h"
#include "wizard/message_reporter.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"
#include "wizard/wizard_model.h"

namespace {

constexpr int kWordSize = 50;
constexpr int kFolderLineSize = kWordSize + 2 + kPathSize;

}  // namespace

void CWizPropertyPage::ActivateReadyPage() {
  SetTitleFont(IDC_READY_TITLE);

  // As it will be created: "C:\Tools \Pixorra" becomes "C:\Tools\Pixorra".
  char folder[kPathSize];
  ShownTargetFolder(Model().targetFolder, folder);
  char word[kWordSize] = {};
  LoadResourceString(IDS_TARGET_FOLDER_WORD, word, kWordSize);
  char line[kFolderLineSize];
  wizard::ComposeFolderLine(word, folder, line, sizeof line);
  SetDlgItemText(IDC_READY_FOLDER, line);

  // Reset on every activation: the settings file belongs in the user's
  // application data, unless the command line chose.
  WizardModel& model = Model();
  switch (model.iniPreset) {
    case WizardModel::IniPreset::None: model.iniInAppData = true; break;
    case WizardModel::IniPreset::ProgramFolder: model.iniInAppData = false; break;
    case WizardModel::IniPreset::AppData:
    case WizardModel::IniPreset::OtherFolder: model.iniInAppData = true; break;
  }
  if (model.iniPreset == WizardModel::IniPreset::OtherFolder) {
    const std::string choice = LoadResourceString(IDS_INI_FROM_COMMAND_LINE) + model.iniFolder;
    SetDlgItemText(IDC_INI_APPDATA_FOLDER, choice.c_str());
  }
  ExchangeReady(false);
}

void CWizPropertyPage::ExchangeReady(bool save) {
  if (!progressNote_.WasEverBound() && BindDlgItem(IDC_PROGRESS_NOTE, progressNote_)) {
    progressNote_.SetLabelColor(RGB(255, 0, 0), false);
    progressNote_.SetLabelBold(true, true);
    progressNote_.SetLabelFont("Arial", 18, true);
  }
  bool& inAppData = Model().iniInAppData;
  if (save) {
    inAppData = IsDlgButtonChecked(IDC_INI_APPDATA_FOLDER);
  } else {
    CheckDlgButton(IDC_INI_PROGRAM_FOLDER, !inAppData);
    CheckDlgButton(IDC_INI_APPDATA_FOLDER, inAppData);
  }
}

LRESULT CWizPropertyPage::StartInstallation() {
  // The run starts before the page is left: its choice goes to the model now.
  ExchangeReady(true);
  const InstallOptions options = InstallOptionsFromModel(Model());
  // The folder's viewer blocks the files whoever runs it, in any session.
  char viewerFolder[kPathSize];
  if (!NormaliseTargetFolder(options.targetFolder, viewerFolder)) viewerFolder[0] = '\0';
  if (IsViewerInUse(viewerFolder)) {
    ShowProductMessage(IDS_VIEWER_RUNNING, MB_OK | MB_ICONEXCLAMATION);
    return -1;
  }
  // Taken only now, when the installation starts, and held until it ends: a
  // wizard that is merely open blocks no other run. Another setup or the
  // uninstaller at work: the page stays, and Next can be tried again.
  RunLock lock;
  const HCURSOR cursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  const bool ours = lock.Acquire(footprint::kRunWaitMs);
  SetCursor(cursor);
  if (!ours) {
    Sheet().NoteOtherRun();
    ShowProductMessage(RunLockRefusalText(lock), MB_OK | MB_ICONEXCLAMATION);
    return -1;
  }

  // The note stays visible afterwards, also when the run failed.
  progressNote_.ShowWindow(SW_SHOW);
  progressNote_.UpdateWindow();

  CWizPropertySheet& sheet = Sheet();
  sheet.SetTimer(kCaptionTimerId, kCaptionTimerMs);
  sheet.EnableDlgItem(IDC_SHEET_BACK, false);
  sheet.EnableDlgItem(IDC_SHEET_NEXT, false);
  sheet.EnableDlgItem(IDCANCEL, false);
  MessageBoxReporter reporter;
  const bool installed = RunInstallation(options, reporter);
  sheet.NoteInstallation(installed);
  sheet.KillTimer(kCaptionTimerId);
  sheet.EnableDlgItem(IDC_SHEET_BACK, true);
  sheet.EnableDlgItem(IDC_SHEET_NEXT, true);
  sheet.EnableDlgItem(IDCANCEL, true);

  // The run has told the user what failed; the welcome page is where the
  // folder can be changed.
  if (!installed) return IDD_WELCOME;
  return NeighbourPage(true);
}
