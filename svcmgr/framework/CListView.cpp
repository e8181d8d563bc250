#include "framework/CListView.h"

void CListView::PreCreateWindow(CREATESTRUCTA& cs) {
  CView::PreCreateWindow(cs);
  cs.lpszClass = WC_LISTVIEWA;
}
