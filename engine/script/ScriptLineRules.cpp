#include "script/ScriptLineRules.h"

namespace {

// White space as the C locale knows it.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsBlank(std::string_view line) {
  for (char c : line) {
    if (!IsSpace(c)) return false;
  }
  return true;
}

// The line (without its line feed) with a "//" outside strings made into a comment.
void AppendCommentRewritten(std::string_view line, std::string* out) {
  size_t start = out->size();
  out->append(line);
  bool inString = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (inString) {
      if (c == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          ++i;  // an escaped quote stays inside the string
        } else {
          inString = false;
        }
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
      (*out)[start + i] = '\'';
      return;
    }
  }
}

}  // namespace

std::string ApplyVBScriptLineRules(std::string_view fragment) {
  std::string out;
  out.reserve(fragment.size() + fragment.size() / 16 + 2);
  bool continued = false;
  size_t pos = 0;
  while (pos < fragment.size()) {
    size_t feed = fragment.find('\n', pos);
    if (feed == std::string_view::npos) break;
    std::string_view line = fragment.substr(pos, feed - pos);
    pos = feed + 1;
    if (continued && IsBlank(line)) {
      out += "_\r\n";
      continue;
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    AppendCommentRewritten(line, &out);
    out += "\r\n";
    size_t last = line.find_last_not_of(" \t\n\v\f\r");
    continued = last != std::string_view::npos && line[last] == '_';
  }
  out.append(fragment.substr(pos));
  return out;
}
