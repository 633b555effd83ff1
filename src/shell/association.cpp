#include "shell/association.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/format_table.h"
#include "core/shell_text.h"
#include "core/uninstall_rules.h"
#include "platform/environment.h"
#include "platform/registry.h"
#include "platform/run_progress.h"
#include "platform/shell_links.h"

using namespace shelltext;

namespace {

constexpr const char* kFileAssociationsKey = "SOFTWARE\\Pixorra\\Capabilities\\FileAssociations";

// The ProgID suffixes the stage has written, each with the icon text of its
// last write. Several extensions share a suffix (.jpg, .jpe, .jpeg); writing
// its ProgID keys and capability again with the same texts leaves the
// registry as it was, and under Wine costs three round trips to the
// wineserver per key.
class WrittenSuffixes {
 public:
  // True when sfx was last written with iconText.
  bool Same(const char* sfx, const char* iconText) const {
    const Entry* entry = Find(sfx);
    return entry != nullptr && std::strcmp(entry->iconText, iconText) == 0;
  }
  bool Seen(const char* sfx) const { return Find(sfx) != nullptr; }
  void Remember(const char* sfx, const char* iconText) {
    if (std::strlen(sfx) >= kShortSize || std::strlen(iconText) >= kCommandSize) return;
    Entry* entry = const_cast<Entry*>(Find(sfx));
    if (entry == nullptr) {
      entries_.emplace_back();
      entry = &entries_.back();
      std::strcpy(entry->sfx, sfx);
    }
    std::strcpy(entry->iconText, iconText);
  }

 private:
  struct Entry {
    char sfx[kShortSize];
    char iconText[kCommandSize];
  };
  const Entry* Find(const char* sfx) const {
    for (const Entry& entry : entries_) {
      if (std::strcmp(entry.sfx, sfx) == 0) return &entry;
    }
    return nullptr;
  }
  std::vector<Entry> entries_;
};

// AssociateExtension through the capability key opened by the caller;
// written: what this stage wrote before, or null to write everything;
// userChoice: the running account's user choice is written too. False when
// chosen and the extension did not become the viewer's.
bool WriteExtension(const char* ext, const char* sfx, const char* openCommand, const char* iconText, bool chosen,
                    RegKey& capabilities, WrittenSuffixes* written, bool userChoice) {
  char progId[kShortSize];
  if (!ComposeProgId(sfx, progId, sizeof(progId))) return !chosen;
  char key[kKeySize];

  bool madeOurs = true;
  if (chosen && ComposeExtensionKey(ext, key, sizeof(key))) {
    madeOurs = SetDefaultText(HKEY_LOCAL_MACHINE, key, progId);
  }

  if (written == nullptr || !written->Same(sfx, iconText)) {
    char description[kShortSize];
    if (ComposeProgIdKey(sfx, key, sizeof(key)) && ComposeTypeDescription(sfx, description, sizeof(description))) {
      SetDefaultText(HKEY_LOCAL_MACHINE, key, description);
    }
    if (ComposeProgIdCommandKey(sfx, key, sizeof(key))) SetDefaultText(HKEY_LOCAL_MACHINE, key, openCommand);
    if (ComposeProgIdIconKey(sfx, key, sizeof(key))) SetDefaultText(HKEY_LOCAL_MACHINE, key, iconText);
  }

  // Only into the key that the registration created: its absence means the
  // application keys could not be written, and then this stays unwritten too.
  char capability[kShortSize];
  if ((written == nullptr || !written->Seen(sfx)) && ComposeCapabilityName(sfx, capability, sizeof(capability))) {
    capabilities.SetText(capability, progId);
  }
  if (written != nullptr) written->Remember(sfx, iconText);

  if (chosen && userChoice && ComposeUserChoiceKey(ext, key, sizeof(key))) {
    // A user choice left by another program is replaced, not merged.
    DeleteKeyIfPresent(HKEY_CURRENT_USER, key);
    RegKey choice = RegKey::Create(HKEY_CURRENT_USER, key);
    madeOurs = choice.SetText("Progid", progId) && madeOurs;
  }
  return madeOurs;
}

}  // namespace

void AssociateExtension(const char* ext, const char* sfx, const char* openCommand, const char* iconText,
                        bool chosen) {
  RegKey capabilities = RegKey::Open(HKEY_LOCAL_MACHINE, kFileAssociationsKey, KEY_SET_VALUE);
  WriteExtension(ext, sfx, openCommand, iconText, chosen, capabilities, nullptr, true);
}

void SetAppxNoOpenWith() {
  // One list with the uninstaller, which takes these values back.
  for (const std::string& appClass : uninstallrules::StoreAppClasses()) {
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, appClass.c_str());
    key.SetText("NoOpenWith", "");
  }
}

std::vector<std::string> AssociateFormats(const char* programPath, const char* openCommand,
                                          const bool* formatSelection, bool confirm, bool associate,
                                          bool userPart) {
  std::vector<std::string> failed;
  // Opened once for every capability value of the stage.
  RegKey capabilities = RegKey::Open(HKEY_LOCAL_MACHINE, kFileAssociationsKey, KEY_SET_VALUE);
  WrittenSuffixes written;
  runprogress::BeginStage(progressrule::Stage::kRegistering, static_cast<unsigned long long>(FormatRowCount()));
  for (int index = 0; index < FormatRowCount(); ++index) {
    runprogress::Advance(1);
    const FormatRow* row = GetFormatRow(index);
    char iconText[kCommandSize];
    if (!ComposeIconText(row->icon, programPath, iconText, sizeof(iconText))) continue;
    const bool chosen = formatSelection != nullptr && formatSelection[index] && confirm;
    for (int e = 0; e < row->extensionCount; ++e) {
      const char* extension = row->extensions[e].extension;
      if (!WriteExtension(extension, row->extensions[e].suffix, openCommand, iconText, chosen, capabilities,
                          &written, userPart)) {
        failed.push_back(std::string(".") + extension);
      }
    }
  }
  if (associate && confirm) {
    if (userPart && IsWindows8OrLater()) SetAppxNoOpenWith();
    RefreshShellAssociations();
  }
  return failed;
}
