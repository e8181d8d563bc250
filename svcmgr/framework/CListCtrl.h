// CListCtrl: the operations of a report-style list-view control that the list view
// uses, over a window it borrows (narrow messages, system code page text).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

class CListCtrl {
 public:
  explicit CListCtrl(HWND window = nullptr) : window_(window) {}
  HWND GetSafeHwnd() const { return window_; }

  DWORD SetExtendedStyle(DWORD style);
  DWORD GetExtendedStyle() const;
  HIMAGELIST SetImageList(HIMAGELIST list, int kind);
  int InsertColumn(int column, const char* heading, int format, int width);
  bool DeleteColumn(int column) { return Send(LVM_DELETECOLUMN, column, 0) != 0; }
  // The number of columns, counted on the header control.
  int GetColumnCount() const;
  // A column's header text (LVM_GETCOLUMNA), at most `maxBytes` bytes.
  std::string GetColumnText(int column, size_t maxBytes) const;

  int GetItemCount() const;
  UINT GetSelectedCount() const;
  int GetNextItem(int after, int flags) const;
  std::string GetItemText(int row, int column) const;
  bool SetItemText(int row, int column, const std::string& text);
  bool SetItemState(int row, UINT state, UINT mask);
  bool EnsureVisible(int row, bool partialOk);
  bool SetItemData(int row, LPARAM data);
  // Sorts the rows with a comparison of their item data.
  bool SortItems(PFNLVCOMPARE compare, LPARAM data);

 private:
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageA(window_, message, wParam, lParam);
  }

  HWND window_;
};
