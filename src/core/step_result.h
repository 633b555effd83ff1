// What a step that can fail answers: whether it did its work, and when not,
// the file, folder or key it failed on and the system's error code for it.
// Every layer hands failures up this way; a step that cannot fail returns
// nothing.
#pragma once

#include <string>
#include <utility>

struct StepResult {
  bool ok = true;
  // The path or key concerned ("" when the failure concerns no single one,
  // e.g. the payload resource itself).
  std::string subject;
  // The system's error code (0 when none is known).
  unsigned long error = 0;

  static StepResult Done() { return StepResult(); }
  static StepResult Failed(std::string subject, unsigned long error) {
    StepResult result;
    result.ok = false;
    result.subject = std::move(subject);
    result.error = error;
    return result;
  }
  explicit operator bool() const { return ok; }

  // Keeps the first failure of a sequence of steps that all run anyway.
  void KeepFirst(const StepResult& next) {
    if (ok && !next.ok) *this = next;
  }
};
