#include "app/StateClock.h"

#include <atomic>

#include "automation/Clock.h"

namespace {
std::atomic<int64_t> fixedNow{0};
}  // namespace

int64_t StateNow() {
  int64_t fixed = fixedNow.load(std::memory_order_relaxed);
  return fixed != 0 ? fixed : SecondsSince1970();
}

void SetStateClock(int64_t seconds) { fixedNow.store(seconds, std::memory_order_relaxed); }
