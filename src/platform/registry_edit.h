// Reading, restoring and removing registry values and keys as they are, for
// the install record and the uninstaller, through the registry module
// (registry_tree.h): never through a link, a key that is a link reads as
// one without values. Thin: every call answers what happened and never
// throws; the 64-bit view throughout.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/install_record.h"
#include "core/step_result.h"

HKEY RootKey(installrecord::Root root);

struct RegData {
  bool exists = false;
  DWORD type = REG_NONE;
  std::string data;  // the bytes as stored
};

// A value with its type and exact bytes (up to 64 KB); exists false when the
// key or the value is missing.
RegData ReadRegData(HKEY root, const std::string& key, const std::string& name);
// ReadRegData for several values of one key, opened once; in the order of names.
std::vector<RegData> ReadRegValues(HKEY root, const std::string& key, const std::vector<std::string>& names);
// A key or a link stands at key.
bool RegKeyPresent(HKEY root, const std::string& key);
// The writes and removals answer a StepResult whose subject is the key
// ("HKEY_CURRENT_USER\<key>", see RegistryPath) with the system's error code.
// Writes the bytes with their type, creating the key when missing.
StepResult WriteRegData(HKEY root, const std::string& key, const std::string& name, DWORD type,
                        const std::string& data);
// Creates the key (and its parents) when missing.
StepResult CreateRegKey(HKEY root, const std::string& key);
// A missing value or key, or a key that is a link, counts as removed.
StepResult RemoveRegValue(HKEY root, const std::string& key, const std::string& name);
// The key and everything below it; a missing key counts as removed; the
// root itself (an empty key) is never removed.
StepResult RemoveRegTree(HKEY root, const std::string& key);
// Removes the key only when it holds no value and no sub-key.
bool RemoveRegKeyIfEmpty(HKEY root, const std::string& key);

// One value somewhere in a key's tree: the key's path (root-relative) and
// the value's name, type and bytes.
struct RegTreeValue {
  std::string key;
  std::string name;
  RegData data;
};
// key and every key below it (root-relative paths, parents first) with their
// values; false when key does not open. Values larger than maxData are left
// out.
bool ReadRegTree(HKEY root, const std::string& key, std::size_t maxData, std::vector<std::string>* keys,
                 std::vector<RegTreeValue>* values);
// The names of the direct sub-keys and of the values of key (empty when it
// does not open).
std::vector<std::string> RegSubkeyNames(HKEY root, const std::string& key);
std::vector<std::string> RegValueNames(HKEY root, const std::string& key);
