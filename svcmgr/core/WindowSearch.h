// Finding windows of other programs.
#pragma once

#include <windows.h>

// The first window of a class among all descendants of `window` (children, their
// children, ...), in the order EnumChildWindows gives them; null when there is none.
HWND FindDescendantOfClass(HWND window, const char* className);
