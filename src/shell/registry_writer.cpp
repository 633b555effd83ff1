#include "shell/registry_writer.h"

#include "platform/registry.h"

using footprint::Action;
using footprint::Hive;
using footprint::Opening;
using footprint::RegistryItem;

struct RegistryWriter::OpenKey {
  Hive hive;
  std::string key;
  Opening opening;
  RegKey handle;
};

namespace {

HKEY HiveKey(Hive hive) {
  switch (hive) {
    case Hive::kMachine: return HKEY_LOCAL_MACHINE;
    case Hive::kUser: return HKEY_CURRENT_USER;
    case Hive::kClasses: return HKEY_CLASSES_ROOT;
  }
  return HKEY_LOCAL_MACHINE;
}

RegKey OpenFor(const RegistryItem& item) {
  const HKEY root = HiveKey(item.hive);
  switch (item.opening) {
    case Opening::kExisting: return RegKey::Open(root, item.key.c_str(), KEY_SET_VALUE);
    case Opening::kExistingFull: return RegKey::Open(root, item.key.c_str(), KEY_ALL_ACCESS);
    case Opening::kCreate: break;
  }
  return RegKey::Create(root, item.key.c_str());
}

}  // namespace

RegistryWriter::RegistryWriter() = default;
RegistryWriter::~RegistryWriter() = default;

RegKey& RegistryWriter::KeyFor(const RegistryItem& item) {
  for (const std::unique_ptr<OpenKey>& open : open_) {
    if (open->hive == item.hive && open->key == item.key && open->opening == item.opening) return open->handle;
  }
  open_.push_back(std::unique_ptr<OpenKey>(new OpenKey{item.hive, item.key, item.opening, OpenFor(item)}));
  return open_.back()->handle;
}

StepResult RegistryWriter::Write(const RegistryItem& item) {
  if (item.afterPrevious && !previousWritten_) return StepResult::Done();
  const HKEY root = HiveKey(item.hive);
  StepResult result;
  if (item.unavailable) {
    result = StepResult::Failed(RegistryPath(root, item.key.c_str()), 0);
  } else {
    switch (item.action) {
      case Action::kSetDefault:
        result = SetDefaultText(root, item.key.c_str(), item.text.c_str());
        break;
      case Action::kCreateKey:
        result = RegKey::Create(root, item.key.c_str()).Opened();
        break;
      case Action::kDeleteKey:
        previousWritten_ = true;
        return DeleteKeyIfPresent(root, item.key.c_str());
      case Action::kSetValue: {
        // A key that is (re)created is opened anew: a deletion before it may
        // have taken the earlier one.
        if (item.opening == Opening::kCreate) {
          RegKey key = RegKey::Create(root, item.key.c_str());
          result = item.type == footprint::ValueType::kNumber ? key.SetNumber(item.name.c_str(), item.number)
                                                              : key.SetText(item.name.c_str(), item.text.c_str());
          break;
        }
        RegKey& key = KeyFor(item);
        result = item.type == footprint::ValueType::kNumber ? key.SetNumber(item.name.c_str(), item.number)
                                                            : key.SetText(item.name.c_str(), item.text.c_str());
        break;
      }
    }
  }
  previousWritten_ = result.ok;
  return result;
}
