#include "core/Win32ServiceList.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace {
// A cell is read into a buffer that grows until the text fits, up to this size.
constexpr size_t kFirstCellBuffer = 1024;
constexpr size_t kMaxCellBuffer = 64 * 1024;
}  // namespace

int Win32ServiceList::InsertRow(const std::string& name) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = RowCount();
  item.iImage = 0;  // every row shows the program icon
  item.pszText = const_cast<char*>(name.c_str());
  return static_cast<int>(SendMessageA(window_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32ServiceList::SetCell(int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(window_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

std::string Win32ServiceList::GetCell(int row, int column) const {
  std::vector<char> buffer(kFirstCellBuffer);
  for (;;) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    auto length = static_cast<size_t>(SendMessageA(window_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
    // A text that filled the buffer may have been cut: read it again with more room.
    if (length + 1 < buffer.size() || buffer.size() >= kMaxCellBuffer) {
      return std::string(buffer.data(), std::min(length, buffer.size() - 1));
    }
    buffer.resize(buffer.size() * 4);
  }
}

void Win32ServiceList::SetSelected(int row, bool selected) {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageA(window_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int Win32ServiceList::NextSelected(int after) const {
  return static_cast<int>(SendMessageA(window_, LVM_GETNEXTITEM, after, MAKELPARAM(LVNI_SELECTED, 0)));
}

void Win32ServiceList::DeleteRow(int row) { SendMessageA(window_, LVM_DELETEITEM, row, 0); }

void Win32ServiceList::DeleteAllRows() { SendMessageA(window_, LVM_DELETEALLITEMS, 0, 0); }

int Win32ServiceList::RowCount() const { return static_cast<int>(SendMessageA(window_, LVM_GETITEMCOUNT, 0, 0)); }

int Win32ServiceList::TopIndex() const { return static_cast<int>(SendMessageA(window_, LVM_GETTOPINDEX, 0, 0)); }

int Win32ServiceList::RowsPerPage() const { return static_cast<int>(SendMessageA(window_, LVM_GETCOUNTPERPAGE, 0, 0)); }

void Win32ServiceList::EnsureVisible(int row, bool partlyVisible) {
  SendMessageA(window_, LVM_ENSUREVISIBLE, row, partlyVisible ? TRUE : FALSE);
}

void Win32ServiceList::SetVisible(bool visible) {
  // Hidden, the control still lays out, scrolls and invalidates after every change; with
  // redrawing off it leaves that until redrawing is on again, once for the whole fill.
  if (visible) {
    ShowWindow(window_, SW_SHOW);
    SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  } else {
    ShowWindow(window_, SW_HIDE);
    SendMessageA(window_, WM_SETREDRAW, FALSE, 0);
  }
}

void Win32ServiceList::RepaintNow() {
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void Win32ServiceList::AutoSizeColumn(int column) {
  SendMessageA(window_, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0));
}
