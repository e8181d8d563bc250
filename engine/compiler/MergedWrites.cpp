#include "compiler/MergedWrites.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "script/CScriptEngine.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsIdentifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsIdentifierByte(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }
bool IsJsIdentifierStart(char c) { return IsIdentifierStart(c) || c == '_' || c == '$'; }
bool IsJsIdentifierByte(char c) { return IsIdentifierByte(c) || c == '$'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsDigits(std::string_view text) {
  return !text.empty() && text.size() <= 9 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// ---------------------------------------------------------------------------------
// VBScript.

// What the code of a VBScript main program so far says about names: the For loops
// open at this point (their variables, innermost last).
struct VBScriptState {
  std::vector<std::string> loops;
  bool confused = false;  // a Next without its For: no name is trusted any more
};

// Calls word(lowercase word, lowercase previous word, after a ".") for every word of
// VBScript code outside string literals and comments.
template <class F>
void ForEachVBScriptWord(std::string_view code, F word) {
  std::string previous;
  bool afterDot = false;
  size_t i = 0;
  while (i < code.size()) {
    char c = code[i];
    if (c == '"') {
      size_t close = code.find('"', i + 1);
      i = close == std::string_view::npos ? code.size() : close + 1;
      afterDot = false;
      previous.clear();
    } else if (c == '\'' || (c == '/' && i + 1 < code.size() && code[i + 1] == '/')) {
      i = std::min(code.size(), code.find('\n', i));  // a comment (the line rules make "//" one)
    } else if (IsIdentifierStart(c)) {
      size_t end = i;
      while (end < code.size() && IsIdentifierByte(code[end])) ++end;
      std::string lower = Lower(code.substr(i, end - i));
      if (lower == "rem" && !afterDot) {
        i = std::min(code.size(), code.find('\n', end));
        continue;
      }
      word(lower, previous, afterDot);
      previous = std::move(lower);
      afterDot = false;
      i = end;
    } else {
      if (!IsBlank(c)) {
        afterDot = c == '.';
        if (c != '.') previous.clear();
        if (c == '\n' || c == ':') previous.clear();
      }
      ++i;
    }
  }
}

void FollowVBScriptCode(std::string_view code, VBScriptState* state) {
  bool wantVariable = false;
  ForEachVBScriptWord(code, [&](const std::string& word, const std::string& previous, bool afterDot) {
    if (wantVariable) {
      if (word == "each") return;  // For Each x In ...
      state->loops.push_back(word);
      wantVariable = false;
      return;
    }
    if (afterDot) return;
    if (word == "for" && previous != "exit") {
      wantVariable = true;
    } else if (word == "next" && previous != "resume") {
      if (state->loops.empty()) {
        state->confused = true;
      } else {
        state->loops.pop_back();
      }
    }
  });
  if (wantVariable) state->confused = true;
}

// Whether anything in the code can make a failing statement be skipped rather than
// stop the page: On Error Resume Next, or code run by Execute.
bool VBScriptMaySkipErrors(std::span<const YProgramPiece> pieces) {
  bool found = false;
  for (const YProgramPiece& piece : pieces) {
    if (piece.kind != YProgramPiece::Kind::kCode) continue;
    ForEachVBScriptWord(piece.text, [&](const std::string& word, const std::string&, bool afterDot) {
      if (!afterDot && (word == "resume" || word == "execute" || word == "executeglobal")) found = true;
    });
  }
  return found;
}

bool IsVBScriptStringLiteral(std::string_view text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  std::string_view inner = text.substr(1, text.size() - 2);
  for (size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] != '"') continue;
    if (i + 1 >= inner.size() || inner[i + 1] != '"') return false;  // "" is one quote
    ++i;
  }
  return true;
}

// One VBScript expression that reads the same as an argument after others: no
// statement separator, comment, argument separator or unbalanced parenthesis outside
// its string literals.
bool IsOneVBScriptExpression(std::string_view text) {
  if (text.empty()) return false;
  int depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    } else if (c == ':' || c == '\'' || (c == '_' && (i + 1 == text.size() || IsBlank(text[i + 1])))) {
      return false;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
      return false;
    } else if (IsIdentifierStart(c)) {
      size_t end = i;
      while (end < text.size() && IsIdentifierByte(text[end])) ++end;
      if (Lower(text.substr(i, end - i)) == "rem") return false;  // a comment to the line's end
      i = end - 1;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth < 0) return false;
    } else if (c == ',' && depth == 0) {
      return false;
    }
  }
  return depth == 0;
}

// ---------------------------------------------------------------------------------
// JScript.

// What the whole JScript main program says about names: its var names, trusted only
// in a program without functions (so every var is global and declared from the start)
// and without with, eval or anything the scan below cannot read for certain.
struct JScriptState {
  std::set<std::string> vars;
  bool confused = false;
};

void FollowJScriptCode(std::string_view code, JScriptState* state) {
  bool wantVariable = false;
  size_t i = 0;
  while (i < code.size() && !state->confused) {
    char c = code[i];
    if (c == '"' || c == '\'') {
      size_t j = i + 1;
      for (; j < code.size() && code[j] != c; ++j) {
        if (code[j] == '\n') break;
        if (code[j] == '\\') {
          // A multi-byte character's trail byte may look like a backslash.
          if (static_cast<unsigned char>(code[j - 1]) >= 0x80) state->confused = true;
          ++j;
        }
      }
      if (j >= code.size() || code[j] != c) state->confused = true;
      i = j + 1;
    } else if (c == '/' && i + 1 < code.size() && code[i + 1] == '/') {
      i = std::min(code.size(), code.find('\n', i));
    } else if (c == '/' && i + 1 < code.size() && code[i + 1] == '*') {
      size_t close = code.find("*/", i + 2);
      if (close == std::string_view::npos) state->confused = true;
      i = close == std::string_view::npos ? code.size() : close + 2;
    } else if (c == '/' || c == '`' || (c == '=' && i + 1 < code.size() && code[i + 1] == '>') ||
               static_cast<unsigned char>(c) >= 0x80) {
      state->confused = true;  // a division or a pattern, an arrow, a byte we cannot place
    } else if (IsJsIdentifierStart(c)) {
      size_t end = i;
      while (end < code.size() && IsJsIdentifierByte(code[end])) ++end;
      std::string_view word = code.substr(i, end - i);
      if (wantVariable) {
        state->vars.emplace(word);
        wantVariable = false;
      } else if (word == "var") {
        wantVariable = true;
      } else if (word == "function" || word == "with" || word == "eval" || word == "let" || word == "const" ||
                 word == "class") {
        state->confused = true;
      }
      i = end;
    } else {
      ++i;
    }
  }
}

bool IsJScriptStringLiteral(std::string_view text) {
  if (text.size() < 2 || (text.front() != '"' && text.front() != '\'') || text.back() != text.front()) return false;
  std::string_view inner = text.substr(1, text.size() - 2);
  return inner.find(text.front()) == std::string_view::npos && inner.find('\\') == std::string_view::npos;
}

bool IsOneJScriptExpression(std::string_view text) {
  if (text.empty() || std::string_view("+-*%<>=!&|^~?:.,").find(text.back()) != std::string_view::npos) return false;
  int depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"' || c == '\'') {
      size_t j = i + 1;
      for (; j < text.size() && text[j] != c; ++j) {
        if (text[j] != '\\') continue;
        if (static_cast<unsigned char>(text[j - 1]) >= 0x80) return false;
        ++j;
      }
      if (j >= text.size()) return false;
      i = j;
    } else if (c == ';' || c == '/' || static_cast<unsigned char>(c) >= 0x80) {
      return false;
    } else if (c == '(' || c == '[' || c == '{') {
      ++depth;
    } else if (c == ')' || c == ']' || c == '}') {
      if (--depth < 0) return false;
    } else if (c == ',' && depth == 0) {
      return false;
    }
  }
  return depth == 0;
}

// ---------------------------------------------------------------------------------
// Composing.

std::string SeparateStatement(int32_t language, const YProgramPiece& piece) {
  std::string statement;
  if (piece.kind == YProgramPiece::Kind::kValue) {
    statement = (language == kLanguageVBScript || language == kLanguageVBScriptEncoded)
                    ? "Response.Write " + piece.text + ":"
                    : "Response.Write (" + piece.text + ");";
    return statement;
  }
  if (piece.visible) {
    statement = "Response.HtmlBlock(" + std::to_string(piece.block) + ")";
    if (language == kLanguageJScript) statement += ";";
  }
  for (int32_t i = 0; i < piece.lineFeeds; ++i) statement += "\r\n";
  return statement;
}

class Composer {
 public:
  Composer(int32_t language, std::span<const YProgramPiece> pieces)
      : language_(language),
        vbscript_(language == kLanguageVBScript),
        merging_(language == kLanguageVBScript || language == kLanguageJScript),
        riskyFirst_(!vbscript_ || !VBScriptMaySkipErrors(pieces)) {
    if (!merging_ || vbscript_) return;
    for (const YProgramPiece& piece : pieces) {
      if (piece.kind == YProgramPiece::Kind::kCode) FollowJScriptCode(piece.text, &js_);
    }
  }

  std::vector<YProgramFragment> Compose(std::span<const YProgramPiece> pieces) {
    for (const YProgramPiece& piece : pieces) {
      if (piece.kind == YProgramPiece::Kind::kCode) {
        Close();
        out_.push_back({piece.fileIndex, piece.startLine, piece.lineFeeds, piece.text});
        if (merging_ && vbscript_) FollowVBScriptCode(piece.text, &vb_);
        continue;
      }
      if (!merging_ || !Join(piece)) {
        Close();
        Open(piece);
      }
    }
    Close();
    return std::move(out_);
  }

 private:
  // A value whose reading cannot fail or change anything.
  bool IsSafeValue(std::string_view text) const {
    if (HasLineBreak(text)) return false;
    text = Trim(text);
    if (IsDigits(text)) return true;
    if (vbscript_) {
      if (IsVBScriptStringLiteral(text)) return true;
      // Where errors may be skipped, a For that failed (a name Option Explicit does not
      // know, a function's name) can still lead into its body: no name is trusted.
      if (vb_.confused || !riskyFirst_ || text.empty() || !IsIdentifierStart(text.front()) ||
          !std::all_of(text.begin(), text.end(), IsIdentifierByte)) {
        return false;
      }
      const std::string name = Lower(text);
      return std::find(vb_.loops.begin(), vb_.loops.end(), name) != vb_.loops.end();
    }
    if (IsJScriptStringLiteral(text)) return true;
    if (js_.confused || text.empty() || !IsJsIdentifierStart(text.front()) ||
        !std::all_of(text.begin(), text.end(), IsJsIdentifierByte)) {
      return false;
    }
    return js_.vars.count(std::string(text)) != 0;
  }

  bool IsOneExpression(std::string_view text) const {
    if (HasLineBreak(text)) return false;
    text = Trim(text);
    // "Response.Write = 1" is an assignment, not a write.
    if (text.empty() || std::string_view("=,:;)]}*/%<>|^?").find(text.front()) != std::string_view::npos) {
      return false;
    }
    return vbscript_ ? IsOneVBScriptExpression(text) : IsOneJScriptExpression(text);
  }

  // Whether piece may start a run that later pieces join.
  bool CanLead(const YProgramPiece& piece) const {
    if (piece.kind == YProgramPiece::Kind::kBlock) return true;
    return IsSafeValue(piece.text) || (riskyFirst_ && IsOneExpression(piece.text));
  }

  bool Join(const YProgramPiece& piece) {
    if (run_.empty() || sealed_) return false;
    const YProgramPiece& first = *run_.front();
    if (piece.fileIndex != first.fileIndex || piece.startLine != first.startLine || run_.back()->lineFeeds != 0) {
      return false;
    }
    if (piece.kind == YProgramPiece::Kind::kValue) {
      if (values_ == kMaxRunValues) return false;
      // Before anything is written a value may be anything that is one expression;
      // after, only what cannot fail or act.
      if (!IsSafeValue(piece.text) && (writes_ > 0 || !riskyFirst_ || !IsOneExpression(piece.text))) return false;
      ++values_;
    }
    if (piece.kind == YProgramPiece::Kind::kValue || piece.visible) ++writes_;
    run_.push_back(&piece);
    return true;
  }

  void Open(const YProgramPiece& piece) {
    run_.assign(1, &piece);
    sealed_ = !merging_ || !CanLead(piece);
    values_ = piece.kind == YProgramPiece::Kind::kValue ? 1 : 0;
    writes_ = (piece.kind == YProgramPiece::Kind::kValue || piece.visible) ? 1 : 0;
  }

  void Close() {
    if (run_.empty()) return;
    if (writes_ < 2) {
      for (const YProgramPiece* piece : run_) {
        out_.push_back({piece->fileIndex, piece->startLine, piece->lineFeeds, SeparateStatement(language_, *piece)});
      }
    } else {
      // The call takes the first piece's place; the others keep their line breaks, so
      // the program has the lines and the line mapping of the separate statements.
      std::string layout, values;
      for (const YProgramPiece* piece : run_) {
        if (piece->kind == YProgramPiece::Kind::kValue) {
          layout += layout.empty() ? "*" : " *";
          values += ", " + std::string(Trim(piece->text));
        } else if (piece->visible) {
          layout += (layout.empty() ? "" : " ") + std::to_string(piece->block);
        }
      }
      std::string statement = std::string("Response.") + kWriteRunMember;
      statement += vbscript_ ? " \"" + layout + "\"" + values : "(\"" + layout + "\"" + values + ");";
      for (const YProgramPiece* piece : run_) {
        std::string text = piece == run_.front() ? std::move(statement) : std::string();
        for (int32_t i = 0; i < piece->lineFeeds; ++i) text += "\r\n";
        out_.push_back({piece->fileIndex, piece->startLine, piece->lineFeeds, std::move(text)});
      }
    }
    run_.clear();
  }

  const int32_t language_;
  const bool vbscript_;
  const bool merging_;
  const bool riskyFirst_;  // a run may start with a value that can fail or act
  VBScriptState vb_;
  JScriptState js_;
  std::vector<const YProgramPiece*> run_;
  bool sealed_ = false;  // the run takes no further pieces
  size_t values_ = 0;
  size_t writes_ = 0;  // values and visible blocks: the calls the run stands for
  std::vector<YProgramFragment> out_;
};

}  // namespace

std::vector<YProgramFragment> ComposeMainProgram(int32_t language, std::span<const YProgramPiece> pieces) {
  return Composer(language, pieces).Compose(pieces);
}

HRESULT ForEachRunPiece(std::string_view layout, size_t valueCount, const std::function<void(LONG)>& block,
                        const std::function<void(size_t)>& value) {
  // Checked whole before the first piece is written.
  struct Item {
    bool isValue;
    LONG block;
  };
  std::vector<Item> items;
  size_t values = 0;
  for (size_t i = 0;;) {
    size_t end = std::min(layout.size(), layout.find(' ', i));
    std::string_view token = layout.substr(i, end - i);
    if (token == "*") {
      if (++values > valueCount) return E_INVALIDARG;
      items.push_back({true, 0});
    } else if (IsDigits(token)) {
      items.push_back({false, static_cast<LONG>(std::stol(std::string(token)))});
    } else {
      return E_INVALIDARG;
    }
    if (end == layout.size()) break;
    i = end + 1;
  }
  size_t next = 0;
  for (const Item& item : items) {
    if (item.isValue) {
      value(next++);
    } else {
      block(item.block);
    }
  }
  return S_OK;
}
