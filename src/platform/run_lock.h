// One run at a time on the machine: the setup and the uninstaller hold the
// named mutex footprint::kRunMutexName while they change anything, so that
// two runs never write into the same folders and keys at once.
//
// Any process may create an object of that name first. An elevated run
// makes the mutex owned by the Administrators group and opens it to
// Administrators and SYSTEM alone, which a process without administrator
// rights cannot do; a mutex that exists with another owner (or with none)
// was made by a program whose origin cannot be checked. A run never waits
// for such a holder, and never claims it to be another installation.
#pragma once

class RunLock {
 public:
  // Who keeps the run from taking the lock.
  enum class Holder {
    kNone,           // nobody: the lock is this run's
    kOtherRun,       // a mutex made by an administrator's or the system's run
    kUnknown,        // a mutex whose owner is no administrator: perhaps no setup at all
    kNotALock,       // the name belongs to an object of another kind (an event...)
  };

  RunLock() = default;
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // Takes the mutex: waits up to waitMs while a run of an administrator or
  // the system holds it, not at all for a holder of unknown origin. True
  // once this run holds it (until the object ends); false when another held
  // it, or the mutex could be neither made nor opened (the caller changes
  // nothing either way: Holder() says who).
  bool Acquire(unsigned long waitMs);
  bool Held() const { return held_; }
  Holder holder() const { return holder_; }

 private:
  void* mutex_ = nullptr;
  bool held_ = false;
  bool trusted_ = true;  // made by this run, or owned by administrators
  Holder holder_ = Holder::kNone;
};
