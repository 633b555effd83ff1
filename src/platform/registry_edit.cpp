#include "platform/registry_edit.h"

#include <vector>

#include "platform/registry.h"
#include "platform/registry_tree.h"

namespace {

constexpr DWORD kMaxDataSize = 64 * 1024;

class OpenKey {
 public:
  // Through the registry module: as itself, never through a link.
  OpenKey(HKEY root, const std::string& key, REGSAM access) {
    if (OpenKeyAsIs(root, AnsiKeyName(key), access, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~OpenKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

HKEY RootKey(installrecord::Root root) {
  return root == installrecord::Root::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

namespace {

constexpr DWORD kFirstTrySize = 1024;  // most values fit: one query instead of two

RegData QueryData(HKEY open, const std::string& name) {
  RegData result;
  DWORD type = REG_NONE;
  BYTE first[kFirstTrySize];
  DWORD size = sizeof first;
  LONG status = RegQueryValueExA(open, name.c_str(), nullptr, &type, first, &size);
  if (status == ERROR_SUCCESS) {
    if (size > sizeof first) return result;
    result.exists = true;
    result.type = type;
    result.data.assign(reinterpret_cast<const char*>(first), size);
    return result;
  }
  if (status != ERROR_MORE_DATA || size > kMaxDataSize) return result;
  std::vector<BYTE> bytes(size + 1);
  DWORD got = size;
  if (RegQueryValueExA(open, name.c_str(), nullptr, &type, bytes.data(), &got) != ERROR_SUCCESS || got > size) {
    return result;
  }
  result.exists = true;
  result.type = type;
  result.data.assign(reinterpret_cast<const char*>(bytes.data()), got);
  return result;
}

}  // namespace

RegData ReadRegData(HKEY root, const std::string& key, const std::string& name) {
  OpenKey open(root, key, KEY_QUERY_VALUE);
  if (open.get() == nullptr) return RegData();
  return QueryData(open.get(), name);
}

std::vector<RegData> ReadRegValues(HKEY root, const std::string& key, const std::vector<std::string>& names) {
  std::vector<RegData> values(names.size());
  OpenKey open(root, key, KEY_QUERY_VALUE);
  if (open.get() == nullptr) return values;
  for (std::size_t i = 0; i < names.size(); ++i) values[i] = QueryData(open.get(), names[i]);
  return values;
}

bool RegKeyPresent(HKEY root, const std::string& key) {
  return ProbeKeyW(root, AnsiKeyName(key)) != KeyKind::kMissing;
}

namespace {

StepResult Answer(HKEY root, const std::string& key, LONG status) {
  if (status == ERROR_SUCCESS) return StepResult::Done();
  return StepResult::Failed(RegistryPath(root, key.c_str()), static_cast<unsigned long>(status));
}

}  // namespace

StepResult WriteRegData(HKEY root, const std::string& key, const std::string& name, DWORD type,
                        const std::string& data) {
  HKEY created = nullptr;
  const LONG opened = CreateKeyAsIs(root, AnsiKeyName(key), KEY_SET_VALUE, &created);
  if (opened != ERROR_SUCCESS) return Answer(root, key, opened);
  const LONG status = RegSetValueExA(created, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                     static_cast<DWORD>(data.size()));
  RegCloseKey(created);
  return Answer(root, key, status);
}

StepResult CreateRegKey(HKEY root, const std::string& key) {
  if (key.empty()) return Answer(root, key, ERROR_INVALID_PARAMETER);
  HKEY created = nullptr;
  const LONG status = CreateKeyAsIs(root, AnsiKeyName(key), KEY_QUERY_VALUE, &created);
  if (status == ERROR_SUCCESS) RegCloseKey(created);
  return Answer(root, key, status);
}

StepResult RemoveRegValue(HKEY root, const std::string& key, const std::string& name) {
  HKEY open = nullptr;
  bool link = false;
  const LONG opened = OpenKeyAsIs(root, AnsiKeyName(key), KEY_SET_VALUE, &open, &link);
  // A link holds no value of ours: nothing to remove, and nothing is
  // removed through it.
  if (opened != ERROR_SUCCESS) return link || !RegKeyPresent(root, key) ? StepResult::Done() : Answer(root, key, opened);
  const LONG status = RegDeleteValueA(open, name.c_str());
  RegCloseKey(open);
  return Answer(root, key, status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status);
}

StepResult RemoveRegTree(HKEY root, const std::string& key) {
  if (key.empty()) return Answer(root, key, ERROR_INVALID_PARAMETER);  // never the root itself
  return RemoveTreeAsIsW(root, AnsiKeyName(key), key);
}

bool RemoveRegKeyIfEmpty(HKEY root, const std::string& key) {
  if (key.empty()) return false;
  return RemoveKeyIfEmptyAsIsW(root, AnsiKeyName(key));
}

std::vector<std::string> RegSubkeyNames(HKEY root, const std::string& key) {
  std::vector<std::string> names;
  OpenKey open(root, key, KEY_ENUMERATE_SUB_KEYS);
  if (open.get() == nullptr) return names;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD length = sizeof name;
    const LONG status = RegEnumKeyExA(open.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;  // no key name is that long
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::string> RegValueNames(HKEY root, const std::string& key) {
  std::vector<std::string> names;
  OpenKey open(root, key, KEY_QUERY_VALUE);
  if (open.get() == nullptr) return names;
  for (DWORD index = 0;; ++index) {
    char name[16384];
    DWORD length = sizeof name;
    const LONG status = RegEnumValueA(open.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

namespace {

// The names of open's values and sub-keys, in the order the registry lists
// them.
std::vector<std::string> OpenValueNames(HKEY open) {
  std::vector<std::string> names;
  std::vector<char> name(16384);
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG status = RegEnumValueA(open, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), length);
  }
  return names;
}

std::vector<std::string> OpenSubkeyNames(HKEY open) {
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD length = sizeof name;
    const LONG status = RegEnumKeyExA(open, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;  // no key name is that long
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

// path (open) and everything below it, parents first: each key is opened
// once, below its parent, which costs far less than opening every key by
// its whole path from the root several times.
void ReadOpenTree(HKEY open, const std::string& path, std::size_t maxData, std::vector<std::string>* keys,
                  std::vector<RegTreeValue>* values) {
  keys->push_back(path);
  for (const std::string& name : OpenValueNames(open)) {
    RegData read = QueryData(open, name);
    if (read.exists && read.data.size() <= maxData) values->push_back({path, name, std::move(read)});
  }
  for (const std::string& sub : OpenSubkeyNames(open)) {
    HKEY child = nullptr;
    if (OpenKeyAsIs(open, AnsiKeyName(sub), KEY_READ, &child) != ERROR_SUCCESS) {
      // Not readable now, or a link: listed, as the walk by names did,
      // without values, and never read through.
      keys->push_back(path + "\\" + sub);
      continue;
    }
    ReadOpenTree(child, path + "\\" + sub, maxData, keys, values);
    RegCloseKey(child);
  }
}

}  // namespace

bool ReadRegTree(HKEY root, const std::string& key, std::size_t maxData, std::vector<std::string>* keys,
                 std::vector<RegTreeValue>* values) {
  HKEY open = nullptr;
  if (OpenKeyAsIs(root, AnsiKeyName(key), KEY_READ, &open) != ERROR_SUCCESS) return false;
  ReadOpenTree(open, key, maxData, keys, values);
  RegCloseKey(open);
  return true;
}
