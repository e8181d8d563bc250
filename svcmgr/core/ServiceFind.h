// The find commands' search over the service list: from the find position, row by row
// up or down, every column of a row before the next row; no wrapping around.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "core/ServiceList.h"

namespace ServiceFind {

// A row and column of the list; column -1 means "that row, no match there yet".
struct CellPosition {
  int row = -1;
  int column = -1;
  bool operator==(const CellPosition&) const = default;
};

// Searches the list for `text` with the find dialog's flags (FR_DOWN, FR_MATCHCASE,
// FR_WHOLEWORD) and answers the first matching cell, or nothing when the rows run out.
// The search starts at the row of `from`, one row further on when `from` is a previous
// match (its column is not -1); searching down from row -1 starts at row 0. Without
// FR_MATCHCASE pattern and cells compare in lower case; with FR_WHOLEWORD a cell
// matches only when it equals the pattern as a whole, otherwise when it contains it.
std::optional<CellPosition> FindNext(const ServiceList& list, int columnCount, const std::string& text, DWORD flags,
                                     CellPosition from);

}  // namespace ServiceFind
