#include "core/Win32KeyState.h"

#include <windows.h>

bool Win32KeyState::IsCtrlDown() { return (GetKeyState(VK_CONTROL) & 0x80) != 0; }
