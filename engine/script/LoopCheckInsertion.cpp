#include "script/LoopCheckInsertion.h"

#include <algorithm>
#include <vector>

namespace {

constexpr size_t kNone = std::wstring_view::npos;

bool IsWordChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L'$' ||
         c >= 0x80;
}

bool SameWordNoCase(std::wstring_view word, std::wstring_view expected) {
  if (word.size() != expected.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    wchar_t c = word[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    if (c != expected[i]) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------
// VBScript

// The word at pos (after blanks), and where it ends.
std::wstring_view WordAt(std::wstring_view text, size_t* pos, size_t end) {
  while (*pos < end && (text[*pos] == L' ' || text[*pos] == L'\t')) ++*pos;
  size_t start = *pos;
  while (*pos < end && IsWordChar(text[*pos]) && text[*pos] != L'$') ++*pos;
  return text.substr(start, *pos - start);
}

// Whether the statement at pos declares a procedure: [Public|Private] [Default]
// Sub|Function|Property Get|Let|Set.
bool IsProcedureHeader(std::wstring_view text, size_t pos, size_t end) {
  std::wstring_view word = WordAt(text, &pos, end);
  if (SameWordNoCase(word, L"public") || SameWordNoCase(word, L"private")) {
    word = WordAt(text, &pos, end);
    if (SameWordNoCase(word, L"default")) word = WordAt(text, &pos, end);
  }
  if (SameWordNoCase(word, L"sub") || SameWordNoCase(word, L"function")) return true;
  if (!SameWordNoCase(word, L"property")) return false;
  word = WordAt(text, &pos, end);
  return SameWordNoCase(word, L"get") || SameWordNoCase(word, L"let") || SameWordNoCase(word, L"set");
}

// ---------------------------------------------------------------------------------
// JScript

// Splits JScript text into what matters here: words, punctuation, and opaque values
// (strings, regular expression literals); comments and blanks are skipped.
class JsLexer {
 public:
  enum Kind { kEnd, kWord, kPunct, kValue };
  struct Token {
    Kind kind = kEnd;
    size_t begin = 0;
    size_t end = 0;
  };

  JsLexer(std::wstring_view text, size_t pos) : text_(text), pos_(pos) {}

  Token Next() {
    SkipBlanksAndComments();
    Token token{kEnd, pos_, pos_};
    if (pos_ >= text_.size()) return token;
    const wchar_t c = text_[pos_];
    if (IsWordChar(c)) {
      while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
      token.kind = kWord;
      std::wstring_view word = text_.substr(token.begin, pos_ - token.begin);
      // After these words a "/" starts a regular expression, not a division.
      afterValue_ = !(word == L"return" || word == L"typeof" || word == L"instanceof" || word == L"in" ||
                      word == L"new" || word == L"delete" || word == L"void" || word == L"throw" || word == L"case" ||
                      word == L"do" || word == L"else");
    } else if (c == L'"' || c == L'\'') {
      SkipQuoted(c);
      token.kind = kValue;
      afterValue_ = true;
    } else if (c == L'/' && !afterValue_) {
      SkipRegularExpression();
      token.kind = kValue;
      afterValue_ = true;
    } else {
      ++pos_;
      token.kind = kPunct;
      afterValue_ = c == L')' || c == L']' || c == L'}';
    }
    token.end = pos_;
    return token;
  }

  size_t pos() const { return pos_; }

 private:
  void SkipBlanksAndComments() {
    while (pos_ < text_.size()) {
      const wchar_t c = text_[pos_];
      if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0xA0 || c == 0xFEFF) {
        ++pos_;
      } else if (c == L'/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == L'/') {
        while (pos_ < text_.size() && text_[pos_] != L'\n') ++pos_;
      } else if (c == L'/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == L'*') {
        size_t close = text_.find(L"*/", pos_ + 2);
        pos_ = close == kNone ? text_.size() : close + 2;
      } else {
        return;
      }
    }
  }

  void SkipQuoted(wchar_t quote) {
    ++pos_;
    while (pos_ < text_.size() && text_[pos_] != quote && text_[pos_] != L'\n') {
      pos_ += text_[pos_] == L'\\' ? 2 : 1;
    }
    pos_ = std::min(pos_ + 1, text_.size());
  }

  void SkipRegularExpression() {
    ++pos_;
    bool inClass = false;
    while (pos_ < text_.size() && text_[pos_] != L'\n') {
      const wchar_t c = text_[pos_];
      if (c == L'\\') {
        pos_ += 2;
        continue;
      }
      ++pos_;
      if (c == L'[') inClass = true;
      if (c == L']') inClass = false;
      if (c == L'/' && !inClass) break;
    }
    while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;  // flags
    pos_ = std::min(pos_, text_.size());
  }

  std::wstring_view text_;
  size_t pos_;
  bool afterValue_ = false;
};

// The parenthesis closing the one at open, and the ";" at its own level in between.
size_t FindClosingParenthesis(std::wstring_view text, size_t open, std::vector<size_t>* semicolons) {
  JsLexer lexer(text, open + 1);
  int depth = 1;
  for (JsLexer::Token token = lexer.Next(); token.kind != JsLexer::kEnd; token = lexer.Next()) {
    if (token.kind != JsLexer::kPunct) continue;
    const wchar_t c = text[token.begin];
    if (c == L'(' || c == L'[' || c == L'{') ++depth;
    if (c == L')' || c == L']' || c == L'}') {
      if (--depth == 0) return c == L')' ? token.begin : kNone;
    }
    if (c == L';' && depth == 1 && semicolons) semicolons->push_back(token.begin);
  }
  return kNone;
}

struct Insertion {
  size_t pos;
  const wchar_t* text;
};

bool IsBlank(std::wstring_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; });
}

std::wstring Apply(std::wstring_view program, std::vector<Insertion>& insertions) {
  std::stable_sort(insertions.begin(), insertions.end(),
                   [](const Insertion& a, const Insertion& b) { return a.pos < b.pos; });
  std::wstring out;
  out.reserve(program.size() + insertions.size() * 24);
  size_t copied = 0;
  for (const Insertion& insertion : insertions) {
    out.append(program.substr(copied, insertion.pos - copied));
    out.append(insertion.text);
    copied = insertion.pos;
  }
  out.append(program.substr(copied));
  return out;
}

constexpr wchar_t kJsTurnAnd[] = L"OrvaneLoopTurn()&&(";
constexpr wchar_t kJsTurn[] = L"OrvaneLoopTurn()";
constexpr wchar_t kJsEntry[] = L"OrvaneProcEntry();";
constexpr wchar_t kVbTurn[] = L"OrvaneLoopTurn : ";
constexpr wchar_t kVbEntry[] = L" : OrvaneProcEntry";
constexpr wchar_t kCloseParenthesis[] = L")";

}  // namespace

std::wstring InsertVBScriptChecks(std::wstring_view program) {
  std::vector<Insertion> insertions;
  const size_t n = program.size();
  bool continued = false;   // the line before ended in "_"
  bool headerOpen = false;  // a procedure header has not ended yet
  for (size_t lineStart = 0; lineStart < n;) {
    size_t lineEnd = program.find(L'\n', lineStart);
    if (lineEnd == kNone) lineEnd = n;
    bool statementStart = !continued;
    size_t codeEnd = kNone;  // after the last character of code on this line
    wchar_t lastCode = 0;
    size_t pos = lineStart;
    while (pos < lineEnd) {
      const wchar_t c = program[pos];
      if (c == L' ' || c == L'\t' || c == L'\r') {
        ++pos;
        continue;
      }
      if (statementStart) {
        statementStart = false;
        size_t wordEnd = pos;
        std::wstring_view word = WordAt(program, &wordEnd, lineEnd);
        if (SameWordNoCase(word, L"rem")) break;
        if (SameWordNoCase(word, L"loop") || SameWordNoCase(word, L"next") || SameWordNoCase(word, L"wend")) {
          insertions.push_back({pos, kVbTurn});
        } else if (IsProcedureHeader(program, pos, lineEnd)) {
          headerOpen = true;
        }
      }
      if (c == L'\'') break;
      if (c == L'"') {
        ++pos;
        while (pos < lineEnd) {
          if (program[pos] == L'"') {
            if (pos + 1 < lineEnd && program[pos + 1] == L'"') {
              pos += 2;
              continue;
            }
            break;
          }
          ++pos;
        }
        pos = std::min(pos + 1, lineEnd);
        codeEnd = pos;
        lastCode = L'"';
        continue;
      }
      if (c == L':') {
        if (headerOpen) {
          insertions.push_back({codeEnd == kNone ? pos : codeEnd, kVbEntry});
          headerOpen = false;
        }
        statementStart = true;
      }
      ++pos;
      codeEnd = pos;
      lastCode = c;
    }
    continued = lastCode == L'_';
    if (headerOpen && !continued) {
      insertions.push_back({codeEnd == kNone ? lineStart : codeEnd, kVbEntry});
      headerOpen = false;
    }
    lineStart = lineEnd + 1;
  }
  return Apply(program, insertions);
}

std::wstring InsertJScriptChecks(std::wstring_view program) {
  std::vector<Insertion> insertions;
  JsLexer lexer(program, 0);
  bool afterDot = false;
  for (JsLexer::Token token = lexer.Next(); token.kind != JsLexer::kEnd; token = lexer.Next()) {
    const bool propertyName = afterDot;
    afterDot = token.kind == JsLexer::kPunct && program[token.begin] == L'.';
    if (token.kind != JsLexer::kWord || propertyName) continue;
    std::wstring_view word = program.substr(token.begin, token.end - token.begin);
    const bool isWhile = word == L"while", isFor = word == L"for", isFunction = word == L"function";
    if (!isWhile && !isFor && !isFunction) continue;
    // The first "(" after the keyword (after the name, for a function).
    JsLexer ahead(program, token.end);
    JsLexer::Token open = ahead.Next();
    if (isFunction && open.kind == JsLexer::kWord) open = ahead.Next();
    if (open.kind != JsLexer::kPunct || program[open.begin] != L'(') continue;
    std::vector<size_t> semicolons;
    const size_t close = FindClosingParenthesis(program, open.begin, &semicolons);
    if (close == kNone) continue;
    if (isWhile) {
      insertions.push_back({open.begin + 1, kJsTurnAnd});
      insertions.push_back({close, kCloseParenthesis});
    } else if (isFor) {
      if (semicolons.size() != 2) continue;  // for (k in o): runs out by itself
      size_t from = semicolons[0] + 1, to = semicolons[1];
      if (IsBlank(program.substr(from, to - from))) {
        insertions.push_back({from, kJsTurn});
      } else {
        while (IsBlank(program.substr(from, 1))) ++from;
        while (IsBlank(program.substr(to - 1, 1))) --to;
        insertions.push_back({from, kJsTurnAnd});
        insertions.push_back({to, kCloseParenthesis});
      }
    } else {
      JsLexer body(program, close + 1);
      JsLexer::Token brace = body.Next();
      if (brace.kind == JsLexer::kPunct && program[brace.begin] == L'{') {
        insertions.push_back({brace.end, kJsEntry});
      }
    }
  }
  return Apply(program, insertions);
}
