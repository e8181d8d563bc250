#include "core/Win32StatusPanes.h"

void Win32StatusPanes::SetPaneText(int pane, const char* text) {
  if (HWND frame = frame_ ? frame_() : nullptr) {
    SendMessageA(frame, WM_SETPANETEXT, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text));
  }
}
