// The user's choices in the wizard, apart from the page windows: each page
// stores its values here when it is left and shows them again when it is
// activated; the ready page builds the installation's options from them.
// No Windows header.
#pragma once

#include "core/install_options.h"

struct WizardModel {
  // Welcome page: the folder as typed (blanks are trimmed where it is used).
  char targetFolder[kPathSize] = {};
  bool desktopLink = false;
  bool thumbsLink = false;
  bool startMenuGroup = false;
  bool allUsers = false;
  // The current user's installation (decided when the welcome page is set up).
  bool perUser = false;
  // Association page: one mark per format-table row, in table order.
  bool formatMarks[kFormatRowCount] = {};
  // Ready page: the settings file in the user's application data (or in
  // the folder "/ini=" named, see below), else beside the program.
  bool iniInAppData = false;
  // What "/ini=" chose for the ready page. Without it the system decides
  // (application data from Vista on); with a folder that is neither ""
  // (beside the program) nor the application-data folder, the page's second
  // choice names that folder (iniFolder) instead.
  enum class IniPreset { None, ProgramFolder, AppData, OtherFolder };
  IniPreset iniPreset = IniPreset::None;
  char iniFolder[kPathSize] = {};
  // Finish page.
  bool showFaq = false;
  bool startViewer = false;
};

// The options of the wizard's installation: the trimmed folder, the links,
// the marked rows (any mark also asks for the association), the settings
// folder; never silent.
InstallOptions InstallOptionsFromModel(const WizardModel& model);

// The options on the command line as the wizard's defaults: "/folder=",
// "/group=", "/desktop=", "/thumbs=", "/allusers=", "/assoc=" and "/ini=",
// read as a silent run reads them, over what model holds. An option that is
// absent, or whose value the 519-character window cut, leaves its default.
void ApplyCommandLinePresets(const char* commandLine, WizardModel& model);
