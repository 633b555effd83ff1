#include "wizard/wizard_model.h"

#include <cstring>

#include "core/folder_text.h"
#include "core/wizard_rules.h"

InstallOptions InstallOptionsFromModel(const WizardModel& model) {
  InstallOptions options;
  std::memcpy(options.targetFolder, model.targetFolder, sizeof options.targetFolder);
  options.targetFolder[kPathSize - 1] = '\0';
  TrimSpaces(options.targetFolder);
  options.startMenuGroup = model.startMenuGroup;
  options.desktopLink = model.desktopLink;
  options.thumbsLink = model.thumbsLink;
  options.allUsers = model.allUsers;
  for (int i = 0; i < kFormatRowCount; ++i) {
    if (!model.formatMarks[i]) continue;
    options.formatSelection[i] = true;
    options.associate = true;
  }
  if (model.iniInAppData) {
    std::memcpy(options.iniFolder, wizard::kAppDataIniFolder, sizeof wizard::kAppDataIniFolder);
  }
  options.silent = false;
  return options;
}
