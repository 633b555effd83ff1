#include "shell/association.h"

#include <string>

#include "core/format_table.h"
#include "core/shell_text.h"
#include "core/uninstall_rules.h"
#include "platform/environment.h"
#include "platform/registry.h"
#include "platform/shell_links.h"

using namespace shelltext;

namespace {

constexpr const char* kFileAssociationsKey = "SOFTWARE\\Pixorra\\Capabilities\\FileAssociations";

}  // namespace

void AssociateExtension(const char* ext, const char* sfx, const char* openCommand, const char* iconText,
                        bool chosen) {
  char progId[kShortSize];
  if (!ComposeProgId(sfx, progId, sizeof(progId))) return;
  char key[kKeySize];

  if (chosen && ComposeExtensionKey(ext, key, sizeof(key))) SetDefaultText(HKEY_LOCAL_MACHINE, key, progId);

  char description[kShortSize];
  if (ComposeProgIdKey(sfx, key, sizeof(key)) && ComposeTypeDescription(sfx, description, sizeof(description))) {
    SetDefaultText(HKEY_LOCAL_MACHINE, key, description);
  }
  if (ComposeProgIdCommandKey(sfx, key, sizeof(key))) SetDefaultText(HKEY_LOCAL_MACHINE, key, openCommand);
  if (ComposeProgIdIconKey(sfx, key, sizeof(key))) SetDefaultText(HKEY_LOCAL_MACHINE, key, iconText);

  // Only into the key that the registration created: its absence means the
  // application keys could not be written, and then this stays unwritten too.
  char capability[kShortSize];
  if (ComposeCapabilityName(sfx, capability, sizeof(capability))) {
    RegKey capabilities = RegKey::Open(HKEY_LOCAL_MACHINE, kFileAssociationsKey, KEY_SET_VALUE);
    capabilities.SetText(capability, progId);
  }

  if (chosen && ComposeUserChoiceKey(ext, key, sizeof(key))) {
    // A user choice left by another program is replaced, not merged.
    DeleteKeyIfPresent(HKEY_CURRENT_USER, key);
    RegKey choice = RegKey::Create(HKEY_CURRENT_USER, key);
    choice.SetText("Progid", progId);
  }
}

void SetAppxNoOpenWith() {
  // One list with the uninstaller, which takes these values back.
  for (const std::string& appClass : uninstallrules::StoreAppClasses()) {
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, appClass.c_str());
    key.SetText("NoOpenWith", "");
  }
}

void AssociateFormats(const char* programPath, const char* openCommand, const bool* formatSelection,
                      bool confirm, bool associate) {
  for (int index = 0; index < FormatRowCount(); ++index) {
    const FormatRow* row = GetFormatRow(index);
    char iconText[kCommandSize];
    if (!ComposeIconText(row->icon, programPath, iconText, sizeof(iconText))) continue;
    const bool chosen = formatSelection != nullptr && formatSelection[index] && confirm;
    for (int e = 0; e < row->extensionCount; ++e) {
      AssociateExtension(row->extensions[e].extension, row->extensions[e].suffix, openCommand, iconText, chosen);
    }
  }
  if (associate && confirm) {
    if (IsWindows8OrLater()) SetAppxNoOpenWith();
    RefreshShellAssociations();
  }
}
