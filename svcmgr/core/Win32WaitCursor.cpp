#include "core/Win32WaitCursor.h"

void Win32WaitCursor::Begin() {
  HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  if (depth_++ == 0) previous_ = previous;
}

void Win32WaitCursor::End() {
  if (depth_ == 0) return;
  if (--depth_ == 0) SetCursor(previous_ ? previous_ : LoadCursorA(nullptr, IDC_ARROW));
}
