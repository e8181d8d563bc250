// Statements that make Wine's VBScript compiler abort the whole process instead of
// reporting an error. Such a program must never reach the engine: one page would take
// the server down. Known case: an assignment through two calls in a row, as in
// Response.Cookies("c")("k") = "v" (the same through a variable, or with .Item in
// between, compiles fine).
#pragma once

#include <optional>
#include <string_view>

// The 1-based program line of the first such statement, if any.
std::optional<int> FindProcessKillingVBScriptStatement(std::wstring_view program);

// The platform's VBScript also aborts the process on ReDim of a variable declared as a
// dynamic array (Dim a() then ReDim a(3)), while Dim a then ReDim a(3) works. Rewrites
// the empty bounds of every Dim, Private and Public declaration to blanks, in place: the
// program keeps its length, lines and columns.
void BlankEmptyArrayBounds(std::wstring& program);
