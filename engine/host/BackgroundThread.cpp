#include "host/BackgroundThread.h"

#include <process.h>

#include <atomic>

namespace {

std::atomic<bool> started{false};

void BackgroundLoop(void*) {
  for (;;) {
    Sleep(kSweepIntervalMs);
    RunBackgroundSweeps();
  }
}

}  // namespace

bool StartBackgroundThread() {
  if (started.exchange(true)) return true;
  if (_beginthread(BackgroundLoop, 0, nullptr) == static_cast<uintptr_t>(-1)) {
    started = false;
    return false;
  }
  return true;
}

void RunBackgroundSweeps() {
  // The session sweep of every application and the time-out sweep of the running
  // pages go here, in that order, once applications, sessions and pages exist.
}
