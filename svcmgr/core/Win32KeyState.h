// Win32KeyState: the keyboard state of the user-interface thread (GetKeyState).
#pragma once

#include "core/KeyState.h"

class Win32KeyState : public KeyState {
 public:
  bool IsCtrlDown() override;
};
