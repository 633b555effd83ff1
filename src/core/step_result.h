// What a step that can fail answers: whether it did its work, and when not,
// the file, folder or key it failed on and the system's error code for it.
// Every layer hands failures up this way; a step that cannot fail returns
// nothing. A step that goes on past its failures (an undo, a removal)
// answers with a StepReport: every failure, not only the first.
#pragma once

#include <string>
#include <utility>
#include <vector>

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

// What a sequence of steps that all run anyway could not do: each failed
// step with its subject and error, in the order they ran.
struct StepReport {
  std::vector<StepResult> failed;

  void Add(const StepResult& step) {
    if (!step.ok) failed.push_back(step);
  }
  void Add(const StepReport& steps) {
    for (const StepResult& step : steps.failed) failed.push_back(step);
  }
  bool ok() const { return failed.empty(); }
  explicit operator bool() const { return ok(); }
};
