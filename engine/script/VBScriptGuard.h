// Statements and calls that make Wine's VBScript abort the whole process instead of
// reporting an error. Such a program must never reach the engine as it stands: one page
// would take the server down. The guard rewrites what it can into forms the engine runs
// with the same meaning, and finds what it cannot.
//
// Every rewrite only inserts text within a line: the program keeps its lines, and an
// error report still points at the page's own line.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// The 1-based program line of the first assignment through two calls in a row
// (Response.Cookies("c")("k") = "v", x(a).y(b)(c) = v), if any. Wine's compiler aborts
// the process on it; through a variable, or with .Item in between, it compiles fine.
std::optional<int> FindProcessKillingVBScriptStatement(std::wstring_view program);

// The platform's VBScript also aborts the process on ReDim of a variable declared as a
// dynamic array (Dim a() then ReDim a(3)), while Dim a then ReDim a(3) works. Rewrites
// the empty bounds of every Dim, Private and Public declaration to blanks, in place: the
// program keeps its length, lines and columns.
void BlankEmptyArrayBounds(std::wstring& program);

// The built-in functions the guard routes to functions of the host (see
// CVBScriptFunctions), by their names without the hidden prefix.
inline constexpr std::wstring_view kGuardedFunctions[] = {L"TypeName", L"UBound", L"LBound"};
// The host function the source of every For Each goes through: Wine's VBScript kills
// the process on For Each over an empty object reference.
inline constexpr std::wstring_view kEachSourceFunction = L"EachOf";

struct YVBScriptGuardResult {
  // The line of a statement that would abort the process and was left as it is.
  std::optional<int> refusedLine;
  // The prefix of every name the rewrites brought in; no name of the program or of
  // the given item names starts with it.
  std::wstring hiddenPrefix;
  // Whether the program now calls a routed function (prefix + a guarded name).
  bool callsGuardedFunctions = false;
};

// Guards a VBScript program in place:
// - empty array bounds of declarations become blanks (BlankEmptyArrayBounds);
// - an assignment through two or more calls in a row, x(a)(b) = v, becomes
//   Set t = x(a) : t(b) = v (Set x(a)(b) = o: Set t = x(a) : Set t(b) = o), where t is a
//   hidden variable declared in the procedure of the statement (at program level after
//   Option Explicit, when the program has it);
// - calls of the guarded built-in functions get the hidden prefix: TypeName(x) becomes
//   <prefix>TypeName(x), unless the program declares a name of its own so called;
// - For Each v In x becomes For Each v In <prefix>EachOf(x).
YVBScriptGuardResult GuardVBScriptProgram(std::wstring& program, std::span<const std::wstring> itemNames = {});
