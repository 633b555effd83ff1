#include "core/journal_trust.h"

#include "core/footprint.h"
#include "core/uninstall_rules.h"

namespace journaltrust {

namespace {

using installrecord::LinkPlace;
using installrecord::Root;
using installrecord::Scope;

char Folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Folded(a[i]) != Folded(b[i])) return false;
  }
  return true;
}

bool UserLinkPlace(LinkPlace place) { return place == LinkPlace::kUserPrograms || place == LinkPlace::kUserDesktop; }

// A key the user's installation writes, creates on the way or replaces a
// value in, or one of its own keys and what lies below them: each list of
// the user's scope names HKEY_CURRENT_USER alone.
bool UserKey(Root root, const std::string& key) {
  if (uninstallrules::IsOwnKeyOrBelow(root, key, Scope::kUser)) return true;
  for (const footprint::KnownKey& created : footprint::KnownCreatedKeys(Scope::kUser)) {
    if (created.root == root && SameText(created.key, key)) return true;
  }
  for (const footprint::KnownValue& value : footprint::KnownReplacedValues(Scope::kUser)) {
    if (value.root == root && SameText(value.key, key)) return true;
  }
  for (const footprint::RegistryItem& item : footprint::Union(Scope::kUser).registry) {
    if (footprint::RootOf(item.hive) == root && SameText(footprint::RootKeyPath(item), key)) return true;
  }
  return false;
}

std::string KeyLine(const char* kind, Root root, const std::string& key) {
  return std::string(kind) + " " + installrecord::RootText(root) + "\\" + key;
}

std::string FolderLine(const journal::Journal& entries, const UserPlaces& places) {
  const std::string folder = uninstallrules::WithBackslash(entries.folder);
  if (uninstallrules::IsProtectedFolder(folder, places.systemFolders, places.windowsFolder)) return "Folder " + folder;
  for (const std::string& machine : places.machineFolders) {
    const std::string other = uninstallrules::WithBackslash(machine);
    if (!machine.empty() && (AtOrBelowFolder(folder, other) || AtOrBelowFolder(other, folder))) {
      return "Folder " + folder;
    }
  }
  return "";
}

std::string FileLines(const journal::Journal& entries, const UserPlaces& places) {
  const std::string folder = uninstallrules::WithBackslash(entries.folder);
  for (const journal::Settings& settings : entries.settings) {
    if (!AtOrBelowFolder(settings.path, folder) &&
        (places.profile.empty() || !AtOrBelowFolder(settings.path, places.profile))) {
      return "Settings " + settings.path;
    }
  }
  for (const std::string& created : entries.createdFolders) {
    // On the way to the program folder or to a settings file.
    bool onTheWay = AtOrBelowFolder(folder, uninstallrules::WithBackslash(created));
    for (const journal::Settings& settings : entries.settings) {
      onTheWay = onTheWay || (AtOrBelowFolder(settings.path, uninstallrules::WithBackslash(created)) &&
                              !places.profile.empty() && AtOrBelowFolder(created, places.profile));
    }
    if (!onTheWay || uninstallrules::IsProtectedFolder(created, {}, places.windowsFolder)) {
      return "CreatedFolder " + created;
    }
  }
  for (const std::string& kept : entries.kept) {
    if (!uninstallrules::IsPlainRelativeName(kept)) return "Kept " + kept;
  }
  for (const std::string& payloadFolder : entries.payloadFolders) {
    std::string name = payloadFolder;
    if (!name.empty() && name.back() == '\\') name.pop_back();
    if (!uninstallrules::IsPlainRelativeName(name)) return "PayloadFolder " + payloadFolder;
  }
  for (const journal::File& file : entries.files) {
    if (!uninstallrules::IsPlainRelativeName(file.name)) return "File " + file.name;
  }
  return "";
}

std::string LinkLines(const journal::Journal& entries) {
  for (const LinkPlace place : entries.createdGroups) {
    if (!UserLinkPlace(place)) return std::string("CreatedGroup ") + installrecord::PlaceText(place);
  }
  for (const journal::Link& link : entries.links) {
    if (!UserLinkPlace(link.place) || !uninstallrules::IsPlainRelativeName(link.name)) {
      return std::string("Link ") + installrecord::PlaceText(link.place) + " " + link.name;
    }
  }
  return "";
}

std::string RegistryLines(const journal::Journal& entries) {
  for (const journal::Key& key : entries.ownKeys) {
    if (key.root != Root::kCurrentUser || !uninstallrules::IsOwnKeyOrBelow(key.root, key.key, Scope::kUser)) {
      return KeyLine("OwnKey", key.root, key.key);
    }
  }
  for (const journal::Key& key : entries.ownSubKeys) {
    if (key.root != Root::kCurrentUser || !uninstallrules::IsOwnKeyOrBelow(key.root, key.key, Scope::kUser)) {
      return KeyLine("OwnSubKey", key.root, key.key);
    }
  }
  for (const journal::Value& value : entries.ownValues) {
    if (value.root != Root::kCurrentUser || !uninstallrules::IsOwnKeyOrBelow(value.root, value.key, Scope::kUser)) {
      return KeyLine("OwnValue", value.root, value.key);
    }
  }
  for (const journal::Key& key : entries.keys) {
    if (!UserKey(key.root, key.key)) return KeyLine("Key", key.root, key.key);
  }
  for (const journal::Value& value : entries.values) {
    if (!UserKey(value.root, value.key)) return KeyLine("Value", value.root, value.key);
  }
  return "";
}

}  // namespace

bool AtOrBelowFolder(const std::string& path, const std::string& folder) {
  if (folder.empty() || folder.back() != '\\' || path.size() < folder.size()) return false;
  return SameText(path.substr(0, folder.size()), folder);
}

std::string FirstLineOutside(const journal::Journal& entries, const UserPlaces& places) {
  if (entries.scope != Scope::kUser) return "Scope machine";
  for (const std::string& line :
       {FolderLine(entries, places), FileLines(entries, places), LinkLines(entries), RegistryLines(entries)}) {
    if (!line.empty()) return line;
  }
  return "";
}

}  // namespace journaltrust
