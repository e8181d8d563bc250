// Merged writes: the main program of a page's default engine, composed from its pieces
// in source order, where a run of literal blocks and "<%= %>" values on one source line
// becomes a single call into Response instead of one call per piece. Pure functions.
//
// A call from the engine into Response costs far more inside the platform's engines
// than inside our own Invoke, and a table row is typically five of them. One call per
// run writes the same bytes only where nothing can tell the difference:
//  - The engine evaluates every argument before the call, so a value that could raise,
//    write, end the page or change anything may only come first, before any write of
//    the run; every later value must be a literal or a name whose reading cannot fail
//    (a VBScript For variable inside its loop, a JScript var of a program without
//    functions). Under VBScript's On Error Resume Next (or where Execute could set it)
//    only literals are merged: a skipped merged call would skip the whole run.
//  - The call stays on its pieces' source line: a run never crosses a line feed, so
//    an error inside the call reports the line each separate call would have reported.
//    The call takes the first piece's program line and the other pieces keep theirs,
//    empty, so every program line maps to the page exactly as before.
//  - Response writes the pieces in order, each by its own rule and gate (HtmlBlock's
//    for a block, Write's for a value).
// Runs of one piece, and everything in other languages than plain VBScript and
// JScript, keep the separate statements exactly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The Response member that writes a run. Not for pages: only the compiler emits it.
inline constexpr char kWriteRunMember[] = "vellum_WriteRun";
// The most values one run passes (the dispatch framework's parameters less the layout).
inline constexpr size_t kMaxRunValues = 7;

// One piece of a main program, in source order.
struct YProgramPiece {
  enum class Kind : uint8_t { kCode, kBlock, kValue };
  Kind kind = Kind::kCode;
  int32_t fileIndex = 0;
  int32_t startLine = 0;  // line feeds in its file before the piece
  int32_t lineFeeds = 0;  // line feeds inside the piece
  std::string text;       // kCode: the code; kValue: the expression after "="
  int32_t block = -1;     // kBlock: its index in the HTML block table
  bool visible = false;   // kBlock: holds a byte that is not white space
};

// One fragment for the engine's AddCode.
struct YProgramFragment {
  int32_t fileIndex = 0;
  int32_t startLine = 0;
  int32_t lineFeeds = 0;
  std::string text;

  bool operator==(const YProgramFragment&) const = default;
};

// The fragments of a main program in the given language (0 VBScript, 1 JScript, 3 and
// 4 encoded), runs merged where allowed.
std::vector<YProgramFragment> ComposeMainProgram(int32_t language, std::span<const YProgramPiece> pieces);

// Reads a run's layout ("* 2 * 3": "*" the next value, a number a block) and calls
// block or value for each piece in order, the value with its 0-based position among the
// values. E_INVALIDARG, before any call, for a layout that is not of this form or that
// takes more than valueCount values.
HRESULT ForEachRunPiece(std::string_view layout, size_t valueCount, const std::function<void(LONG)>& block,
                        const std::function<void(size_t)>& value);
