#include "platform/registry.h"

#include <cstring>
#include <utility>

#include "platform/registry_tree.h"

std::string RegistryPath(HKEY root, const char* subkey) {
  const char* rootName = root == HKEY_CURRENT_USER   ? "HKEY_CURRENT_USER\\"
                         : root == HKEY_CLASSES_ROOT ? "HKEY_CLASSES_ROOT\\"
                                                     : "HKEY_LOCAL_MACHINE\\";
  return std::string(rootName) + subkey;
}

bool ReadMachineText(const char* keyName, const char* valueName, char text[kPathSize]) {
  return ReadRegistryText(HKEY_LOCAL_MACHINE, keyName, valueName, text);
}

bool ReadRegistryText(HKEY root, const char* keyName, const char* valueName, char text[kPathSize]) {
  text[0] = '\0';
  HKEY key = nullptr;
  if (OpenKeyAsIs(root, AnsiKeyName(keyName), KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
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

StepResult SetDefaultText(HKEY root, const char* subkey, const char* text) {
  RegKey key = RegKey::Create(root, subkey);
  return key.SetText(nullptr, text);
}

StepResult DeleteKeyIfPresent(HKEY root, const char* subkey) {
  return RemoveKeyAsIsW(root, AnsiKeyName(subkey), subkey);
}

RegKey RegKey::Open(HKEY root, const char* subkey, REGSAM access) {
  HKEY key = nullptr;
  const LONG status = OpenKeyAsIs(root, AnsiKeyName(subkey), access, &key);
  return RegKey(key, RegistryPath(root, subkey), status);
}

RegKey RegKey::Create(HKEY root, const char* subkey) {
  HKEY key = nullptr;
  const LONG status = CreateKeyAsIs(root, AnsiKeyName(subkey), KEY_SET_VALUE, &key);
  return RegKey(key, RegistryPath(root, subkey), status);
}

RegKey::RegKey(RegKey&& other) noexcept
    : key_(other.key_), path_(std::move(other.path_)), openStatus_(other.openStatus_) {
  other.key_ = nullptr;
}

RegKey::~RegKey() {
  if (key_ != nullptr) RegCloseKey(key_);
}

StepResult RegKey::Answer(LONG status) const {
  if (status == ERROR_SUCCESS) return StepResult::Done();
  return StepResult::Failed(path_, static_cast<unsigned long>(status));
}

StepResult RegKey::Opened() const { return Answer(key_ != nullptr ? ERROR_SUCCESS : openStatus_); }

StepResult RegKey::SetText(const char* name, const char* text) {
  if (key_ == nullptr) return Opened();
  return Answer(RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                               static_cast<DWORD>(std::strlen(text) + 1)));
}

StepResult RegKey::SetNumber(const char* name, DWORD number) {
  if (key_ == nullptr) return Opened();
  return Answer(RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number)));
}
