#include "core/TextRules.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list probe;
  va_copy(probe, args);
  int length = std::vsnprintf(nullptr, 0, format, probe);
  va_end(probe);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<size_t>(length));
    std::vsnprintf(text.data(), text.size() + 1, format, args);
  }
  va_end(args);
  return text;
}

bool EqualsNoCaseDbcs(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  for (size_t i = 0; i < a.size(); ++i) {
    auto ca = static_cast<unsigned char>(a[i]);
    auto cb = static_cast<unsigned char>(b[i]);
    if (IsDBCSLeadByte(ca) && i + 1 < a.size()) {
      // Both bytes of the character compare as they are.
      if (ca != cb || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (lower(ca) != lower(cb)) return false;
  }
  return true;
}

std::string LowerDbcs(std::string_view text) {
  std::string lower(text);
  for (size_t i = 0; i < lower.size(); ++i) {
    auto c = static_cast<unsigned char>(lower[i]);
    if (IsDBCSLeadByte(c) && i + 1 < lower.size()) {
      ++i;  // the trail byte stays
    } else if (c >= 'A' && c <= 'Z') {
      lower[i] = static_cast<char>(c + ('a' - 'A'));
    }
  }
  return lower;
}

bool ContainsDbcs(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return true;
  for (size_t i = 0; i + pattern.size() <= text.size(); ++i) {
    if (text.compare(i, pattern.size(), pattern) == 0) return true;
    if (IsDBCSLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
  }
  return false;
}
