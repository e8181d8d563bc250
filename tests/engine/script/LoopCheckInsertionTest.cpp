// The runaway checks go into program text at every loop turn and procedure entry,
// never into strings or comments, and never change a line number.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "script/LoopCheckInsertion.h"

namespace {

struct InsertionCase {
  const wchar_t* in;
  const wchar_t* out;
};

size_t LineFeeds(const std::wstring& text) { return std::count(text.begin(), text.end(), L'\n'); }

void ExpectInsertions(std::wstring (*insert)(std::wstring_view), const InsertionCase* begin, const InsertionCase* end) {
  for (const InsertionCase* c = begin; c != end; ++c) {
    std::wstring in = c->in;
    std::wstring out = insert(in);
    EXPECT_EQ(std::wstring(c->out), out) << testing::PrintToString(in);
    EXPECT_EQ(LineFeeds(in), LineFeeds(out)) << testing::PrintToString(in);
  }
}

TEST(LoopCheckInsertion, VBScriptLoopsAndProcedures) {
  const InsertionCase cases[] = {
      {L"Do : Loop", L"Do : OrvaneLoopTurn : Loop"},
      {L"Do\r\n  x = x + 1\r\nLoop Until x > 3", L"Do\r\n  x = x + 1\r\nOrvaneLoopTurn : Loop Until x > 3"},
      {L"For i = 1 To 10\r\nNext", L"For i = 1 To 10\r\nOrvaneLoopTurn : Next"},
      {L"For Each v In a : s = s & v : next", L"For Each v In a : s = s & v : OrvaneLoopTurn : next"},
      {L"While x < 3\r\n\tx = x + 1\r\n\tWEND", L"While x < 3\r\n\tx = x + 1\r\n\tOrvaneLoopTurn : WEND"},
      {L"Sub R(n) : If n < 10 Then R n + 1 : End Sub",
       L"Sub R(n) : OrvaneProcEntry : If n < 10 Then R n + 1 : End Sub"},
      {L"Function F(a)\r\nF = a\r\nEnd Function", L"Function F(a) : OrvaneProcEntry\r\nF = a\r\nEnd Function"},
      {L"Private Sub P ' note\r\nEnd Sub", L"Private Sub P : OrvaneProcEntry ' note\r\nEnd Sub"},
      {L"Public Default Property Get Item(k)\r\nEnd Property",
       L"Public Default Property Get Item(k) : OrvaneProcEntry\r\nEnd Property"},
      {L"Property Let V(x)\nEnd Property", L"Property Let V(x) : OrvaneProcEntry\nEnd Property"},
      // A header continued over lines ends on its last line.
      {L"Sub Wide(a, _\r\n  b)\r\nEnd Sub", L"Sub Wide(a, _\r\n  b) : OrvaneProcEntry\r\nEnd Sub"},
      // Look-alikes stay as they are.
      {L"On Error Resume Next", L"On Error Resume Next"},
      {L"Exit Do : Exit For : Exit Sub", L"Exit Do : Exit For : Exit Sub"},
      {L"End Sub\r\nEnd Function", L"End Sub\r\nEnd Function"},
      {L"Public x, y\r\nPrivate Const c = 1", L"Public x, y\r\nPrivate Const c = 1"},
      {L"s = \"Loop : Next\" : t = \"a\"\"b\" : Next", L"s = \"Loop : Next\" : t = \"a\"\"b\" : OrvaneLoopTurn : Next"},
      {L"' Loop\r\nRem Next\r\nx = 1 ' : Wend", L"' Loop\r\nRem Next\r\nx = 1 ' : Wend"},
      {L"x = 1 _\r\n  : Loop", L"x = 1 _\r\n  : OrvaneLoopTurn : Loop"},
      {L"Loopy = 1\r\nNextOne\r\nSubtotal = 2", L"Loopy = 1\r\nNextOne\r\nSubtotal = 2"},
      {L"", L""},
  };
  ExpectInsertions(&InsertVBScriptChecks, std::begin(cases), std::end(cases));
}

TEST(LoopCheckInsertion, JScriptLoopsAndFunctions) {
  const InsertionCase cases[] = {
      {L"while(true){}", L"while(OrvaneLoopTurn()&&(true)){}"},
      {L"while (a < b)\r\n  a++;", L"while (OrvaneLoopTurn()&&(a < b))\r\n  a++;"},
      {L"do { i++; } while (i < 3);", L"do { i++; } while (OrvaneLoopTurn()&&(i < 3));"},
      {L"for(;;){}", L"for(;OrvaneLoopTurn();){}"},
      {L"for (var i = 0; i < f(1, 2); i++) x += i;", L"for (var i = 0; OrvaneLoopTurn()&&(i < f(1, 2)); i++) x += i;"},
      {L"for (var k in o) n++;", L"for (var k in o) n++;"},
      {L"function f(a, b) {\r\n  return a;\r\n}", L"function f(a, b) {OrvaneProcEntry();\r\n  return a;\r\n}"},
      {L"var g = function () { };", L"var g = function () {OrvaneProcEntry(); };"},
      // A multi-line condition keeps its lines.
      {L"while (a &&\r\n       b) {}", L"while (OrvaneLoopTurn()&&(a &&\r\n       b)) {}"},
      // Nested loops each get their check.
      {L"while (f(function () { while (x) {} })) {}",
       L"while (OrvaneLoopTurn()&&(f(function () {OrvaneProcEntry(); while (OrvaneLoopTurn()&&(x)) {} }))) {}"},
      // Strings, comments, regular expressions and properties are left alone.
      {L"s = \"while(1){}\"; t = 'for(;;)';", L"s = \"while(1){}\"; t = 'for(;;)';"},
      {L"// while(1)\r\n/* for(;;) {\r\n} */ x = 1;", L"// while(1)\r\n/* for(;;) {\r\n} */ x = 1;"},
      {L"r = /while(\\)/g; q = a / b / c;", L"r = /while(\\)/g; q = a / b / c;"},
      {L"o.while = 1; o.function = 2;", L"o.while = 1; o.function = 2;"},
      {L"s = 'it\\'s while(1)';", L"s = 'it\\'s while(1)';"},
      // Incomplete text is left for the engine to report.
      {L"while (x", L"while (x"},
      {L"", L""},
  };
  ExpectInsertions(&InsertJScriptChecks, std::begin(cases), std::end(cases));
}

}  // namespace
