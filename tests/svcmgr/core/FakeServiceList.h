// FakeServiceList: the service list in memory, with what a report list control does that
// the commands rely on: rows kept in ascending order of column 0 (without regard to case)
// as they are inserted, selection that travels with its row, a page of rows. It records
// the scrolls, the hide/show sequence and the column sizing.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/ServiceList.h"

class FakeServiceList : public ServiceList {
 public:
  int InsertRow(const std::string& name) override;
  void SetCell(int row, int column, const std::string& text) override;
  std::string GetCell(int row, int column) const override;
  void SetSelected(int row, bool selected) override;
  int NextSelected(int after) const override;
  void DeleteRow(int row) override;
  void DeleteAllRows() override;
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  int TopIndex() const override { return top_; }
  int RowsPerPage() const override { return perPage_; }
  void EnsureVisible(int row, bool partlyVisible) override;
  void SetVisible(bool visible) override;
  void RepaintNow() override { ++repaints; }
  void AutoSizeColumn(int column) override { autoSized.push_back(column); }
  HWND Window() const override { return nullptr; }

  // Test side.
  void SetPage(int top, int perPage) {
    top_ = top;
    perPage_ = perPage;
  }
  int RowOf(const std::string& name) const;  // exact column-0 match, or -1
  std::vector<std::string> SelectedNames() const;
  bool IsSelected(int row) const { return rows_.at(row).selected; }

  std::vector<std::pair<int, bool>> scrolls;  // EnsureVisible(row, partlyVisible)
  std::vector<bool> visibility;               // every SetVisible
  std::vector<int> autoSized;
  int repaints = 0;

 private:
  struct Row {
    std::vector<std::string> cells;
    bool selected = false;
  };
  std::vector<Row> rows_;
  int top_ = 0;
  int perPage_ = 20;
};
