// Win32UserPrompt: UserPrompt as modal message boxes owned by a window.
#pragma once

#include "core/UserPrompt.h"

class Win32UserPrompt : public UserPrompt {
 public:
  explicit Win32UserPrompt(HWND owner) : owner_(owner) {}
  int Show(const char* text, const char* caption, UINT type) override;

 private:
  HWND owner_;
};
