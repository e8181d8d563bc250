// KeyState: the state of the keyboard at the moment a command starts.
#pragma once

class KeyState {
 public:
  virtual ~KeyState() = default;
  virtual bool IsCtrlDown() = 0;
};
