#include "shell/association.h"

#include <cstring>
#include <map>
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
  std::string lastFailed;
  RegistryWriter writer;
  // The first failed essential write of each ProgID: an extension is never
  // made to name a ProgID without its key or open command.
  std::map<std::string, std::string> brokenProgIds;
  auto write = [&](const footprint::RegistryItem& item) {
    std::string cause;
    bool ok = true;
    const auto broken = item.progIdKey ? brokenProgIds.end() : brokenProgIds.find(item.progId);
    if (!item.progId.empty() && broken != brokenProgIds.end()) {
      ok = false;
      cause = broken->second;
    } else {
      const StepResult written = writer.Write(item);
      ok = written.ok;
      if (!ok && item.progIdKey) brokenProgIds.emplace(item.progId, written.subject);
    }
    // One name per extension, however many of its writes failed.
    if (!ok && !item.extension.empty() && lastFailed != item.extension) {
      lastFailed = item.extension;
      failed.push_back(cause.empty() ? item.extension : item.extension + " (" + cause + ")");
    }
  };
  runprogress::BeginStage(progressrule::Stage::kRegistering, static_cast<unsigned long long>(FormatRowCount()));
  std::size_t next = 0;
  const std::vector<footprint::RegistryItem>& items = planned.registry;
  while (next < items.size() && items[next].formatRow < 0) ++next;
  std::vector<const footprint::RegistryItem*> choices;
  for (int row = 0; row < FormatRowCount(); ++row) {
    runprogress::Advance(1);
    // What makes an extension name a ProgID waits for the ProgID's keys.
    choices.clear();
    for (; next < items.size() && items[next].formatRow == row; ++next) {
      if (!items[next].progId.empty() && !items[next].progIdKey) {
        choices.push_back(&items[next]);
      } else {
        write(items[next]);
      }
    }
    for (const footprint::RegistryItem* choice : choices) write(*choice);
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
