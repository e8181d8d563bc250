#include "framework/CStatusBar.h"

#include <commctrl.h>

namespace {
int SeparatorPaneWidth() { return GetSystemMetrics(SM_CXSCREEN) / 4; }
}  // namespace

bool CStatusBar::Create(CWnd* parent, UINT id) {
  return CreateEx(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | CCS_BOTTOM | SBARS_SIZEGRIP, 0, 0, 0, 0,
                  parent->GetSafeHwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

bool CStatusBar::SetIndicators(const UINT* ids, int count) {
  if (!m_hWnd || count < 1 || count > 255) return false;
  ids_.assign(ids, ids + count);
  Layout();
  for (int pane = 0; pane < count; ++pane) SetPaneText(pane, "");
  return true;
}

void CStatusBar::SetPaneText(int pane, const char* text) {
  if (pane < 0 || pane >= static_cast<int>(ids_.size())) return;
  WPARAM style = pane == 0 ? SBT_NOBORDERS : 0;
  SendMessage(SB_SETTEXTA, static_cast<WPARAM>(pane) | style, reinterpret_cast<LPARAM>(text ? text : ""));
}

std::string CStatusBar::GetPaneText(int pane) const {
  if (pane < 0 || pane >= static_cast<int>(ids_.size())) return {};
  auto length = LOWORD(SendMessage(SB_GETTEXTLENGTHA, pane));
  std::string text(length + 1u, '\0');
  SendMessage(SB_GETTEXTA, pane, reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  return text;
}

int CStatusBar::Layout() {
  if (!m_hWnd) return 0;
  SendMessage(WM_SIZE, 0, 0);  // the control places itself along the bottom
  RECT client;
  GetClientRect(m_hWnd, &client);
  std::vector<int> edges(ids_.size());
  int right = client.right;
  for (int pane = static_cast<int>(ids_.size()) - 1; pane >= 0; --pane) {
    edges[pane] = pane == static_cast<int>(ids_.size()) - 1 ? -1 : right;
    if (pane > 0) right -= SeparatorPaneWidth();
  }
  if (!edges.empty()) SendMessage(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  RECT window;
  GetWindowRect(m_hWnd, &window);
  return window.bottom - window.top;
}
