// Win32StatusPanes: StatusPanes sent to the main frame as WM_SETPANETEXT.
#pragma once

#include "core/StatusPanes.h"

class Win32StatusPanes : public StatusPanes {
 public:
  // The frame is looked up when a text is sent: it may not exist yet when this is made.
  using FrameLookup = HWND (*)();
  explicit Win32StatusPanes(FrameLookup frame) : frame_(frame) {}
  void SetPaneText(int pane, const char* text) override;

 private:
  FrameLookup frame_;
};
