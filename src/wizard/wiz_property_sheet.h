// The wizard's frame: owns the five pages, the user's choices (the model)
// and the pages' title font, asks before the wizard is abandoned and carries
// out the finish page's choices.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "core/wizard_rules.h"
#include "framework/gdi_objects.h"
#include "framework/property_sheet.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wizard_model.h"

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
  // commandLine: the whole line, program path included; its options preset
  // the pages.
  explicit CWizPropertySheet(const char* commandLine);

  const MessageMap* GetMessageMap() const override;

  // The Cancel button reads "&Beenden".
  void OnInitDialog() override;

  WizardModel& Model() { return model_; }
  const char* CommandLine() const { return commandLine_.c_str(); }

  // What the installation runs of this wizard came to; a later run that
  // succeeds wins over an earlier failure.
  // OtherRun: the last try found another setup or uninstaller at work.
  enum class RunOutcome { NotRun, OtherRun, Failed, Installed };
  RunOutcome Outcome() const { return outcome_; }
  void NoteInstallation(bool installed) { outcome_ = installed ? RunOutcome::Installed : RunOutcome::Failed; }
  void NoteOtherRun() {
    if (outcome_ == RunOutcome::NotRun) outcome_ = RunOutcome::OtherRun;
  }
  HFONT TitleFont() const { return titleFont_; }

 protected:
  // IDCANCEL: the abandon question on pages 0..3, the finish actions on the
  // finish page. True: consumed (the sheet stays); false: comctl32 cancels.
  bool OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  // true when the user answered No: the wizard stays where it is.
  bool UserKeepsWizard();
  void RunFinishActions();
  void StartViewer();

  bool OnSysCommand(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnTimer(WPARAM wParam, LPARAM lParam, LRESULT& result);

  std::string commandLine_;
  RunOutcome outcome_ = RunOutcome::NotRun;
  WizardModel model_;
  CFont titleFont_;
  std::unique_ptr<CWizPropertyPage> pages_[wizard::kWizardPageCount];
};
