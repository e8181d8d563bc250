// CListView: a view that is a list-view control.
#pragma once

#include "framework/CListCtrl.h"
#include "framework/CView.h"

class CListView : public CView {
 public:
  CListCtrl GetListCtrl() const { return CListCtrl(m_hWnd); }

 protected:
  void PreCreateWindow(CREATESTRUCTA& cs) override;
};
