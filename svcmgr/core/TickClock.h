// TickClock: the millisecond tick count and the sleeps of the polling loops.
#pragma once

#include <windows.h>

class TickClock {
 public:
  virtual ~TickClock() = default;
  virtual DWORD TickCount() = 0;
  virtual void Sleep(DWORD milliseconds) = 0;
};
