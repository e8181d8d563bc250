#include "script/VBScriptGuard.h"

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

namespace {

bool IsNameChar(wchar_t c) { return std::iswalnum(c) || c == L'_'; }
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool StartsWithKeyword(std::wstring_view text, size_t at, const wchar_t* keyword, size_t length) {
  if (at + length > text.size() || _wcsnicmp(text.data() + at, keyword, length) != 0) return false;
  bool before = at == 0 || !IsNameChar(text[at - 1]);
  bool after = at + length == text.size() || !IsNameChar(text[at + length]);
  return before && after;
}

bool SameWord(std::wstring_view word, std::wstring_view lowerName) {
  return word.size() == lowerName.size() && _wcsnicmp(word.data(), lowerName.data(), word.size()) == 0;
}

// Where the line continuation at i ("_", blanks, line break) ends, or i when there is none.
size_t ContinuationEnd(std::wstring_view text, size_t i) {
  if (i >= text.size() || text[i] != L'_' || (i > 0 && IsNameChar(text[i - 1]))) return i;
  size_t j = i + 1;
  while (j < text.size() && (IsBlank(text[j]) || text[j] == L'\r')) ++j;
  return j < text.size() && text[j] == L'\n' ? j + 1 : i;
}

// The end of the string literal opening at i (just past its closing quote, or at the
// line break of an unclosed one).
size_t StringEnd(std::wstring_view text, size_t i) {
  for (++i; i < text.size() && text[i] != L'\n'; ++i) {
    if (text[i] != L'"') continue;
    if (i + 1 < text.size() && text[i + 1] == L'"') {
      ++i;
      continue;
    }
    return i + 1;
  }
  return i;
}

// One statement of the program: [begin, end) holds its text without the separator,
// comment or trailing blanks; line is the 1-based line it starts on.
struct Statement {
  size_t begin;
  size_t end;
  int line;
};

// Splits a program at line breaks (not continued ones), ":", "Then" and "Else";
// comments and Rem statements are left out.
std::vector<Statement> SplitStatements(std::wstring_view p) {
  std::vector<Statement> statements;
  size_t begin = std::wstring_view::npos;
  size_t last = 0;  // just past the last character of the statement so far
  int line = 1, beginLine = 1;
  auto close = [&] {
    if (begin != std::wstring_view::npos) statements.push_back(Statement{begin, last, beginLine});
    begin = std::wstring_view::npos;
  };
  auto toLineEnd = [&](size_t i) {
    while (i < p.size() && p[i] != L'\n') ++i;
    return i;
  };
  for (size_t i = 0; i < p.size();) {
    wchar_t c = p[i];
    if (c == L'\n') {
      close();
      ++line;
      ++i;
      continue;
    }
    if (c == L':') {
      close();
      ++i;
      continue;
    }
    if (c == L'\'' || (begin == std::wstring_view::npos && StartsWithKeyword(p, i, L"rem", 3))) {
      close();
      i = toLineEnd(i);
      continue;
    }
    if (IsBlank(c) || c == L'\r') {
      ++i;
      continue;
    }
    if (size_t after = ContinuationEnd(p, i); after != i) {
      ++line;
      i = after;
      continue;
    }
    if (StartsWithKeyword(p, i, L"then", 4) || StartsWithKeyword(p, i, L"else", 4)) {
      close();
      i += 4;
      continue;
    }
    if (begin == std::wstring_view::npos) {
      begin = i;
      beginLine = line;
    }
    if (c == L'"') {
      i = StringEnd(p, i);
    } else if (IsNameChar(c)) {
      while (i < p.size() && IsNameChar(p[i])) ++i;
    } else {
      ++i;
    }
    last = i;
  }
  close();
  return statements;
}

// A cursor over one statement's text that steps over blanks and line continuations.
class Cursor {
 public:
  Cursor(std::wstring_view text, size_t at, size_t end) : text_(text), at_(at), end_(end) {}

  size_t at() const { return at_; }
  bool done() const { return at_ >= end_; }
  wchar_t peek() const { return done() ? L'\0' : text_[at_]; }
  void SkipSpace() {
    for (;;) {
      while (at_ < end_ && (IsBlank(text_[at_]) || text_[at_] == L'\r')) ++at_;
      size_t after = ContinuationEnd(text_, at_);
      if (after == at_ || after > end_) return;
      at_ = after;
    }
  }
  std::wstring_view Word() {
    size_t start = at_;
    while (at_ < end_ && IsNameChar(text_[at_])) ++at_;
    return text_.substr(start, at_ - start);
  }
  // A balanced (...) at the cursor, strings inside stepped over whole.
  bool Group() {
    if (peek() != L'(') return false;
    int depth = 0;
    for (size_t i = at_; i < end_;) {
      wchar_t c = text_[i];
      if (c == L'"') {
        i = StringEnd(text_, i);
        continue;
      }
      if (c == L'(') ++depth;
      if (c == L')' && --depth == 0) {
        at_ = i + 1;
        return true;
      }
      ++i;
    }
    return false;
  }
  void Step() { ++at_; }

 private:
  std::wstring_view text_;
  size_t at_;
  size_t end_;
};

// Words that open statements which are not assignments even when a "(" follows.
bool IsStatementKeyword(std::wstring_view word) {
  static constexpr std::wstring_view kKeywords[] = {
      L"if",   L"elseif", L"while", L"until", L"case", L"select", L"do",  L"loop",  L"for",   L"each",
      L"call", L"redim",  L"dim",   L"const", L"exit", L"end",    L"not", L"print", L"erase", L"return",
  };
  for (std::wstring_view keyword : kKeywords) {
    if (SameWord(word, keyword)) return true;
  }
  return false;
}

// An assignment whose target ends in two or more argument lists in a row:
// [Set] [.]name[.name|(...)]...(...)(...) = value.
struct TwoCallAssignment {
  size_t target;                  // where the target starts
  bool set;                       // a Set statement
  std::vector<size_t> groupEnds;  // just past each of the trailing argument lists
};

std::optional<TwoCallAssignment> FindTwoCallAssignment(std::wstring_view p, const Statement& s) {
  Cursor c(p, s.begin, s.end);
  TwoCallAssignment found{s.begin, false, {}};
  std::wstring_view first = c.Word();
  if (SameWord(first, L"set")) {
    found.set = true;
    c.SkipSpace();
    found.target = c.at();
  } else if (!first.empty()) {
    if (IsStatementKeyword(first)) return std::nullopt;
    c = Cursor(p, s.begin, s.end);
  }
  if (c.peek() == L'.') c.Step();  // inside With
  if (c.Word().empty()) return std::nullopt;
  for (;;) {
    if (c.peek() == L'.') {
      c.Step();
      if (c.Word().empty()) return std::nullopt;
      found.groupEnds.clear();
      continue;
    }
    Cursor ahead = c;
    ahead.SkipSpace();
    if (!ahead.Group()) break;
    c = ahead;
    found.groupEnds.push_back(c.at());
  }
  c.SkipSpace();
  if (c.peek() != L'=' || found.groupEnds.size() < 2) return std::nullopt;
  return found;
}

// How a statement opens a procedure, ends one, or opens or ends a class.
enum class Block { kNone, kProcedure, kEndProcedure, kClass, kEndClass };

Block BlockOf(std::wstring_view p, const Statement& s) {
  Cursor c(p, s.begin, s.end);
  std::wstring_view word = c.Word();
  if (SameWord(word, L"end")) {
    c.SkipSpace();
    std::wstring_view what = c.Word();
    if (SameWord(what, L"sub") || SameWord(what, L"function") || SameWord(what, L"property")) {
      return Block::kEndProcedure;
    }
    return SameWord(what, L"class") ? Block::kEndClass : Block::kNone;
  }
  if (SameWord(word, L"public") || SameWord(word, L"private")) {
    c.SkipSpace();
    word = c.Word();
    if (SameWord(word, L"default")) {
      c.SkipSpace();
      word = c.Word();
    }
  }
  if (SameWord(word, L"sub") || SameWord(word, L"function") || SameWord(word, L"property")) return Block::kProcedure;
  return SameWord(word, L"class") ? Block::kClass : Block::kNone;
}

// Where the source of a For Each statement starts, when the statement is one.
std::optional<size_t> ForEachSource(std::wstring_view p, const Statement& s) {
  Cursor c(p, s.begin, s.end);
  for (std::wstring_view keyword : {L"for", L"each", L"", L"in"}) {
    std::wstring_view word = c.Word();
    if (keyword.empty() ? word.empty() : !SameWord(word, keyword)) return std::nullopt;
    c.SkipSpace();
  }
  if (c.done()) return std::nullopt;
  return c.at();
}

bool IsOptionExplicit(std::wstring_view p, const Statement& s) {
  Cursor c(p, s.begin, s.end);
  if (!SameWord(c.Word(), L"option")) return false;
  c.SkipSpace();
  return SameWord(c.Word(), L"explicit");
}

// The names the program declares itself: procedures, classes, variables, constants.
std::vector<std::wstring> DeclaredNames(std::wstring_view p, const std::vector<Statement>& statements) {
  std::vector<std::wstring> names;
  auto add = [&](std::wstring_view name) {
    if (!name.empty()) names.emplace_back(name);
  };
  for (const Statement& s : statements) {
    Cursor c(p, s.begin, s.end);
    std::wstring_view word = c.Word();
    bool list = SameWord(word, L"dim") || SameWord(word, L"const") || SameWord(word, L"redim");
    if (SameWord(word, L"public") || SameWord(word, L"private")) {
      c.SkipSpace();
      Cursor next = c;
      std::wstring_view following = next.Word();
      list = !SameWord(following, L"sub") && !SameWord(following, L"function") && !SameWord(following, L"property") &&
             !SameWord(following, L"default") && !SameWord(following, L"class");
      if (!list) {
        c = next;
        word = following;
        if (SameWord(word, L"default")) {
          c.SkipSpace();
          word = c.Word();
        }
      }
    }
    if (list) {
      // name[(bounds)] [= value], name ...
      for (;;) {
        c.SkipSpace();
        Cursor named = c;
        if (SameWord(named.Word(), L"preserve")) {
          c = named;
          c.SkipSpace();
          named = c;
        }
        add(named.Word());
        while (!c.done() && c.peek() != L',') {
          if (c.peek() == L'"' || c.peek() == L'(') {
            if (!c.Group()) c.Step();
          } else {
            c.Step();
          }
        }
        if (c.done()) break;
        c.Step();
      }
      continue;
    }
    if (SameWord(word, L"property")) {
      c.SkipSpace();
      c.Word();  // Get, Let or Set
    } else if (!SameWord(word, L"sub") && !SameWord(word, L"function") && !SameWord(word, L"class")) {
      continue;
    }
    c.SkipSpace();
    add(c.Word());
  }
  return names;
}

bool NameIn(std::wstring_view name, const std::vector<std::wstring>& names) {
  for (const std::wstring& candidate : names) {
    if (SameWord(candidate, name)) return true;
  }
  return false;
}

// Whether some word of the program (or of names) starts with prefix, ignoring case.
bool PrefixUsed(std::wstring_view p, std::span<const std::wstring> names, std::wstring_view prefix) {
  for (size_t i = 0; i + prefix.size() <= p.size(); ++i) {
    if ((i == 0 || !IsNameChar(p[i - 1])) && _wcsnicmp(p.data() + i, prefix.data(), prefix.size()) == 0) {
      return true;
    }
  }
  for (const std::wstring& name : names) {
    if (name.size() >= prefix.size() && _wcsnicmp(name.data(), prefix.data(), prefix.size()) == 0) return true;
  }
  return false;
}

std::wstring ChoosePrefix(std::wstring_view p, std::span<const std::wstring> names) {
  std::wstring prefix = L"Orvane_";
  for (int n = 2; PrefixUsed(p, names, prefix); ++n) prefix = L"Orvane" + std::to_wstring(n) + L"_";
  return prefix;
}

struct Insertion {
  size_t at;
  std::wstring text;
};

}  // namespace

std::optional<int> FindProcessKillingVBScriptStatement(std::wstring_view program) {
  for (const Statement& s : SplitStatements(program)) {
    if (FindTwoCallAssignment(program, s)) return s.line;
  }
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
      i = StringEnd(program, i);
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

YVBScriptGuardResult GuardVBScriptProgram(std::wstring& program, std::span<const std::wstring> itemNames) {
  BlankEmptyArrayBounds(program);
  YVBScriptGuardResult result;
  result.hiddenPrefix = ChoosePrefix(program, itemNames);
  const std::wstring hidden = result.hiddenPrefix + L"t";
  const std::vector<Statement> statements = SplitStatements(program);
  std::vector<Insertion> insertions;

  // Assignments through two calls, with the hidden variable declared once per scope.
  struct Scope {
    bool open = false;
    size_t declareAt = 0;  // where " : Dim t" goes: the end of the procedure's header
    bool used = false;
  };
  Scope procedure;
  int classDepth = 0;
  std::optional<size_t> globalDeclareAt;  // after Option Explicit
  bool globalUsed = false;
  for (size_t n = 0; n < statements.size(); ++n) {
    const Statement& s = statements[n];
    if (n == 0 && IsOptionExplicit(program, s)) globalDeclareAt = s.end;
    switch (BlockOf(program, s)) {
      case Block::kProcedure: procedure = Scope{true, s.end, false}; continue;
      case Block::kEndProcedure:
        if (procedure.used) insertions.push_back({procedure.declareAt, L" : Dim " + hidden});
        procedure = Scope{};
        continue;
      case Block::kClass: ++classDepth; continue;
      case Block::kEndClass:
        if (classDepth > 0) --classDepth;
        continue;
      case Block::kNone: break;
    }
    if (std::optional<size_t> source = ForEachSource(program, s)) {
      insertions.push_back({*source, result.hiddenPrefix + std::wstring(kEachSourceFunction) + L"("});
      insertions.push_back({s.end, L")"});
      result.callsGuardedFunctions = true;
      continue;
    }
    std::optional<TwoCallAssignment> assignment = FindTwoCallAssignment(program, s);
    if (!assignment) continue;
    if (!procedure.open && classDepth > 0) {
      // Outside any procedure of a class there is no place for the variable.
      if (!result.refusedLine) result.refusedLine = s.line;
      continue;
    }
    (procedure.open ? procedure.used : globalUsed) = true;
    insertions.push_back({assignment->target, assignment->set ? hidden + L" = " : L"Set " + hidden + L" = "});
    const size_t last = assignment->groupEnds.size() - 2;
    for (size_t g = 0; g <= last; ++g) {
      std::wstring text = L" : ";
      if (g < last) {
        text += L"Set " + hidden + L" = " + hidden;
      } else {
        text += (assignment->set ? L"Set " : L"") + hidden;
      }
      insertions.push_back({assignment->groupEnds[g], std::move(text)});
    }
  }
  if (procedure.used) {
    // A procedure the program does not close: the engine refuses it anyway.
    insertions.push_back({procedure.declareAt, L" : Dim " + hidden});
  }
  if (globalUsed && globalDeclareAt) insertions.push_back({*globalDeclareAt, L" : Dim " + hidden});

  // Calls of the guarded built-ins, unless the program has names of its own so called.
  const std::vector<std::wstring> declared = DeclaredNames(program, statements);
  for (const Statement& s : statements) {
    for (size_t i = s.begin; i < s.end;) {
      wchar_t c = program[i];
      if (c == L'"') {
        i = StringEnd(program, i);
        continue;
      }
      if (!IsNameChar(c)) {
        ++i;
        continue;
      }
      size_t start = i;
      while (i < s.end && IsNameChar(program[i])) ++i;
      std::wstring_view word(program.data() + start, i - start);
      auto guarded = [&](std::wstring_view name) { return SameWord(word, name); };
      if (std::none_of(std::begin(kGuardedFunctions), std::end(kGuardedFunctions), guarded)) continue;
      bool member = start > 0 && program[start - 1] == L'.';
      Cursor after(program, i, s.end);
      after.SkipSpace();
      if (member || after.peek() != L'(' || NameIn(word, declared)) continue;
      insertions.push_back({start, result.hiddenPrefix});
      result.callsGuardedFunctions = true;
    }
  }

  std::stable_sort(insertions.begin(), insertions.end(),
                   [](const Insertion& a, const Insertion& b) { return a.at < b.at; });
  for (auto it = insertions.rbegin(); it != insertions.rend(); ++it) program.insert(it->at, it->text);
  return result;
}
