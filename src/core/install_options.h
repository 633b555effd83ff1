// The record that carries every choice of one installation to RunInstallation.
// Filled either from the command line (silent run) or from the wizard's model.
#pragma once

#include "core/format_table.h"
#include "core/product.h"

struct InstallOptions {
  char targetFolder[kPathSize] = {};
  bool startMenuGroup = false;
  bool desktopLink = false;
  bool thumbsLink = false;
  bool allUsers = false;
  char iniFolder[kPathSize] = {};
  bool formatSelection[kFormatRowCount] = {};  // format-table row order
  bool associate = false;                      // some row is chosen
  // The running account's own part of the associations (user choices,
  // store-app entries); off for a machine account, whose profile no user sees.
  bool userAssociations = true;
  // The current user's installation (nothing for the machine, no
  // administrator rights needed), else the machine's.
  bool perUser = false;
};
