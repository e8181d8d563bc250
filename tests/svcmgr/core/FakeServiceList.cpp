#include "FakeServiceList.h"

#include <windows.h>

#include <algorithm>

namespace {
int CompareNoCase(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()); }
}  // namespace

int FakeServiceList::InsertRow(const std::string& name) {
  auto at =
      std::find_if(rows_.begin(), rows_.end(), [&](const Row& row) { return CompareNoCase(row.cells[0], name) > 0; });
  Row row;
  row.cells.push_back(name);
  auto inserted = rows_.insert(at, std::move(row));
  return static_cast<int>(inserted - rows_.begin());
}

void FakeServiceList::SetCell(int row, int column, const std::string& text) {
  auto& cells = rows_.at(row).cells;
  if (cells.size() <= static_cast<size_t>(column)) cells.resize(column + 1);
  cells[column] = text;
}

std::string FakeServiceList::GetCell(int row, int column) const {
  const auto& cells = rows_.at(row).cells;
  return static_cast<size_t>(column) < cells.size() ? cells[column] : std::string();
}

void FakeServiceList::SetSelected(int row, bool selected) { rows_.at(row).selected = selected; }

int FakeServiceList::NextSelected(int after) const {
  for (int row = after + 1; row < RowCount(); ++row) {
    if (rows_[row].selected) return row;
  }
  return -1;
}

void FakeServiceList::DeleteRow(int row) { rows_.erase(rows_.begin() + row); }

void FakeServiceList::DeleteAllRows() { rows_.clear(); }

void FakeServiceList::EnsureVisible(int row, bool partlyVisible) { scrolls.emplace_back(row, partlyVisible); }

void FakeServiceList::SetVisible(bool visible) { visibility.push_back(visible); }

int FakeServiceList::RowOf(const std::string& name) const {
  for (int row = 0; row < RowCount(); ++row) {
    if (rows_[row].cells[0] == name) return row;
  }
  return -1;
}

std::vector<std::string> FakeServiceList::SelectedNames() const {
  std::vector<std::string> names;
  for (const Row& row : rows_) {
    if (row.selected) names.push_back(row.cells[0]);
  }
  return names;
}
