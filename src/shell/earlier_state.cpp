#include "shell/earlier_state.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <utility>
#include <vector>

#include "core/footprint.h"
#include "core/uninstall_rules.h"
#include "platform/registry_edit.h"
#include "platform/shell_links.h"

using installrecord::InstallRecord;
using installrecord::LinkPlace;
using installrecord::SameName;
using footprint::KnownKey;
using footprint::KnownValue;

namespace {

bool InsideFolder(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.size() > folder.size() && SameName(path.substr(0, folder.size()), folder);
}

// Reads again the data of the known values that chosen(i) picks, into
// (*data)[i]; the picked values of one key that follow each other are read
// through one opening of the key.
template <typename Chosen>
void ReadKnownValues(const std::vector<KnownValue>& values, Chosen chosen, std::vector<RegData>* data) {
  for (std::size_t first = 0; first < values.size();) {
    std::size_t end = first + 1;
    while (end < values.size() && values[end].root == values[first].root && values[end].key == values[first].key) {
      ++end;
    }
    std::vector<std::size_t> picked;
    std::vector<std::string> names;
    for (std::size_t i = first; i < end; ++i) {
      if (!chosen(i)) continue;
      picked.push_back(i);
      names.push_back(values[i].name);
    }
    if (!picked.empty()) {
      std::vector<RegData> read = ReadRegValues(RootKey(values[first].root), values[first].key, names);
      for (std::size_t j = 0; j < picked.size(); ++j) (*data)[picked[j]] = std::move(read[j]);
    }
    first = end;
  }
}

}  // namespace

EarlierRegistry ReadEarlierRegistry(installrecord::Scope scope) {
  EarlierRegistry read;
  read.scope = scope;
  const std::vector<KnownValue>& known = footprint::KnownReplacedValues(scope);
  read.values.resize(known.size());
  ReadKnownValues(known, [](std::size_t) { return true; }, &read.values);
  for (const KnownKey& key : footprint::KnownCreatedKeys(scope)) {
    read.keysPresent.push_back(RegKeyPresent(RootKey(key.root), key.key));
  }
  return read;
}

void CaptureEarlierState(InstallRecord* record, std::vector<RegData>* found) {
  CaptureEarlierState(record, found, ReadEarlierRegistry(record->scope));
}

void CaptureEarlierState(InstallRecord* record, std::vector<RegData>* found, const EarlierRegistry& read) {
  const std::vector<KnownValue>& known = footprint::KnownReplacedValues(record->scope);
  const std::vector<KnownKey>& keys = footprint::KnownCreatedKeys(record->scope);
  // A reading of the other scope's lists is of no use here: read again.
  const bool usable = read.scope == record->scope && read.values.size() == known.size() &&
                      read.keysPresent.size() == keys.size();
  EarlierRegistry again;
  if (!usable) again = ReadEarlierRegistry(record->scope);
  const EarlierRegistry& data = usable ? read : again;
  for (std::size_t i = 0; i < known.size(); ++i) {
    const KnownValue& value = known[i];
    const RegData& current = data.values[i];
    installrecord::EarlierValue earlier;
    earlier.root = value.root;
    earlier.key = value.key;
    earlier.name = value.name;
    earlier.existed = current.exists;
    earlier.type = current.type;
    earlier.data = current.data;
    record->earlier.push_back(earlier);
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (!data.keysPresent[i]) record->createdKeys.push_back({keys[i].root, keys[i].key});
  }
  if (found != nullptr) *found = data.values;
}

void RecordRegistration(InstallRecord* record, const std::vector<RegData>& found, const bool* chosenRows,
                        bool associated) {
  for (const KnownKey& key : footprint::OwnKeys(record->scope)) {
    if (RegKeyPresent(RootKey(key.root), key.key)) record->ownKeys.push_back({key.root, key.key});
  }
  const installrecord::Root entryRoot = footprint::ScopeRoot(record->scope);
  if (RegKeyPresent(RootKey(entryRoot), footprint::kUninstallEntryKey)) {
    record->ownKeys.push_back({entryRoot, footprint::kUninstallEntryKey});
  }
  const std::vector<KnownValue>& known = footprint::KnownReplacedValues(record->scope);
  // Only what the registration may have written is read again.
  const bool haveFound = found.size() == known.size();
  std::vector<RegData> data = haveFound ? found : std::vector<RegData>(known.size());
  ReadKnownValues(known,
                  [&](std::size_t i) {
                    const int row = known[i].formatRow;
                    if (!haveFound || row == footprint::kEveryRun) return true;
                    return row >= 0 ? chosenRows != nullptr && chosenRows[row] : associated;
                  },
                  &data);
  for (std::size_t i = 0; i < known.size(); ++i) {
    const KnownValue& value = known[i];
    if (value.kind == footprint::ValueKind::kUserChoiceHash) continue;
    const RegData& current = data[i];
    if (current.exists && SameName(uninstallrules::DataText(current.data), value.ours)) {
      record->setValues.push_back({value.root, value.key, value.name});
    }
  }
}

void CaptureFoundKey(const installrecord::KeyName& key, InstallRecord* record) {
  std::vector<std::string> keys;
  std::vector<RegTreeValue> values;
  if (!ReadRegTree(RootKey(key.root), key.key, installrecord::kMaxFoundValueSize, &keys, &values)) return;
  for (const std::string& found : keys) record->foundKeys.push_back({key.root, found});
  for (const RegTreeValue& value : values) {
    installrecord::EarlierValue earlier;
    earlier.root = key.root;
    earlier.key = value.key;
    earlier.name = value.name;
    earlier.existed = true;
    earlier.type = value.data.type;
    earlier.data = value.data.data;
    record->earlier.push_back(earlier);
  }
}

namespace {

std::string Utf8ToAnsi(const std::string& text) {
  if (text.empty()) return text;
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::string();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, &ansi[0], size, nullptr, nullptr);
  return ansi;
}

// Text data as the ANSI calls hand it out: the stored UTF-16 in the code page.
std::string TextDataToAnsi(const std::string& data) {
  const int length = static_cast<int>(data.size() / 2);
  if (length == 0) return std::string();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  for (int i = 0; i < length; ++i) {
    wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(data[2 * i]) |
                                   (static_cast<unsigned char>(data[2 * i + 1]) << 8));
  }
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, &ansi[0], size, nullptr, nullptr);
  return ansi;
}

bool AtOrBelow(const std::string& key, const std::string& top) {
  return SameName(key, top) ||
         (key.size() > top.size() && key[top.size()] == '\\' && SameName(key.substr(0, top.size()), top));
}

}  // namespace

void CaptureFoundKey(const installrecord::KeyName& key, const journal::Journal& before, InstallRecord* record) {
  const journal::Key* own = nullptr;
  for (const journal::Key& listed : before.ownKeys) {
    if (listed.root == key.root && SameName(listed.key, key.key)) own = &listed;
  }
  bool linked = own != nullptr && own->link;
  for (const journal::Key& sub : before.ownSubKeys) {
    linked = linked || (sub.root == key.root && sub.link && AtOrBelow(sub.key, key.key));
  }
  // Not noted, or a link somewhere in it (which the reading by names goes
  // through): read it as always.
  if (own == nullptr || linked) {
    CaptureFoundKey(key, record);
    return;
  }
  if (!own->existed) return;
  // Nested own keys were noted each with its own tree: every key and value
  // once, in the order first noted.
  std::vector<std::string> keys = {key.key};
  for (const journal::Key& sub : before.ownSubKeys) {
    if (sub.root != key.root || !AtOrBelow(sub.key, key.key)) continue;
    const std::string name = Utf8ToAnsi(sub.key);
    bool listed = false;
    for (const std::string& seen : keys) listed = listed || SameName(seen, name);
    if (!listed) keys.push_back(name);
  }
  for (const std::string& found : keys) record->foundKeys.push_back({key.root, found});
  const std::size_t firstValue = record->earlier.size();
  for (const journal::Value& value : before.ownValues) {
    if (value.root != key.root || value.tooLarge || !AtOrBelow(value.key, key.key)) continue;
    installrecord::EarlierValue earlier;
    earlier.root = key.root;
    earlier.key = Utf8ToAnsi(value.key);
    earlier.name = Utf8ToAnsi(value.name);
    earlier.existed = true;
    earlier.type = value.type;
    const bool text = value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
    earlier.data = text ? TextDataToAnsi(value.data) : value.data;
    if (earlier.data.size() > installrecord::kMaxFoundValueSize) continue;
    bool listed = false;
    for (std::size_t i = firstValue; i < record->earlier.size() && !listed; ++i) {
      listed = SameName(record->earlier[i].key, earlier.key) && SameName(record->earlier[i].name, earlier.name);
    }
    if (!listed) record->earlier.push_back(earlier);
  }
}

bool GroupFolderExists(bool allUsers) {
  const std::string programs = ShellFolderPath(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
  if (programs.empty()) return false;
  const DWORD attributes = GetFileAttributesA((programs + footprint::kGroupFolder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void RecordLinks(const std::string& folder, bool allUsers, bool groupExisted, InstallRecord* record) {
  const LinkPlace programsPlace = allUsers ? LinkPlace::kCommonPrograms : LinkPlace::kUserPrograms;
  const LinkPlace desktopPlace = allUsers ? LinkPlace::kCommonDesktop : LinkPlace::kUserDesktop;
  const std::string programs = ShellFolderPath(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
  const std::string desktop = ShellFolderPath(allUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY);
  // Every candidate first, then all of them read in one go.
  std::vector<installrecord::Link> candidates;
  std::vector<std::string> paths;
  if (!programs.empty()) {
    for (const std::string& name : footprint::GroupLinkNames()) {
      const std::string relative = std::string(footprint::kGroupFolder) + "\\" + name;
      candidates.push_back({programsPlace, relative});
      paths.push_back(programs + relative);
    }
  }
  if (!desktop.empty()) {
    for (const std::string& name : footprint::DesktopLinkNames()) {
      candidates.push_back({desktopPlace, name});
      paths.push_back(desktop + name);
    }
  }
  const std::vector<std::string> targets = ReadLinkTargets(paths);
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (InsideFolder(targets[i], folder)) record->links.push_back(candidates[i]);
  }
  if (!programs.empty() && !groupExisted && GroupFolderExists(allUsers)) record->createdGroups.push_back(programsPlace);
}
