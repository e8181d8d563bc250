#include "core/ServiceFind.h"

#include <commdlg.h>

#include "core/TextRules.h"

namespace ServiceFind {

std::optional<CellPosition> FindNext(const ServiceList& list, int columnCount, const std::string& text, DWORD flags,
                                     CellPosition from) {
  const int step = (flags & FR_DOWN) ? 1 : -1;
  const bool matchCase = (flags & FR_MATCHCASE) != 0;
  const bool wholeWord = (flags & FR_WHOLEWORD) != 0;

  int row = from.row;
  if (from.column != -1) row += step;
  if (step > 0 && row < 0) row = 0;

  const std::string pattern = matchCase ? text : LowerDbcs(text);
  const int rows = list.RowCount();
  for (; row >= 0 && row < rows; row += step) {
    for (int column = 0; column < columnCount; ++column) {
      std::string cell = list.GetCell(row, column);
      if (!matchCase) cell = LowerDbcs(cell);
      bool match = wholeWord ? cell == pattern : ContainsDbcs(cell, pattern);
      if (match) return CellPosition{row, column};
    }
  }
  return std::nullopt;
}

}  // namespace ServiceFind
