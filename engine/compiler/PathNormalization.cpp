#include "PathNormalization.h"

namespace {
bool IsSeparator(char c) { return c == '/' || c == '\\'; }

void DropTrailingSeparator(std::string& out) {
  if (!out.empty() && out.back() == '\\') out.pop_back();
}
}  // namespace

void NormalizePath(std::string& path) {
  std::string out;
  out.reserve(path.size());
  size_t pos = 0;
  while (pos < path.size()) {
    if (IsSeparator(path[pos])) {
      while (pos < path.size() && IsSeparator(path[pos])) ++pos;
      out.push_back('\\');
      continue;
    }
    size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::string_view segment(path.data() + pos, end - pos);
    if (segment == ".") {
      DropTrailingSeparator(out);
    } else if (segment == "..") {
      DropTrailingSeparator(out);
      size_t previous = out.rfind('\\');
      out.erase(previous == std::string::npos ? 0 : previous);
    } else {
      out.append(segment);
    }
    pos = end;
  }
  path = std::move(out);
}
