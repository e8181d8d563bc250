// The order of the service list when a column is chosen for sorting.
#pragma once

namespace ServiceSort {

// No column chosen yet: every comparison is equal and the rows keep the order the list
// gave them on insertion (ascending by service name).
inline constexpr int kNoColumn = -1;

// Compares two cells of a column for ascending order (<0, 0, >0):
//   file path (7)   one leading double quote skipped in each text, then case-insensitive;
//   process id (4)  the shorter text first, texts of equal length case-insensitive, so
//                   decimal numbers order by value and empty cells come first;
//   any other       case-insensitive.
int CompareCells(int column, const char* a, const char* b);

// The comparison of two rows in the chosen column and direction: CompareCells, negated
// for descending order, and always equal while no column is chosen.
int CompareRows(int column, bool ascending, const char* a, const char* b);

}  // namespace ServiceSort
