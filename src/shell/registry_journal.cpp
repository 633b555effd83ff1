#include "shell/registry_journal.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/footprint.h"
#include "platform/registry_edit.h"
#include "platform/registry_tree.h"

using footprint::KnownKey;
using footprint::KnownValue;
using installrecord::Root;
using installrecord::SameName;
using installrecord::Scope;

namespace {

// Every own key of the scope, the uninstall entry last but one; for the
// machine, last, the application entry in the user's classes when it exists.
std::vector<KnownKey> OwnKeysOf(Scope scope) {
  std::vector<KnownKey> keys = footprint::OwnKeys(scope);
  keys.push_back({footprint::ScopeRoot(scope), footprint::kUninstallEntryKey});
  return keys;
}

void CaptureOwnKey(Root root, const std::string& key, journal::Journal* journal) {
  std::vector<TreeKey> keys;
  std::vector<TreeValue> values;
  journal::Key own;
  own.root = root;
  own.key = key;
  own.existed = ReadTreeAsIs(RootKey(root), key, installrecord::kMaxRecordSize, &keys, &values);
  own.link = own.existed && keys.front().link;
  journal->ownKeys.push_back(own);
  for (std::size_t i = 1; i < keys.size(); ++i) {
    journal::Key sub;
    sub.root = root;
    sub.key = keys[i].key;
    sub.existed = true;
    sub.link = keys[i].link;
    journal->ownSubKeys.push_back(sub);
  }
  for (const TreeValue& found : values) {
    journal::Value value;
    value.root = root;
    value.key = found.key;
    value.name = found.name;
    value.existed = true;
    value.type = found.type;
    value.data = found.data;
    value.tooLarge = found.tooLarge;
    journal->ownValues.push_back(value);
  }
}

std::string RootName(Root root) { return root == Root::kLocalMachine ? "HKLM\\" : "HKCU\\"; }

// Adds each failed key or value to the report, named "HKLM\<key>" or
// "HKCU\<key>" with ": <name>" for a value, with the system's error.
class Restorer {
 public:
  void Note(const StepResult& done, Root root, const std::string& key, const std::string* name = nullptr) {
    if (done.ok) return;
    report_.Add(StepResult::Failed(
        RootName(root) + key + (name != nullptr ? ": " + (name->empty() ? "(Standard)" : *name) : ""), done.error));
  }
  // A key that is a registry link now: what it held is not put back, as it
  // is never written through.
  void Refused(Root root, const std::string& key, const std::string* name = nullptr) {
    Note(StepResult::Failed(key, ERROR_CANT_RESOLVE_FILENAME), root, key, name);
  }
  const StepReport& Report() const { return report_; }

 private:
  StepReport report_;
};

bool Below(const std::string& key, const std::string& top) {
  return key.size() > top.size() && key[top.size()] == '\\' && SameName(key.substr(0, top.size()), top);
}

void RestoreOwnKey(const journal::Journal& journal, const journal::Key& own, Restorer* restorer) {
  const HKEY root = RootKey(own.root);
  if (own.link) return;  // left as it is
  if (!own.existed) {
    restorer->Note(RemoveTreeAsIs(root, own.key), own.root, own.key);
    return;
  }
  std::vector<TreeKey> keys = {{own.key, false}};
  for (const journal::Key& sub : journal.ownSubKeys) {
    if (sub.root == own.root && Below(sub.key, own.key)) keys.push_back({sub.key, sub.link});
  }
  std::vector<TreeValue> values;
  for (const journal::Value& found : journal.ownValues) {
    if (found.root != own.root || !(SameName(found.key, own.key) || Below(found.key, own.key))) continue;
    TreeValue value;
    value.key = found.key;
    value.name = found.name;
    value.type = found.type;
    value.data = found.data;
    value.tooLarge = found.tooLarge;
    values.push_back(value);
  }
  restorer->Note(PutBackTree(root, own.key, keys, values), own.root, own.key);
}

const journal::Value* FindValue(const journal::Journal& journal, Root root, const std::string& key,
                                const std::string& name) {
  for (const journal::Value& value : journal.values) {
    if (value.root == root && SameName(value.key, key) && SameName(value.name, name)) return &value;
  }
  return nullptr;
}

bool Holds(const RegData& current, const journal::Value& earlier) {
  if (current.exists != earlier.existed) return false;
  return !current.exists || (current.type == earlier.type && current.data == earlier.data);
}

// The registration replaces a user choice as a whole key (another program's
// Progid and Hash go with it); taking it back means the whole key again. An
// empty choice key means nothing to Windows: without a Progid and a Hash
// there was none.
void RestoreUserChoice(const journal::Journal& journal, const journal::Value& progid, Restorer* restorer) {
  const HKEY root = RootKey(progid.root);
  const journal::Value* hash = FindValue(journal, progid.root, progid.key, footprint::kHashValue);
  std::vector<const journal::Value*> parts = {&progid};
  if (hash != nullptr) parts.push_back(hash);
  bool same = true;
  for (const journal::Value* part : parts) same = same && Holds(ReadRegData(root, part->key, part->name), *part);
  const bool anyExisted = progid.existed || (hash != nullptr && hash->existed);
  if (same && (anyExisted || ProbeKey(root, progid.key) == KeyKind::kMissing)) return;
  if (ProbeKey(root, progid.key) == KeyKind::kLink) {
    restorer->Refused(progid.root, progid.key);
    return;
  }
  const StepResult removed = RemoveTreeAsIs(root, progid.key);
  restorer->Note(removed, progid.root, progid.key);
  if (!removed.ok) return;
  for (const journal::Value* part : parts) {
    if (!part->existed) continue;
    restorer->Note(WriteRegData(root, part->key, part->name, part->type, part->data), part->root, part->key,
                   &part->name);
  }
}

void RestoreValues(const journal::Journal& journal, Restorer* restorer) {
  std::vector<std::string> choiceKeys;
  for (const KnownValue& known : footprint::KnownReplacedValues(journal.scope)) {
    if (known.kind == footprint::ValueKind::kUserChoice) choiceKeys.push_back(known.key);
  }
  for (const journal::Value& value : journal.values) {
    const bool inChoice =
        value.root == Root::kCurrentUser &&
        std::any_of(choiceKeys.begin(), choiceKeys.end(), [&](const std::string& k) { return SameName(k, value.key); });
    if (inChoice) {
      if (SameName(value.name, footprint::kProgIdValue)) RestoreUserChoice(journal, value, restorer);
      continue;
    }
    const HKEY root = RootKey(value.root);
    if (Holds(ReadRegData(root, value.key, value.name), value)) continue;
    if (ProbeKey(root, value.key) == KeyKind::kLink) {
      restorer->Refused(value.root, value.key, &value.name);
      continue;
    }
    if (value.existed) {
      restorer->Note(WriteRegData(root, value.key, value.name, value.type, value.data), value.root, value.key,
                     &value.name);
    } else {
      restorer->Note(RemoveRegValue(root, value.key, value.name), value.root, value.key, &value.name);
    }
  }
}

std::size_t Depth(const std::string& key) { return static_cast<std::size_t>(std::count(key.begin(), key.end(), '\\')); }

}  // namespace

void CaptureRegistry(Scope scope, journal::Journal* journal, const EarlierRegistry& read) {
  const std::vector<KnownValue>& known = footprint::KnownReplacedValues(scope);
  const std::vector<KnownKey>& created = footprint::KnownCreatedKeys(scope);
  const bool usable =
      read.scope == scope && read.values.size() == known.size() && read.keysPresent.size() == created.size();
  if (!usable) {
    CaptureRegistry(scope, journal, ReadEarlierRegistry(scope));
    return;
  }
  journal->scope = scope;
  journal->ownKeys.clear();
  journal->ownSubKeys.clear();
  journal->ownValues.clear();
  journal->keys.clear();
  journal->values.clear();
  for (const KnownKey& own : OwnKeysOf(scope)) CaptureOwnKey(own.root, own.key, journal);
  if (scope == Scope::kMachine &&
      ProbeKey(HKEY_CURRENT_USER, footprint::kApplicationsMachineKey) != KeyKind::kMissing) {
    CaptureOwnKey(Root::kCurrentUser, footprint::kApplicationsMachineKey, journal);
  }
  for (std::size_t i = 0; i < created.size(); ++i) {
    journal::Key key;
    key.root = created[i].root;
    key.key = created[i].key;
    key.existed = read.keysPresent[i];
    journal->keys.push_back(key);
  }
  for (std::size_t i = 0; i < known.size(); ++i) {
    journal::Value value;
    value.root = known[i].root;
    value.key = known[i].key;
    value.name = known[i].name;
    value.existed = read.values[i].exists;
    value.type = read.values[i].type;
    value.data = read.values[i].data;
    journal->values.push_back(value);
  }
}

void CaptureRegistry(Scope scope, journal::Journal* journal) {
  CaptureRegistry(scope, journal, ReadEarlierRegistry(scope));
}

StepReport RestoreRegistry(const journal::Journal& journal) {
  Restorer restorer;
  for (const journal::Key& own : journal.ownKeys) RestoreOwnKey(journal, own, &restorer);
  RestoreValues(journal, &restorer);
  std::vector<const journal::Key*> created;
  for (const journal::Key& key : journal.keys) {
    if (!key.existed && !key.link) created.push_back(&key);
  }
  std::stable_sort(created.begin(), created.end(),
                   [](const journal::Key* a, const journal::Key* b) { return Depth(a->key) > Depth(b->key); });
  for (const journal::Key* key : created) RemoveKeyIfEmptyAsIs(RootKey(key->root), key->key);
  return restorer.Report();
}
