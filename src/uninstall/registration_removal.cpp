#include "uninstall/registration_removal.h"

#include <windows.h>

#include "core/folder_text.h"
#include "core/uninstall_rules.h"
#include "install/install_record_file.h"
#include "platform/registry_edit.h"
#include "platform/shell_links.h"

using namespace footprint;
using namespace uninstallrules;
using installrecord::InstallRecord;
using installrecord::KeyName;
using installrecord::SameName;

namespace {

std::string RootName(Root root) { return root == Root::kLocalMachine ? "HKLM\\" : "HKCU\\"; }

void Note(const StepResult& done, Root root, const std::string& key, const std::string* name,
          std::vector<std::string>* failed) {
  if (done.ok) return;
  failed->push_back(RootName(root) + key + (name != nullptr ? ": " + (name->empty() ? "(Standard)" : *name) : ""));
}

// A ProgID is registered while its class key exists where the value that
// names it looks: a machine value only among the machine's classes (a
// class of one user's means nothing to the others), a user's value among
// the user's or the machine's, as Windows merges them for the user.
bool IsRegisteredProgId(const std::string& progId, Root root) {
  if (progId.empty()) return false;
  return RegKeyPresent(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + progId) ||
         (root == Root::kCurrentUser && RegKeyPresent(HKEY_CURRENT_USER, "Software\\Classes\\" + progId));
}

// Earlier data goes back only while the program it names is still there:
// an extension's or a user choice's ProgID has its class key, another
// application's entry in RegisteredApplications its capabilities key (a
// path below the same root). A program removed since gets no value that
// leads nowhere; the value goes instead.
bool IsRegistered(const KnownValue& value, const installrecord::EarlierValue* earlier) {
  if (earlier == nullptr || !earlier->existed) return false;
  if (value.kind == ValueKind::kRegisteredApplication) {
    const std::string capabilities = DataText(earlier->data);
    return !capabilities.empty() && capabilities.size() < 255 && capabilities.front() != '\\' &&
           RegKeyPresent(RootKey(value.root), capabilities);
  }
  const std::string progId = EarlierProgId(value, *earlier);
  return progId.empty() || IsRegisteredProgId(progId, value.root);
}

bool Lists(const std::vector<KeyName>& keys, Root root, const std::string& key) {
  for (const KeyName& listed : keys) {
    if (listed.root == root && SameName(listed.key, key)) return true;
  }
  return false;
}

// Two installations side by side, one per scope: a value of the user's own
// part (a user choice, a store app class's NoOpenWith) that already held the
// product's data when this one was installed belongs to the other, and
// stays while the other is still registered. Without an installation of the
// other scope nothing changes.
bool KeptForOtherScope(const KnownValue& value, const installrecord::EarlierValue* earlier, Scope scope) {
  if (earlier == nullptr || !earlier->existed) return false;
  const HKEY other = scope == Scope::kUser ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  if (!RegKeyPresent(other, kOpenCommandKey)) return false;
  if (value.kind == ValueKind::kNoOpenWith) return true;
  return value.kind == ValueKind::kUserChoice && IsProductProgId(earlier->data);
}

// The setup replaces a user choice as a whole key holding only our Progid;
// taking it back means the whole key again: the other program's Progid and
// Hash, or no key at all.
void RestoreUserChoice(const KnownValue& progid, const InstallRecord& record, Scope scope,
                       std::vector<std::string>* failed) {
  const RegData current = ReadRegData(HKEY_CURRENT_USER, progid.key, progid.name);
  if (!current.exists || !SameName(DataText(current.data), progid.ours)) return;
  const installrecord::EarlierValue* earlier = FindEarlier(record, Root::kCurrentUser, progid.key, kProgIdValue);
  if (KeptForOtherScope(progid, earlier, scope)) return;
  const ValueAction action = DecideValue(progid, true, current.data, earlier, IsRegistered(progid, earlier));
  const StepResult removed = RemoveRegTree(HKEY_CURRENT_USER, progid.key);
  if (!removed.ok) {
    Note(removed, Root::kCurrentUser, progid.key, nullptr, failed);
    return;
  }
  if (action != ValueAction::kWriteEarlier) return;
  Note(WriteRegData(HKEY_CURRENT_USER, progid.key, kProgIdValue, earlier->type, earlier->data), Root::kCurrentUser,
       progid.key, &progid.name, failed);
  const installrecord::EarlierValue* hash = FindEarlier(record, Root::kCurrentUser, progid.key, kHashValue);
  if (hash != nullptr && hash->existed && hash->type == REG_SZ && hash->data.size() <= 2048) {
    const std::string hashName = kHashValue;
    Note(WriteRegData(HKEY_CURRENT_USER, progid.key, kHashValue, hash->type, hash->data), Root::kCurrentUser,
         progid.key, &hashName, failed);
  }
}

void RestoreReplacedValues(const InstallRecord& record, Scope scope, std::vector<std::string>* failed) {
  for (const KnownValue& value : KnownReplacedValues(scope)) {
    if (value.kind == ValueKind::kUserChoice) {
      RestoreUserChoice(value, record, scope, failed);
      continue;
    }
    if (value.kind == ValueKind::kUserChoiceHash) continue;
    const RegData current = ReadRegData(RootKey(value.root), value.key, value.name);
    const installrecord::EarlierValue* earlier = FindEarlier(record, value.root, value.key, value.name);
    if (KeptForOtherScope(value, earlier, scope)) continue;
    switch (DecideValue(value, current.exists, current.data, earlier, IsRegistered(value, earlier))) {
      case ValueAction::kWriteEarlier:
        Note(WriteRegData(RootKey(value.root), value.key, value.name, earlier->type, earlier->data), value.root,
             value.key, &value.name, failed);
        break;
      case ValueAction::kDelete:
        Note(RemoveRegValue(RootKey(value.root), value.key, value.name), value.root, value.key, &value.name, failed);
        break;
      case ValueAction::kLeave: break;
    }
  }
}

// A key of the product's that someone else had made: what the setup added
// below it goes, what was there gets its earlier content back.
void RestoreFoundKey(Root root, const std::string& key, const InstallRecord& record,
                     std::vector<std::string>* failed) {
  const HKEY rootKey = RootKey(root);
  if (!RegKeyPresent(rootKey, key)) {
    Note(CreateRegKey(rootKey, key), root, key, nullptr, failed);
  }
  for (const std::string& sub : RegSubkeyNames(rootKey, key)) {
    const std::string child = key + "\\" + sub;
    if (Lists(record.foundKeys, root, child)) {
      RestoreFoundKey(root, child, record, failed);
    } else {
      Note(RemoveRegTree(rootKey, child), root, child, nullptr, failed);
    }
  }
  for (const std::string& name : RegValueNames(rootKey, key)) {
    const installrecord::EarlierValue* earlier = FindEarlier(record, root, key, name);
    if (earlier == nullptr || !earlier->existed) {
      Note(RemoveRegValue(rootKey, key, name), root, key, &name, failed);
    }
  }
  for (const installrecord::EarlierValue& earlier : record.earlier) {
    if (earlier.root != root || !SameName(earlier.key, key) || !earlier.existed) continue;
    const RegData current = ReadRegData(rootKey, key, earlier.name);
    if (current.exists && current.type == earlier.type && current.data == earlier.data) continue;
    Note(WriteRegData(rootKey, key, earlier.name, earlier.type, earlier.data), root, key, &earlier.name, failed);
  }
}

}  // namespace

bool RegistrationBelongsTo(const std::string& folder, Scope scope) {
  const HKEY root = RootKey(ScopeRoot(scope));
  const RegData location = ReadRegData(root, kUninstallEntryKey, kInstallLocationValue);
  if (location.exists) return SameName(WithBackslash(DataText(location.data)), folder);
  const RegData command = ReadRegData(root, kOpenCommandKey, "");
  if (!command.exists) return false;
  char named[kPathSize] = {};
  const std::string text = DataText(command.data);
  return text.size() < kPathSize && ReadOpenCommandFolder(text.c_str(), named) && SameName(named, folder);
}

bool ReadTrustedRecord(const std::string& folder, const std::vector<std::string>& payloadNames,
                       InstallRecord* record, Scope scope) {
  std::string text;
  return ReadRecordCopy(&text, scope) && installrecord::Parse(text, record, nullptr) && record->scope == scope &&
         AdoptRecord(record, folder, payloadNames, nullptr) == RecordVerdict::kUsable;
}

void RemoveRegistration(const InstallRecord* trusted, std::vector<std::string>* failed, Scope scope) {
  if (trusted != nullptr) RestoreReplacedValues(*trusted, scope, failed);
  const InstallRecord none;
  const InstallRecord& record = trusted != nullptr ? *trusted : none;
  for (const KnownKey& key : OwnKeys(scope)) {
    if (Lists(record.foundKeys, key.root, key.key)) {
      RestoreFoundKey(key.root, key.key, record, failed);
    } else {
      Note(RemoveRegTree(RootKey(key.root), key.key), key.root, key.key, nullptr, failed);
    }
  }
  // Written through HKEY_CLASSES_ROOT, which Windows maps to the user's
  // classes when the key existed there. The current user's installation
  // wrote it into the user's classes, one of its own keys.
  const std::string application = kApplicationsEntryKey;
  if (scope == Scope::kMachine && !Lists(record.foundKeys, Root::kLocalMachine, kApplicationsMachineKey) &&
      !RemoveRegTree(HKEY_CLASSES_ROOT, application)) {
    failed->push_back("HKCR\\" + application);
  }
  if (trusted == nullptr) {
    // Ours alone: the value names our capabilities, which are gone now.
    const KnownValue* registered = nullptr;
    for (const KnownValue& value : KnownReplacedValues(scope)) {
      if (value.kind == ValueKind::kRegisteredApplication) registered = &value;
    }
    const Root root = ScopeRoot(scope);
    const RegData current = ReadRegData(RootKey(root), kRegisteredApplicationsKey, kRegisteredApplicationName);
    if (registered != nullptr && current.exists && SameName(DataText(current.data), registered->ours)) {
      const std::string name = kRegisteredApplicationName;
      Note(RemoveRegValue(RootKey(root), kRegisteredApplicationsKey, name), root, kRegisteredApplicationsKey, &name,
           failed);
    }
  }
  for (const KnownKey& key : KnownCreatedKeys(scope)) {
    // The parents of the uninstall entry go with it, at the end.
    if (SameName(key.key, kUninstallParentKey)) continue;
    if (HasCreatedKey(record, key.root, key.key)) RemoveRegKeyIfEmpty(RootKey(key.root), key.key);
  }
  RefreshShellAssociations();
}

bool RemoveUninstallEntry(Scope scope, bool parentCreated) {
  const Root root = ScopeRoot(scope);
  if (!RemoveRegTree(RootKey(root), kUninstallEntryKey).ok) return false;
  if (parentCreated) RemoveRegKeyIfEmpty(RootKey(root), kUninstallParentKey);
  return true;
}
