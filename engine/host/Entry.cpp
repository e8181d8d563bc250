// The extension's exported entry points (undecorated, see vellum.def).
#include <windows.h>
#include <httpext.h>

#include "app/StateClock.h"
#include "host/BackgroundThread.h"
#include "host/RequestDriver.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) StartBackgroundThread();
  return TRUE;
}

// The server's version record is left as the server passed it.
extern "C" BOOL WINAPI GetExtensionVersion(HSE_VERSION_INFO*) { return TRUE; }

extern "C" DWORD WINAPI HttpExtensionProc(EXTENSION_CONTROL_BLOCK* ecb) { return DriveRequest(ecb); }

// For tests only: fixes the clock of session expiry and of the global.asa change test at
// seconds since 1970 (0: the wall clock again), so that expiry can be tested without
// waiting for it.
extern "C" void WINAPI VellumTestSetClock(LONGLONG seconds) { SetStateClock(seconds); }
