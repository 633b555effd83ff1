#include "shell/association.h"

#include "core/format_table.h"
#include "core/shell_text.h"
#include "platform/environment.h"
#include "platform/registry.h"
#include "platform/shell_links.h"

using namespace shelltext;

namespace {

constexpr const char* kFileAssociationsKey = "SOFTWARE\\Pixorra\\Capabilities\\FileAssociations";

// The system's own ProgIDs of its built-in photo, video and music apps, which
// would otherwise keep offering themselves next to the viewer.
const char* const kStoreAppClasses[] = {
    "SOFTWARE\\Classes\\AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg",
    "SOFTWARE\\Classes\\AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt",
    "SOFTWARE\\Classes\\AppX43hnxtbyyps62jhe9sqpdzxn1790zetc",
    "SOFTWARE\\Classes\\AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h",
    "SOFTWARE\\Classes\\AppX6eg8h5sxqq90pv53845wmnbewywdqq5h",
};

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
  for (const char* appClass : kStoreAppClasses) {
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, appClass);
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
