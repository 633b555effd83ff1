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
  // Association page: one mark per format-table row, in table order.
  bool formatMarks[kFormatRowCount] = {};
  // Ready page: the settings file in the user's application data, else
  // beside the program.
  bool iniInAppData = false;
  // Finish page.
  bool showFaq = false;
  bool startViewer = false;
};

// The options of the wizard's installation: the trimmed folder, the links,
// the marked rows (any mark also asks for the association), the settings
// folder; never silent.
InstallOptions InstallOptionsFromModel(const WizardModel& model);
