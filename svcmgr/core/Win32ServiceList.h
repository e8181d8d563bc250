// Win32ServiceList: ServiceList over a report-style list-view control, with its narrow
// (A) messages, so that cells hold system code page text.
#pragma once

#include "core/ServiceList.h"

class Win32ServiceList : public ServiceList {
 public:
  explicit Win32ServiceList(HWND listView) : window_(listView) {}

  int InsertRow(const std::string& name) override;
  void SetCell(int row, int column, const std::string& text) override;
  std::string GetCell(int row, int column) const override;
  void SetSelected(int row, bool selected) override;
  int NextSelected(int after) const override;
  void DeleteRow(int row) override;
  void DeleteAllRows() override;
  int RowCount() const override;
  int TopIndex() const override;
  int RowsPerPage() const override;
  void EnsureVisible(int row, bool partlyVisible) override;
  void SetVisible(bool visible) override;
  void RepaintNow() override;
  void AutoSizeColumn(int column) override;
  HWND Window() const override { return window_; }

 private:
  HWND window_;
};
