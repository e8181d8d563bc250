// CStatusBar: the frame's status bar over the common status control. Its panes are
// separators: the first stretches over the free width and has no border, the others keep
// the default width of a separator pane (a quarter of the screen's width).
#pragma once

#include <string>
#include <vector>

#include "framework/CWnd.h"

class CStatusBar : public CWnd {
 public:
  // The standard status bar id, which is also the id of the show/hide command.
  static constexpr UINT kStatusBarId = 59393;

  bool Create(CWnd* parent, UINT id = kStatusBarId);
  // One pane per id; every id here is a separator (0).
  bool SetIndicators(const UINT* ids, int count);
  void SetPaneText(int pane, const char* text);
  std::string GetPaneText(int pane) const;
  // Lays the bar out along the bottom of its parent and answers its height.
  int Layout();
  bool IsVisible() const { return m_hWnd && IsWindowVisible(m_hWnd); }

 private:
  std::vector<UINT> ids_;
};
