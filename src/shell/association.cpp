#include "shell/association.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/format_table.h"
#include "core/shell_text.h"
#include "platform/environment.h"
#include "platform/run_progress.h"
#include "platform/shell_links.h"
#include "shell/registry_writer.h"

std::vector<std::string> WriteAssociations(const footprint::Footprint& planned) {
  std::vector<std::string> failed;
  RegistryWriter writer;
  auto write = [&](const footprint::RegistryItem& item) {
    const StepResult written = writer.Write(item);
    // One name per extension, however many of its writes failed.
    if (!written.ok && !item.extension.empty() && (failed.empty() || failed.back() != item.extension)) {
      failed.push_back(item.extension);
    }
  };
  runprogress::BeginStage(progressrule::Stage::kRegistering, static_cast<unsigned long long>(FormatRowCount()));
  std::size_t next = 0;
  const std::vector<footprint::RegistryItem>& items = planned.registry;
  while (next < items.size() && items[next].formatRow < 0) ++next;
  for (int row = 0; row < FormatRowCount(); ++row) {
    runprogress::Advance(1);
    for (; next < items.size() && items[next].formatRow == row; ++next) write(items[next]);
  }
  for (const footprint::RegistryItem& item : items) {
    if (item.formatRow == footprint::kAnyAssociation) write(item);
  }
  if (planned.refreshShell) RefreshShellAssociations();
  return failed;
}

std::vector<std::string> AssociateFormats(const char* programPath, const char* openCommand,
                                          const bool* formatSelection, bool confirm, bool associate,
                                          bool userPart) {
  // The stage reads only these two of the install folder's texts.
  shelltext::InstallTexts texts = {};
  std::strncpy(texts.programPath, programPath, sizeof(texts.programPath) - 1);
  std::strncpy(texts.openCommand, openCommand, sizeof(texts.openCommand) - 1);
  footprint::Choices choices;
  for (int row = 0; row < kFormatRowCount; ++row) {
    choices.formats[row] = formatSelection != nullptr && formatSelection[row];
  }
  choices.confirmed = confirm;
  choices.associate = associate;
  choices.userAssociations = userPart;
  choices.windows8OrLater = IsWindows8OrLater();
  footprint::Footprint planned = footprint::Describe(choices, texts);
  return WriteAssociations(planned);
}
