// StatusPanes: the texts of the main window's status bar. Pane 1 carries the service
// count or the last connection error, pane 2 the machine label.
#pragma once

#include <windows.h>

// The frame's private message: wParam is the pane index, lParam the narrow text.
inline constexpr UINT WM_SETPANETEXT = WM_USER + 1;

class StatusPanes {
 public:
  static constexpr int kCountPane = 1;
  static constexpr int kMachinePane = 2;

  virtual ~StatusPanes() = default;
  virtual void SetPaneText(int pane, const char* text) = 0;
};
