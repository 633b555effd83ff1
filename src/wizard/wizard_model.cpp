#include "wizard/wizard_model.h"

#include <cstring>

#include "core/command_arguments.h"
#include "core/command_line.h"
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
  options.allUsers = model.allUsers && !model.perUser;
  options.perUser = model.perUser;
  for (int i = 0; i < kFormatRowCount; ++i) {
    if (!model.formatMarks[i]) continue;
    options.formatSelection[i] = true;
    options.associate = true;
  }
  if (model.iniInAppData && model.iniPreset == WizardModel::IniPreset::OtherFolder) {
    std::memcpy(options.iniFolder, model.iniFolder, sizeof options.iniFolder);
    options.iniFolder[kPathSize - 1] = '\0';
  } else if (model.iniInAppData) {
    std::memcpy(options.iniFolder, wizard::kAppDataIniFolder, sizeof wizard::kAppDataIniFolder);
  }
  return options;
}

namespace {

// "%APPDATA%\Pixorra", with or without the closing backslash, in any case:
// the folder the ready page's second choice stands for.
bool IsAppDataIniFolder(const char* folder) {
  const std::size_t length = std::strlen(wizard::kAppDataIniFolder);
  const std::size_t given = std::strlen(folder);
  if (given != length && !(given == length + 1 && folder[length] == '\\')) return false;
  for (std::size_t i = 0; i < length; ++i) {
    const char a = folder[i] >= 'a' && folder[i] <= 'z' ? static_cast<char>(folder[i] - 'a' + 'A') : folder[i];
    const char b = wizard::kAppDataIniFolder[i] >= 'a' && wizard::kAppDataIniFolder[i] <= 'z'
                       ? static_cast<char>(wizard::kAppDataIniFolder[i] - 'a' + 'A')
                       : wizard::kAppDataIniFolder[i];
    if (a != b) return false;
  }
  return true;
}

}  // namespace

void ApplyCommandLinePresets(const char* commandLine, WizardModel& model) {
  InstallOptions options;
  std::memcpy(options.targetFolder, model.targetFolder, sizeof options.targetFolder);
  options.startMenuGroup = model.startMenuGroup;
  options.desktopLink = model.desktopLink;
  options.thumbsLink = model.thumbsLink;
  options.allUsers = model.allUsers;
  ApplyCommandLineOptions(commandLine, options);

  // A value the window cut is another value: the default stays.
  if (!OptionValueCut(commandLine, "/folder=")) {
    std::memcpy(model.targetFolder, options.targetFolder, sizeof model.targetFolder);
  }
  if (!OptionValueCut(commandLine, "/group=")) model.startMenuGroup = options.startMenuGroup;
  if (!OptionValueCut(commandLine, "/desktop=")) model.desktopLink = options.desktopLink;
  if (!OptionValueCut(commandLine, "/thumbs=")) model.thumbsLink = options.thumbsLink;
  if (!OptionValueCut(commandLine, "/allusers=")) model.allUsers = options.allUsers;
  if (options.associate && !OptionValueCut(commandLine, "/assoc=")) {
    for (int i = 0; i < kFormatRowCount; ++i) model.formatMarks[i] = options.formatSelection[i];
  }

  char copy[kCommandLineCopySize];
  CopyCommandLine(commandLine, copy);
  char value[kPathSize];
  if (!ExtractOptionValue(copy, "/ini=", value) || OptionValueCut(commandLine, "/ini=")) return;
  ApplyFolderArgument(value);
  if (value[0] == '\0') {
    model.iniPreset = WizardModel::IniPreset::ProgramFolder;
  } else if (IsAppDataIniFolder(value)) {
    model.iniPreset = WizardModel::IniPreset::AppData;
  } else {
    model.iniPreset = WizardModel::IniPreset::OtherFolder;
    std::memcpy(model.iniFolder, value, sizeof model.iniFolder);
  }
}
