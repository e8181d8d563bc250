// UserPrompt: modal messages and questions to the user, owned by the view.
#pragma once

#include <windows.h>

class UserPrompt {
 public:
  virtual ~UserPrompt() = default;

  // Shows text with the caption, buttons and icon of `type` (MB_* flags) and answers
  // the button chosen (IDOK, IDCANCEL, IDYES, IDNO).
  virtual int Show(const char* text, const char* caption, UINT type) = 0;
};
