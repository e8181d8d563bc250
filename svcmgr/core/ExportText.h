// The exported service list: every column's header and cells, left-aligned and padded
// with blanks to the column's width, one line per row, lines joined by CR LF and no line
// break after the last one. Widths and padding count bytes (a double-byte character
// counts 2); the last column is not padded.
#pragma once

#include <string>
#include <vector>

namespace ExportText {

// At most this many columns are exported; further ones are left out.
inline constexpr size_t kMaxColumns = 20;
// Cells are taken with at most this many bytes.
inline constexpr size_t kMaxCellBytes = 1023;
// Blanks added to each column's width beyond its longest text.
inline constexpr size_t kColumnGap = 6;

// `headers` are the column titles in column index order; each row holds its cells in
// the same order (missing cells count as empty).
std::string Build(const std::vector<std::string>& headers, const std::vector<std::vector<std::string>>& rows);

// The save dialog's file name with the text filter's extension: ".txt" appended when the
// text filter (the first) was chosen and the name does not already end in ".txt" (any
// case) after at least one other character.
std::string WithTextExtension(const std::string& name, bool textFilterChosen);

}  // namespace ExportText
