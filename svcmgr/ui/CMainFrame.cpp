#include "ui/CMainFrame.h"

#include "core/StatusPanes.h"

namespace {
// Three separator panes: prompts and the idle text, the count, the machine label.
constexpr UINT kIndicators[] = {0, 0, 0};
}  // namespace

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
ON_MESSAGE(WM_CREATE, OnCreate)
ON_MESSAGE(WM_SETPANETEXT, OnSetPaneText)
END_MESSAGE_MAP()

LRESULT CMainFrame::OnCreate(WPARAM wParam, LPARAM lParam) {
  if (CFrameWnd::OnCreate(wParam, lParam) == -1) return -1;
  if (!statusBar_.Create(this) || !statusBar_.SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators)))) {
    return -1;
  }
  statusBar_.SetPaneText(0, LoadPrompt(kIdleMessageId).c_str());
  return 0;
}

LRESULT CMainFrame::OnSetPaneText(WPARAM wParam, LPARAM lParam) {
  statusBar_.SetPaneText(static_cast<int>(wParam), reinterpret_cast<const char*>(lParam));
  return 0;
}
