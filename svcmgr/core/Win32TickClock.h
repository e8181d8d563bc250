// Win32TickClock: GetTickCount and Sleep.
#pragma once

#include "core/TickClock.h"

class Win32TickClock : public TickClock {
 public:
  DWORD TickCount() override;
  void Sleep(DWORD milliseconds) override;
};
