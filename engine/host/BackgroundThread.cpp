#include "host/BackgroundThread.h"

#include <ole2.h>
#include <process.h>

#include <atomic>

#include "app/CApplicationManager.h"
#include "app/YPageManage.h"
#include "automation/Clock.h"

namespace {

std::atomic<bool> started{false};

void BackgroundLoop(void*) {
  // The thread is the library's own and runs Session_OnEnd for expired sessions, so it
  // joins the multithreaded apartment to be able to create script engines.
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
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
  // The session sweep of every application first, then the running pages past their
  // deadline are interrupted.
  CApplicationManager::Instance().SweepSessions();
  YPageManage::Instance().Sweep(SecondsSince1970());
}
