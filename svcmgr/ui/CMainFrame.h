// CMainFrame: the program's frame with its three-pane status bar. The view sets the
// panes' texts with WM_SETPANETEXT.
#pragma once

#include "framework/CFrameWnd.h"
#include "framework/CStatusBar.h"

class CMainFrame : public CFrameWnd {
 protected:
  LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetPaneText(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()

 private:
  CStatusBar statusBar_;
};
