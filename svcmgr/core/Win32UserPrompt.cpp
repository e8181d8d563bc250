#include "core/Win32UserPrompt.h"

int Win32UserPrompt::Show(const char* text, const char* caption, UINT type) {
  return MessageBoxA(owner_, text, caption, type);
}
