// The clock of application and session state: the wall clock in seconds since 1970,
// unless tests have fixed it (through the library's test-only export), so that session
// expiry and the global.asa change test can be tested without waiting.
#pragma once

#include <cstdint>

int64_t StateNow();
// Fixes the state clock at seconds since 1970 for every later reading; 0 goes back to
// the wall clock.
void SetStateClock(int64_t seconds);
