// ServiceList: the few operations the service commands need of the list that shows the
// service rows. Win32ServiceList is the list control; tests use a list in memory.
#pragma once

#include <windows.h>

#include <string>

class ServiceList {
 public:
  virtual ~ServiceList() = default;

  // Adds a row with the given column-0 text and answers its index. The list keeps its
  // rows in ascending order of column 0 as they are inserted, so the index need not be
  // the last one.
  virtual int InsertRow(const std::string& name) = 0;
  virtual void SetCell(int row, int column, const std::string& text) = 0;
  virtual std::string GetCell(int row, int column) const = 0;
  virtual void SetSelected(int row, bool selected) = 0;
  // The first selected row after `after` in list order (-1 starts at the top), or -1.
  virtual int NextSelected(int after) const = 0;
  virtual void DeleteRow(int row) = 0;
  virtual void DeleteAllRows() = 0;
  virtual int RowCount() const = 0;

  // The first visible row and the number of rows that fit on one page.
  virtual int TopIndex() const = 0;
  virtual int RowsPerPage() const = 0;
  // Scrolls a row into view; partlyVisible accepts a row that is only partly shown.
  virtual void EnsureVisible(int row, bool partlyVisible) = 0;
  // Hides the list while it is refilled, and shows it again.
  virtual void SetVisible(bool visible) = 0;
  // Repaints the list at once (after its rows were removed).
  virtual void RepaintNow() = 0;
  // Sizes a column to fit both its content and its header.
  virtual void AutoSizeColumn(int column) = 0;
  // The window that owns the system's own dialogs (the credential prompt).
  virtual HWND Window() const = 0;
};
