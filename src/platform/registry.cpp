#include "platform/registry.h"

#include <cstring>

bool ReadMachineText(const char* keyName, const char* valueName, char text[kPathSize]) {
  text[0] = '\0';
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  char data[kPathSize + 1] = {};
  DWORD size = kPathSize;
  const LONG status = RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return false;
  data[size < kPathSize ? size : kPathSize] = '\0';
  const std::size_t length = std::strlen(data);
  if (length > kPathSize - 1) return false;
  std::memcpy(text, data, length + 1);
  return true;
}

bool SetDefaultText(HKEY root, const char* subkey, const char* text) {
  const LONG status = RegSetValueA(root, subkey, REG_SZ, text, static_cast<DWORD>(std::strlen(text)));
  SetLastError(static_cast<DWORD>(status));
  return status == ERROR_SUCCESS;
}

void DeleteKeyIfPresent(HKEY root, const char* subkey) {
  RegDeleteKeyA(root, subkey);
}

RegKey RegKey::Open(HKEY root, const char* subkey, REGSAM access) {
  HKEY key = nullptr;
  const LONG status = RegOpenKeyExA(root, subkey, 0, access, &key);
  if (status != ERROR_SUCCESS) key = nullptr;
  SetLastError(static_cast<DWORD>(status));
  return RegKey(key);
}

RegKey RegKey::Create(HKEY root, const char* subkey) {
  HKEY key = nullptr;
  if (RegCreateKeyA(root, subkey, &key) != ERROR_SUCCESS) key = nullptr;
  return RegKey(key);
}

RegKey::~RegKey() {
  if (key_ != nullptr) RegCloseKey(key_);
}

bool RegKey::SetText(const char* name, const char* text) {
  if (key_ == nullptr) return false;
  const LONG status = RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                     static_cast<DWORD>(std::strlen(text) + 1));
  SetLastError(static_cast<DWORD>(status));
  return status == ERROR_SUCCESS;
}

bool RegKey::SetNumber(const char* name, DWORD number) {
  if (key_ == nullptr) return false;
  const LONG status = RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  SetLastError(static_cast<DWORD>(status));
  return status == ERROR_SUCCESS;
}
