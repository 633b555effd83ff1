// The registry calls of the setup, kept thin, all through the registry
// module (registry_tree.h): never through a link. Writes answer a StepResult
// whose subject is the key as the log names it ("HKEY_LOCAL_MACHINE\<key>")
// with the system's error code; a key that does not open only skips its own
// values.
#pragma once

#include <windows.h>

#include <string>

#include "core/product.h"
#include "core/step_result.h"

// "HKEY_LOCAL_MACHINE\<subkey>" (or HKEY_CURRENT_USER, HKEY_CLASSES_ROOT).
std::string RegistryPath(HKEY root, const char* subkey);

// Reads a text value of HKEY_LOCAL_MACHINE of at most 259 characters; false
// (and "") when the key or value is missing or longer. The text is
// terminated whatever the registry holds (the value type is not looked at).
bool ReadMachineText(const char* keyName, const char* valueName, char text[kPathSize]);
// The same below another root.
bool ReadRegistryText(HKEY root, const char* keyName, const char* valueName, char text[kPathSize]);

// Sets the unnamed value of root\subkey (REG_SZ), creating missing keys.
StepResult SetDefaultText(HKEY root, const char* subkey, const char* text);

// Removes one key without subkeys; a missing key is no failure, a link is
// refused.
StepResult DeleteKeyIfPresent(HKEY root, const char* subkey);

// An open registry key, closed when it goes out of scope. Named values are
// only written through a key that actually opened; through one that did not,
// a write fails with the error of the opening.
class RegKey {
 public:
  // Opens with the given access; the key must exist.
  static RegKey Open(HKEY root, const char* subkey, REGSAM access);
  // Opens the key, creating it and its parents when missing.
  static RegKey Create(HKEY root, const char* subkey);

  RegKey(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey& operator=(RegKey&&) = delete;
  ~RegKey();

  bool IsOpen() const { return key_ != nullptr; }
  // The opening's outcome.
  StepResult Opened() const;
  // REG_SZ, the length counting the terminating zero.
  StepResult SetText(const char* name, const char* text);
  // REG_DWORD, 4 bytes.
  StepResult SetNumber(const char* name, DWORD number);

 private:
  RegKey(HKEY key, std::string path, LONG openStatus) : key_(key), path_(std::move(path)), openStatus_(openStatus) {}
  StepResult Answer(LONG status) const;
  HKEY key_;
  std::string path_;
  LONG openStatus_;
};
