// YMutex: the engine's lock. Recursive for the owning thread, waited on without a
// time-out, released by the thread that took it, exactly as a Win32 mutex is used
// throughout the engine. It is built on a critical section so that an uncontended
// wait stays inside the process (a kernel mutex costs a wineserver round trip per
// wait and per release).
#pragma once

#include <windows.h>

class YMutex {
 public:
  YMutex() { InitializeCriticalSection(&section_); }
  ~YMutex() { DeleteCriticalSection(&section_); }
  YMutex(const YMutex&) = delete;
  YMutex& operator=(const YMutex&) = delete;

  void Lock() { EnterCriticalSection(&section_); }
  void Unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

// Holds a YMutex for the lifetime of the scope.
class YMutexLock {
 public:
  explicit YMutexLock(YMutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~YMutexLock() { mutex_.Unlock(); }
  YMutexLock(const YMutexLock&) = delete;
  YMutexLock& operator=(const YMutexLock&) = delete;

 private:
  YMutex& mutex_;
};
