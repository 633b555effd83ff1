#include "platform/run_lock.h"

#include <windows.h>

#include "core/footprint_names.h"

RunLock::~RunLock() {
  if (held_) ReleaseMutex(mutex_);
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

bool RunLock::Acquire(unsigned long waitMs) {
  if (held_) return true;
  if (mutex_ == nullptr) {
    // Made without taking it: whoever made it first, the wait below decides.
    // A mutex the run cannot open (made by an account whose rights exclude
    // ours) is treated as held.
    mutex_ = CreateMutexA(nullptr, FALSE, footprint::kRunMutexName);
    if (mutex_ == nullptr) return false;
  }
  // WAIT_ABANDONED: the last holder ended without releasing the mutex (it
  // was killed, or its process ended while holding it). Nothing runs any
  // more, so the mutex is free and now ours; what that run left half done
  // is for this run to meet as it meets any earlier state.
  const DWORD waited = WaitForSingleObject(mutex_, waitMs);
  held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  return held_;
}
