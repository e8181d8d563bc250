#include "framework/CFrameWnd.h"

#include <algorithm>

#include "framework/CCmdUI.h"
#include "framework/CDocument.h"
#include "framework/CView.h"
#include "framework/CWinApp.h"

namespace {
constexpr int kStringBytes = 512;
}  // namespace

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_MESSAGE(WM_CREATE, OnCreate)
ON_MESSAGE(WM_SIZE, OnSize)
ON_MESSAGE(WM_SETFOCUS, OnSetFocus)
ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
ON_MESSAGE(WM_MENUSELECT, OnMenuSelect)
ON_MESSAGE(WM_CLOSE, OnClose)
ON_MESSAGE(WM_DESTROY, OnDestroy)
ON_COMMAND(kStatusBarCommand, OnBarCheck)
ON_UPDATE_COMMAND_UI(kStatusBarCommand, OnUpdateBarCheck)
END_MESSAGE_MAP()

std::string CFrameWnd::LoadPrompt(UINT id) {
  char text[kStringBytes];
  int length = LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
  std::string prompt(text, length > 0 ? static_cast<size_t>(length) : 0);
  return prompt.substr(0, prompt.find('\n'));
}

bool CFrameWnd::LoadFrame(UINT resourceId, CDocument* document, CView* view) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  document_ = document;
  view_ = view;
  frameTitle_ = LoadPrompt(resourceId);
  accelerators_ = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(resourceId));
  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(resourceId));
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(resourceId));
  const char* windowClass = RegisterWindowClass(icon);
  if (!windowClass || !CreateEx(0, windowClass, frameTitle_.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu)) {
    if (menu) DestroyMenu(menu);
    return false;
  }
  if (icon) SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  return true;
}

void CFrameWnd::UpdateFrameTitle() {
  std::string title = document_ ? document_->GetTitle() + " - " + frameTitle_ : frameTitle_;
  SetWindowTextA(m_hWnd, title.c_str());
}

CStatusBar* CFrameWnd::GetStatusBar() const {
  return static_cast<CStatusBar*>(FromHandle(GetDlgItem(m_hWnd, kStatusBarCommand)));
}

void CFrameWnd::SetMessageText(const char* text) {
  if (CStatusBar* bar = GetStatusBar()) bar->SetPaneText(0, text);
}

void CFrameWnd::OnIdleUpdate() {
  if (promptShown_ && !menuOpen_) {
    SetMessageText(LoadPrompt(kIdleMessageId).c_str());
    promptShown_ = false;
  }
}

bool CFrameWnd::OnCmdMsg(UINT id, CommandCode code, CCmdUI* ui) {
  if (view_ && view_->OnCmdMsg(id, code, ui)) return true;
  if (CWnd::OnCmdMsg(id, code, ui)) return true;
  CWinApp* app = CWinApp::Get();
  return app && app->OnCmdMsg(id, code, ui);
}

LRESULT CFrameWnd::OnCreate(WPARAM wParam, LPARAM lParam) {
  if (Default(WM_CREATE, wParam, lParam) == -1) return -1;
  if (view_ && !view_->Create(this)) return -1;
  return 0;
}

LRESULT CFrameWnd::OnSize(WPARAM wParam, LPARAM lParam) {
  Default(WM_SIZE, wParam, lParam);
  if (wParam != SIZE_MINIMIZED) RecalcLayout();
  return 0;
}

void CFrameWnd::RecalcLayout() {
  RECT client;
  GetClientRect(m_hWnd, &client);
  CStatusBar* bar = GetStatusBar();
  int barHeight = bar && bar->IsVisible() ? bar->Layout() : 0;
  if (view_ && view_->GetSafeHwnd()) {
    MoveWindow(view_->GetSafeHwnd(), 0, 0, client.right, std::max(0L, client.bottom - barHeight), TRUE);
  }
}

LRESULT CFrameWnd::OnSetFocus(WPARAM, LPARAM) {
  if (view_ && view_->GetSafeHwnd()) SetFocus(view_->GetSafeHwnd());
  return 0;
}

LRESULT CFrameWnd::OnInitMenuPopup(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(lParam)) return Default(WM_INITMENUPOPUP, wParam, lParam);  // the system menu
  auto menu = reinterpret_cast<HMENU>(wParam);
  int count = GetMenuItemCount(menu);
  for (int index = 0; index < count; ++index) {
    UINT id = GetMenuItemID(menu, index);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separators and popups
    CCmdUI ui(menu, static_cast<UINT>(index), id);
    OnCmdMsg(id, kUpdateUi, &ui);
  }
  return 0;
}

LRESULT CFrameWnd::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  UINT flags = HIWORD(wParam);
  if (flags == 0xFFFF && lParam == 0) {  // the menu closed
    menuOpen_ = false;
    SetMessageText(LoadPrompt(kIdleMessageId).c_str());
    promptShown_ = false;
    return 0;
  }
  menuOpen_ = true;
  promptShown_ = true;
  bool noPrompt = id == 0 || (flags & (MF_POPUP | MF_SEPARATOR));
  SetMessageText(noPrompt ? "" : LoadPrompt(id).c_str());
  return 0;
}

LRESULT CFrameWnd::OnClose(WPARAM, LPARAM) {
  DestroyWindow();
  return 0;
}

LRESULT CFrameWnd::OnDestroy(WPARAM wParam, LPARAM lParam) {
  CWinApp* app = CWinApp::Get();
  if (app && app->m_pMainWnd == this) PostQuitMessage(0);
  return Default(WM_DESTROY, wParam, lParam);
}

void CFrameWnd::OnBarCheck() {
  CStatusBar* bar = GetStatusBar();
  if (!bar) return;
  ShowWindow(bar->GetSafeHwnd(), bar->IsVisible() ? SW_HIDE : SW_SHOW);
  RecalcLayout();
}

void CFrameWnd::OnUpdateBarCheck(CCmdUI* ui) {
  CStatusBar* bar = GetStatusBar();
  ui->SetCheck(bar && bar->IsVisible());
}
