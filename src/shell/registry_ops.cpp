#include "shell/registry_ops.h"

#include <shlobj.h>

#include <cstring>

void SetDefaultText(HKEY root, const char* subkey, const char* text) {
  RegSetValueA(root, subkey, REG_SZ, text, static_cast<DWORD>(std::strlen(text)));
}

void DeleteKeyIfPresent(HKEY root, const char* subkey) {
  RegDeleteKeyA(root, subkey);
}

RegKey RegKey::Open(HKEY root, const char* subkey, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subkey, 0, access, &key) != ERROR_SUCCESS) key = nullptr;
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

void RegKey::SetText(const char* name, const char* text) {
  if (key_ == nullptr) return;
  RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
}

void RegKey::SetNumber(const char* name, DWORD number) {
  if (key_ == nullptr) return;
  RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
}

void RefreshShellAssociations() {
  // Action 88 is SPI_SETICONS; Wine does not implement it and answers FALSE,
  // which changes nothing here.
  SystemParametersInfoA(88, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH | SHCNF_FLUSHNOWAIT, nullptr, nullptr);
}
