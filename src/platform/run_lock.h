// One run at a time on the machine: the setup and the uninstaller hold the
// named mutex footprint::kRunMutexName while they change anything, so that
// two runs never write into the same folders and keys at once.
#pragma once

class RunLock {
 public:
  RunLock() = default;
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // Waits up to waitMs for the mutex. True once this run holds it (until
  // the object ends); false when another run held it all that time, or the
  // mutex could be neither made nor opened (then another run may hold it:
  // the caller changes nothing either way).
  bool Acquire(unsigned long waitMs);
  bool Held() const { return held_; }

 private:
  void* mutex_ = nullptr;
  bool held_ = false;
};
