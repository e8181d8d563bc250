// CCmdUI: the state of one menu item, handed to the ON_UPDATE_COMMAND_UI handlers while
// its popup opens.
#pragma once

#include <windows.h>

class CCmdUI {
 public:
  CCmdUI(HMENU menu, UINT index, UINT id) : menu_(menu), index_(index), id_(id) {}

  UINT Id() const { return id_; }
  void Enable(bool enable = true);
  // 0 clears the check mark, anything else sets it.
  void SetCheck(int check = 1);

 private:
  HMENU menu_;
  UINT index_;
  UINT id_;
};
