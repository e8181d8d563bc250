#include "framework/CListCtrl.h"

#include <cstring>

#include "core/Win32ServiceList.h"

DWORD CListCtrl::SetExtendedStyle(DWORD style) {
  return static_cast<DWORD>(Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style));
}

DWORD CListCtrl::GetExtendedStyle() const { return static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)); }

HIMAGELIST CListCtrl::SetImageList(HIMAGELIST list, int kind) {
  return reinterpret_cast<HIMAGELIST>(Send(LVM_SETIMAGELIST, kind, reinterpret_cast<LPARAM>(list)));
}

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width) {
  LVCOLUMNA info{};
  info.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
  info.fmt = format;
  info.cx = width;
  info.pszText = const_cast<char*>(heading);
  info.iSubItem = column;
  return static_cast<int>(Send(LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&info)));
}

int CListCtrl::GetColumnCount() const {
  auto header = reinterpret_cast<HWND>(Send(LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int CListCtrl::GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0)); }

UINT CListCtrl::GetSelectedCount() const { return static_cast<UINT>(Send(LVM_GETSELECTEDCOUNT, 0, 0)); }

int CListCtrl::GetNextItem(int after, int flags) const {
  return static_cast<int>(Send(LVM_GETNEXTITEM, after, MAKELPARAM(flags, 0)));
}

std::string CListCtrl::GetItemText(int row, int column) const {
  // The service list reads cells of any length the same way.
  return Win32ServiceList(window_).GetCell(row, column);
}

bool CListCtrl::SetItemState(int row, UINT state, UINT mask) {
  LVITEMA item{};
  item.state = state;
  item.stateMask = mask;
  return Send(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool CListCtrl::EnsureVisible(int row, bool partialOk) { return Send(LVM_ENSUREVISIBLE, row, partialOk) != 0; }

bool CListCtrl::SetItemData(int row, LPARAM data) {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = data;
  return Send(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool CListCtrl::SortItems(PFNLVCOMPARE compare, LPARAM data) {
  return Send(LVM_SORTITEMS, data, reinterpret_cast<LPARAM>(compare)) != 0;
}

std::string CListCtrl::GetColumnText(int column, size_t maxBytes) const {
  std::string text(maxBytes + 1, '\0');
  LVCOLUMNA info{};
  info.mask = LVCF_TEXT;
  info.pszText = text.data();
  info.cchTextMax = static_cast<int>(text.size());
  if (!Send(LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&info))) return {};
  text.resize(strnlen(text.c_str(), maxBytes));
  return text;
}

bool CListCtrl::SetItemText(int row, int column, const std::string& text) {
  // The service list writes cells the same way.
  Win32ServiceList(window_).SetCell(row, column, text);
  return true;
}
