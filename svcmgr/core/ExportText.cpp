#include "core/ExportText.h"

#include <algorithm>

#include "core/TextRules.h"

namespace ExportText {

namespace {

constexpr char kLineBreak[] = "\r\n";
constexpr char kTextExtension[] = ".txt";
constexpr size_t kTextExtensionBytes = sizeof kTextExtension - 1;

std::string CellOf(const std::vector<std::string>& row, size_t column) {
  if (column >= row.size()) return {};
  return row[column].substr(0, kMaxCellBytes);
}

void AppendLine(std::string& out, const std::vector<std::string>& cells, const std::vector<size_t>& widths) {
  for (size_t column = 0; column < widths.size(); ++column) {
    std::string cell = column < cells.size() ? cells[column] : std::string();
    while (!cell.empty() && (cell.back() == '\r' || cell.back() == '\n')) cell.pop_back();
    out += cell;
    if (column + 1 < widths.size() && cell.size() < widths[column]) out.append(widths[column] - cell.size(), ' ');
  }
}

}  // namespace

std::string Build(const std::vector<std::string>& headers, const std::vector<std::vector<std::string>>& rows) {
  const size_t columns = std::min(headers.size(), kMaxColumns);
  std::vector<size_t> widths(columns);
  for (size_t column = 0; column < columns; ++column) {
    widths[column] = headers[column].size();
    for (const auto& row : rows) widths[column] = std::max(widths[column], CellOf(row, column).size() + 1);
    widths[column] += kColumnGap;
  }
  std::string out;
  AppendLine(out, std::vector<std::string>(headers.begin(), headers.begin() + columns), widths);
  for (const auto& row : rows) {
    out += kLineBreak;
    std::vector<std::string> cells(columns);
    for (size_t column = 0; column < columns; ++column) cells[column] = CellOf(row, column);
    AppendLine(out, cells, widths);
  }
  return out;
}

std::string WithTextExtension(const std::string& name, bool textFilterChosen) {
  if (!textFilterChosen) return name;
  if (name.size() > kTextExtensionBytes &&
      EqualsNoCaseDbcs(std::string_view(name).substr(name.size() - kTextExtensionBytes), kTextExtension)) {
    return name;
  }
  return name + kTextExtension;
}

}  // namespace ExportText
