#include "host/BackgroundThread.h"

#include <process.h>

#include <atomic>

#include "app/YPageManage.h"
#include "automation/Clock.h"

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
  // The session sweep of every application comes first once sessions exist; then the
  // running pages past their deadline are interrupted.
  YPageManage::Instance().Sweep(SecondsSince1970());
}
