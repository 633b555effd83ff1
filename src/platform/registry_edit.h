// Reading, restoring and removing registry values and keys as they are, for
// the install record and the uninstaller. Thin: every call answers what
// happened and never throws; the 64-bit view throughout.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/install_record.h"

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
bool RegKeyPresent(HKEY root, const std::string& key);
// Writes the bytes with their type, creating the key when missing.
bool WriteRegData(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& data);
// A missing value or key counts as removed.
bool RemoveRegValue(HKEY root, const std::string& key, const std::string& name);
// The key and everything below it; a missing key counts as removed.
bool RemoveRegTree(HKEY root, const std::string& key);
// Removes the key only when it holds no value and no sub-key.
bool RemoveRegKeyIfEmpty(HKEY root, const std::string& key);
