#include "framework/CView.h"

#include "framework/CDocument.h"

bool CView::Create(CWnd* parent) {
  CREATESTRUCTA cs{};
  cs.lpszClass = RegisterWindowClass(nullptr);
  cs.style = WS_CHILD | WS_VISIBLE | WS_BORDER;
  cs.hwndParent = parent->GetSafeHwnd();
  cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kPaneId));
  PreCreateWindow(cs);
  return CreateEx(cs.dwExStyle, cs.lpszClass, "", cs.style, 0, 0, 0, 0, cs.hwndParent, cs.hMenu);
}

void CView::PreCreateWindow(CREATESTRUCTA&) {}

bool CView::OnCmdMsg(UINT id, CommandCode code, CCmdUI* ui) {
  if (CWnd::OnCmdMsg(id, code, ui)) return true;
  return document_ && document_->OnCmdMsg(id, code, ui);
}
