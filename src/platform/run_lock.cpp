#include "platform/run_lock.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "core/footprint_names.h"
#include "platform/running_account.h"

namespace {

// Owner Administrators; only Administrators and SYSTEM may open it.
constexpr const char kAdministratorsOnly[] = "O:BAD:(A;;GA;;;BA)(A;;GA;;;SY)";

HANDLE CreateRunMutex() {
  if (!IsProcessElevated()) return CreateMutexA(nullptr, FALSE, footprint::kRunMutexName);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdministratorsOnly, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return nullptr;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  HANDLE mutex = CreateMutexA(&attributes, FALSE, footprint::kRunMutexName);
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  SetLastError(error);
  return mutex;
}

// True when the mutex's owner is the Administrators group or SYSTEM: made by
// an elevated run, or by the system's.
bool OwnedByAdministrators(HANDLE mutex) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool trusted = owner != nullptr && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                                            IsWellKnownSid(owner, WinLocalSystemSid));
  LocalFree(descriptor);
  return trusted;
}

}  // namespace

RunLock::~RunLock() {
  if (held_) ReleaseMutex(mutex_);
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

bool RunLock::Acquire(unsigned long waitMs) {
  if (held_) return true;
  if (mutex_ == nullptr) {
    // Made without taking it: whoever made it first, the wait below decides.
    mutex_ = CreateRunMutex();
    if (mutex_ == nullptr) {
      // ERROR_INVALID_HANDLE: the name is an event, a semaphore... of some
      // other program. Otherwise the mutex is closed to this run: made by an
      // account whose rights exclude ours, an administrator's run.
      holder_ = GetLastError() == ERROR_INVALID_HANDLE ? Holder::kNotALock : Holder::kOtherRun;
      return false;
    }
    trusted_ = GetLastError() != ERROR_ALREADY_EXISTS || OwnedByAdministrators(mutex_);
  }
  // WAIT_ABANDONED: the last holder ended without releasing the mutex (it
  // was killed, or its process ended while holding it). Nothing runs any
  // more, so the mutex is free and now ours; what that run left half done
  // is for this run to meet as it meets any earlier state. A free mutex of
  // unknown origin is taken as well: it keeps nobody out.
  const DWORD waited = WaitForSingleObject(mutex_, trusted_ ? waitMs : 0);
  held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  holder_ = held_ ? Holder::kNone : trusted_ ? Holder::kOtherRun : Holder::kUnknown;
  return held_;
}
