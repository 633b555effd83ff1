#include "platform/run_progress.h"

#include <atomic>

namespace runprogress {

namespace {

std::atomic<int> stage{static_cast<int>(progressrule::Stage::kUnpacking)};
std::atomic<unsigned long long> done{0};
std::atomic<unsigned long long> total{0};

}  // namespace

void BeginStage(progressrule::Stage next, unsigned long long units) {
  // The three are not read as one: a reader in between may see a mix for a
  // moment, which the window's bar, never moving back, does not show.
  done.store(0, std::memory_order_relaxed);
  total.store(units, std::memory_order_relaxed);
  stage.store(static_cast<int>(next), std::memory_order_release);
}

void Advance(unsigned long long amount) { done.fetch_add(amount, std::memory_order_relaxed); }

int Position() {
  const auto current = static_cast<progressrule::Stage>(stage.load(std::memory_order_acquire));
  return progressrule::OverallPosition(current, done.load(std::memory_order_relaxed),
                                       total.load(std::memory_order_relaxed));
}

}  // namespace runprogress
