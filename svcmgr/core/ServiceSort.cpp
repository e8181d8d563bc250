#include "core/ServiceSort.h"

#include <cstring>

#include "core/ServiceRow.h"

namespace ServiceSort {

namespace {
const char* SkipLeadingQuote(const char* text) { return *text == '"' ? text + 1 : text; }
}  // namespace

int CompareCells(int column, const char* a, const char* b) {
  switch (column) {
    case ServiceRow::kBinaryPath: return _stricmp(SkipLeadingQuote(a), SkipLeadingQuote(b));
    case ServiceRow::kProcessId: {
      size_t lengthA = strlen(a), lengthB = strlen(b);
      if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
      return _stricmp(a, b);
    }
    default: return _stricmp(a, b);
  }
}

int CompareRows(int column, bool ascending, const char* a, const char* b) {
  if (column == kNoColumn) return 0;
  int result = CompareCells(column, a, b);
  return ascending ? result : -result;
}

}  // namespace ServiceSort
