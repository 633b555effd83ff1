// The registry calls of the setup, kept thin. Writes answer whether they
// succeeded and leave the system's error code for GetLastError; a key that
// does not open only skips its own values.
#pragma once

#include <windows.h>

#include "core/product.h"

// Reads a text value of HKEY_LOCAL_MACHINE of at most 259 characters; false
// (and "") when the key or value is missing or longer. The text is
// terminated whatever the registry holds (the value type is not looked at).
bool ReadMachineText(const char* keyName, const char* valueName, char text[kPathSize]);

// Sets the unnamed value of root\subkey (REG_SZ), creating missing keys.
bool SetDefaultText(HKEY root, const char* subkey, const char* text);

// Removes one key without subkeys; a missing key is no error.
void DeleteKeyIfPresent(HKEY root, const char* subkey);

// An open registry key, closed when it goes out of scope. Named values are
// only written through a key that actually opened.
class RegKey {
 public:
  // RegOpenKeyExA with the given access; the key must exist.
  static RegKey Open(HKEY root, const char* subkey, REGSAM access);
  // RegCreateKeyA: opens the key, creating it and its parents when missing.
  static RegKey Create(HKEY root, const char* subkey);

  RegKey(RegKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey& operator=(RegKey&&) = delete;
  ~RegKey();

  bool IsOpen() const { return key_ != nullptr; }
  // REG_SZ, the length counting the terminating zero. False when not open.
  bool SetText(const char* name, const char* text);
  // REG_DWORD, 4 bytes. False when not open.
  bool SetNumber(const char* name, DWORD number);

 private:
  explicit RegKey(HKEY key) : key_(key) {}
  HKEY key_;
};
