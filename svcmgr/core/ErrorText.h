// The system's message text for an error code, in the system code page, exactly as the
// system gives it (trailing line break included); empty when the system has none.
#pragma once

#include <windows.h>

#include <string>

std::string ErrorTextFor(DWORD code);
// The text for the calling thread's last error code. Call it right after the failing
// call, before any other platform call can change that code.
inline std::string ErrorText() { return ErrorTextFor(GetLastError()); }
