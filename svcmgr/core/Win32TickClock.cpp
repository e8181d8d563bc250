#include "core/Win32TickClock.h"

DWORD Win32TickClock::TickCount() { return GetTickCount(); }

void Win32TickClock::Sleep(DWORD milliseconds) { ::Sleep(milliseconds); }
