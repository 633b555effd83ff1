// A copy of a program that is started elevated: made where no process
// without administrator rights can create, change, rename or delete
// anything, and held open from the moment it is written until the process
// has started, sharing reading alone. Thin calls.
#pragma once

#include <string>

// "<Windows folder>\Temp\" (the system's own temporary folder), "" when the
// system cannot name it.
std::wstring SystemTempFolder();

// Creates folder (ending in a backslash) with a protected DACL that grants
// full access to Administrators and SYSTEM alone, inherited by everything in
// it. False when it exists already (whoever made it) or cannot be made.
bool CreatePrivateFolder(const std::wstring& folder);

class HeldCopy {
 public:
  HeldCopy() = default;
  HeldCopy(const HeldCopy&) = delete;
  HeldCopy& operator=(const HeldCopy&) = delete;
  ~HeldCopy();

  // Writes a new file at to (which must not exist) with from's bytes, then
  // holds it open for reading, sharing reading alone, and compares its size
  // and every byte through that handle with what was read from from. False,
  // and no file left, when anything differs or fails.
  bool Make(const std::wstring& from, const std::wstring& to);
  // Closes the handle once the copy runs (its own mapping keeps it).
  void Release();

 private:
  void* handle_ = nullptr;
  std::wstring path_;
};
