#include "shell/registration.h"

#include <windows.h>

#include <cstring>

#include "core/folder_text.h"
#include "core/footprint.h"
#include "core/shell_text.h"
#include "platform/environment.h"
#include "shell/association.h"
#include "shell/registry_writer.h"

using namespace shelltext;

namespace {

// Today as the uninstall entry's InstallDate; "" when it cannot be formed.
std::string Today() {
  SYSTEMTIME today;
  GetLocalTime(&today);
  char date[kShortSize];
  if (!footprint::FormatInstallDate(today.wYear, today.wMonth, today.wDay, date, sizeof(date))) return "";
  return date;
}

}  // namespace

bool ComposeTextsFor(const char* installedFolder, shelltext::InstallTexts* texts) {
  char trimmed[kPathSize] = {};
  if (installedFolder != nullptr) std::strncpy(trimmed, installedFolder, sizeof(trimmed) - 1);
  TrimSpaces(trimmed);
  return ComposeInstallTexts(trimmed, texts);
}

footprint::Choices FootprintChoices(const InstallOptions& options, bool associationsConfirmed) {
  footprint::Choices choices;
  choices.group = options.startMenuGroup;
  choices.desktop = options.desktopLink;
  choices.thumbs = options.thumbsLink;
  choices.allUsers = options.allUsers;
  choices.associate = options.associate;
  choices.confirmed = associationsConfirmed;
  choices.userAssociations = options.userAssociations;
  choices.perUser = options.perUser;
  for (int row = 0; row < kFormatRowCount; ++row) choices.formats[row] = options.formatSelection[row];
  choices.windows8OrLater = IsWindows8OrLater();
  return choices;
}

RegistrationOutcome WriteShellRegistration(const InstallOptions& options, const char* installedFolder,
                                           bool associationsConfirmed, unsigned long long payloadBytes) {
  RegistrationOutcome outcome;
  InstallTexts texts;
  if (!ComposeTextsFor(installedFolder, &texts)) return outcome;

  footprint::Choices choices = FootprintChoices(options, associationsConfirmed);
  choices.payloadBytes = payloadBytes;
  choices.installDate = Today();
  const footprint::Footprint planned = footprint::Describe(choices, texts);

  RegistryWriter writer;
  for (const footprint::RegistryItem& item : planned.registry) {
    if (item.formatRow != footprint::kEveryRun) continue;
    const StepResult written = writer.Write(item);
    if (item.essential) outcome.essential.KeepFirst(written);
  }
  outcome.failedAssociations = WriteAssociations(planned);
  return outcome;
}
