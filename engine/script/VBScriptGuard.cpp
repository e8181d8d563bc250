#include "script/VBScriptGuard.h"

#include <cwctype>
#include <string>

namespace {

bool IsNameChar(wchar_t c) { return std::iswalnum(c) || c == L'_'; }
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// One statement (strings already blanked out, no comments): does it assign through
// two or more argument lists in a row?  [.]name[.name...](...)(...)[...] = value
bool AssignsThroughTwoCalls(std::wstring_view s) {
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < s.size() && IsBlank(s[i])) ++i;
  };
  auto word = [&]() -> std::wstring_view {
    size_t start = i;
    while (i < s.size() && IsNameChar(s[i])) ++i;
    return s.substr(start, i - start);
  };
  auto group = [&]() -> bool {  // a balanced (...) at i
    if (i >= s.size() || s[i] != L'(') return false;
    int depth = 0;
    for (; i < s.size(); ++i) {
      if (s[i] == L'(') ++depth;
      if (s[i] == L')' && --depth == 0) {
        ++i;
        return true;
      }
    }
    return false;
  };

  skipBlanks();
  if (i < s.size() && s[i] == L'.') ++i;  // inside With
  std::wstring_view first = word();
  if (first.empty()) return false;
  if (first.size() == 3 && _wcsnicmp(first.data(), L"set", 3) == 0) {
    skipBlanks();
    first = word();
    if (first.empty()) return false;
  }
  while (i < s.size() && s[i] == L'.') {
    ++i;
    if (word().empty()) return false;
  }
  skipBlanks();
  int groups = 0;
  while (group()) {
    ++groups;
    skipBlanks();
  }
  return groups >= 2 && i < s.size() && s[i] == L'=';
}

bool StartsWithKeyword(std::wstring_view text, size_t at, const wchar_t* keyword, size_t length) {
  if (at + length > text.size() || _wcsnicmp(text.data() + at, keyword, length) != 0) return false;
  bool before = at == 0 || !IsNameChar(text[at - 1]);
  bool after = at + length == text.size() || !IsNameChar(text[at + length]);
  return before && after;
}

}  // namespace

std::optional<int> FindProcessKillingVBScriptStatement(std::wstring_view program) {
  int line = 1;
  int statementLine = 1;
  std::wstring statement;
  auto endStatement = [&]() -> bool {
    bool bad = AssignsThroughTwoCalls(statement);
    statement.clear();
    return bad;
  };
  for (size_t i = 0; i < program.size(); ++i) {
    wchar_t c = program[i];
    if (c == L'"') {  // a string: keep its place, drop its text
      statement += L'"';
      for (++i; i < program.size() && program[i] != L'\n'; ++i) {
        if (program[i] == L'"') {
          if (i + 1 < program.size() && program[i + 1] == L'"') {
            ++i;
            continue;
          }
          break;
        }
      }
      statement += L'"';
      continue;
    }
    if (c == L'\'' || (StartsWithKeyword(program, i, L"rem", 3) && statement.find_first_not_of(L" \t") ==
                                                                        std::wstring::npos)) {
      while (i + 1 < program.size() && program[i + 1] != L'\n') ++i;  // a comment to the line end
      continue;
    }
    if (c == L'_' && (i == 0 || !IsNameChar(program[i - 1]))) {
      size_t j = i + 1;
      while (j < program.size() && (IsBlank(program[j]) || program[j] == L'\r')) ++j;
      if (j < program.size() && program[j] == L'\n') {  // a line continuation
        i = j;
        ++line;
        statement += L' ';
        continue;
      }
    }
    if (c == L'\n' || c == L':') {
      if (endStatement()) return statementLine;
      if (c == L'\n') ++line;
      statementLine = line;
      continue;
    }
    if (StartsWithKeyword(program, i, L"then", 4) || StartsWithKeyword(program, i, L"else", 4)) {
      if (endStatement()) return statementLine;
      i += 3;
      statementLine = line;
      continue;
    }
    if (c != L'\r') statement += c;
  }
  if (endStatement()) return statementLine;
  return std::nullopt;
}

namespace {

// The word at i (letters, digits, "_"), lower-cased.
std::wstring WordAt(const std::wstring& text, size_t i) {
  std::wstring word;
  while (i < text.size() && IsNameChar(text[i])) word += static_cast<wchar_t>(std::towlower(text[i++]));
  return word;
}

size_t SkipBlanks(const std::wstring& text, size_t i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i;
}

// Blanks "()" (with only blanks inside) in the declaration list starting at i; answers
// where the statement ends.
size_t BlankDeclarationList(std::wstring& text, size_t i) {
  while (i < text.size() && text[i] != L'\n' && text[i] != L':' && text[i] != L'\'') {
    if (text[i] == L'(') {
      size_t close = SkipBlanks(text, i + 1);
      if (close < text.size() && text[close] == L')') {
        text[i] = L' ';
        text[close] = L' ';
        i = close;
      }
    }
    ++i;
  }
  return i;
}

}  // namespace

void BlankEmptyArrayBounds(std::wstring& program) {
  bool statementStart = true;
  for (size_t i = 0; i < program.size();) {
    wchar_t c = program[i];
    if (c == L'"') {
      for (++i; i < program.size() && program[i] != L'\n'; ++i) {
        if (program[i] != L'"') continue;
        if (i + 1 < program.size() && program[i + 1] == L'"') {
          ++i;
          continue;
        }
        ++i;
        break;
      }
      statementStart = false;
      continue;
    }
    if (c == L'\'') {
      while (i < program.size() && program[i] != L'\n') ++i;
      continue;
    }
    if (c == L'\n' || c == L':') {
      statementStart = true;
      ++i;
      continue;
    }
    if (IsBlank(c) || c == L'\r') {
      ++i;
      continue;
    }
    if (statementStart && IsNameChar(c) && (i == 0 || !IsNameChar(program[i - 1]))) {
      std::wstring word = WordAt(program, i);
      size_t after = i + word.size();
      bool declaration = word == L"dim";
      if (word == L"private" || word == L"public") {
        std::wstring next = WordAt(program, SkipBlanks(program, after));
        declaration = next != L"sub" && next != L"function" && next != L"property" && next != L"default" &&
                      next != L"const" && next != L"class";
      }
      statementStart = false;
      i = declaration ? BlankDeclarationList(program, after) : after;
      continue;
    }
    statementStart = false;
    ++i;
  }
}
