// The library's one background thread: wakes every kSweepIntervalMs and runs the
// sweeps that expire sessions and interrupt pages past their deadline.
#pragma once

#include <windows.h>

constexpr DWORD kSweepIntervalMs = 5000;

// Starts the thread (once per process; later calls do nothing). Answers whether it runs.
bool StartBackgroundThread();

// One round of the sweeps; the thread runs it after every sleep.
void RunBackgroundSweeps();
