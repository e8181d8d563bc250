// Statements that would make the platform's VBScript abort the process are found before
// the engine sees them; everything else passes.
#include <gtest/gtest.h>

#include <algorithm>

#include "script/VBScriptGuard.h"

namespace {

struct GuardCase {
  const wchar_t* program;
  int line;  // 0: nothing found
};

TEST(VBScriptGuard, FindsAssignmentsThroughTwoCallsInARow) {
  const GuardCase cases[] = {
      {L"Response.Cookies(\"c\")(\"k\") = \"v\"", 1},
      {L"x = 1\r\nRequest.Cookies(\"c\")(\"k\")=2", 2},
      {L"a = 1 : b(1)(2) = 3", 1},
      {L"If x Then c(1)(2) = 3", 1},
      {L"If x Then\r\ny = 1\r\nElse d(\"a\") (\"b\") = 4\r\nEnd If", 3},
      {L"With Response\r\n.Cookies(\"c\")(\"k\") = 1\r\nEnd With", 2},
      {L"Set o(1)(2) = Nothing", 1},
      {L"x = 1 _\r\n  + 2\r\ne(1)(2)(3) = 5", 3},
      {L"d(\"a\").Item(\"k\")(\"z\") = 1", 1},
      {L"d.Item(\"a\").x(\"k\")(\"z\") = 1", 1},
      // Forms that work on the platform, and look-alikes.
      {L"Response.Cookies(\"c\").Item(\"k\") = \"v\"", 0},
      {L"Set n = Response.Cookies(\"n\") : n(\"k\") = \"v\"", 0},
      {L"x = Request.Cookies(\"c\")(\"k\")", 0},
      {L"If a(1)(2) = 3 Then y = 1", 0},
      {L"s = \"b(1)(2) = 3\"", 0},
      {L"' b(1)(2) = 3", 0},
      {L"x = 1 ' b(1)(2) = 3", 0},
      {L"Rem b(1)(2) = 3", 0},
      {L"Call f(1)(2)", 0},
      {L"If(a)(b) = 3 Then y = 1", 0},
      {L"d(\"a\")(\"k\").x = 1", 0},
      {L"", 0},
  };
  for (const GuardCase& c : cases) {
    std::optional<int> found = FindProcessKillingVBScriptStatement(c.program);
    if (c.line == 0) {
      EXPECT_FALSE(found.has_value()) << testing::PrintToString(std::wstring(c.program));
    } else {
      ASSERT_TRUE(found.has_value()) << testing::PrintToString(std::wstring(c.program));
      EXPECT_EQ(c.line, *found) << testing::PrintToString(std::wstring(c.program));
    }
  }
}

}  // namespace

namespace {

TEST(VBScriptGuard, EmptyBoundsOfDeclarationsBecomeBlanksAndNothingElseChanges) {
  struct {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"Dim a()\r\nReDim a(3)", L"Dim a  \r\nReDim a(3)"},
      {L"dim a( ), b(2), c()", L"dim a   , b(2), c  "},
      {L"x = 1 : Dim d()", L"x = 1 : Dim d  "},
      {L"Private p()\nPublic q()", L"Private p  \nPublic q  "},
      {L"Public Sub Foo()\nEnd Sub", L"Public Sub Foo()\nEnd Sub"},
      {L"Private Function F()\nEnd Function", L"Private Function F()\nEnd Function"},
      {L"Public Default Property Get Item()", L"Public Default Property Get Item()"},
      {L"Call F()\nx = G()", L"Call F()\nx = G()"},
      {L"s = \"Dim a()\"", L"s = \"Dim a()\""},
      {L"' Dim a()", L"' Dim a()"},
      {L"Dim a ' and b()", L"Dim a ' and b()"},
      {L"Dimension()", L"Dimension()"},
  };
  for (auto& c : cases) {
    std::wstring program = c.in;
    BlankEmptyArrayBounds(program);
    EXPECT_EQ(std::wstring(c.out), program) << testing::PrintToString(std::wstring(c.in));
  }
}

}  // namespace

namespace {

size_t LineBreaks(const std::wstring& text) { return std::count(text.begin(), text.end(), L'\n'); }

struct RewriteCase {
  const wchar_t* in;
  const wchar_t* out;
};

void ExpectRewrites(const RewriteCase& c, bool callsFunctions) {
  std::wstring program = c.in;
  YVBScriptGuardResult result = GuardVBScriptProgram(program);
  const std::string shown = testing::PrintToString(std::wstring(c.in));
  EXPECT_EQ(std::wstring(c.out), program) << shown;
  EXPECT_EQ(LineBreaks(c.in), LineBreaks(program)) << shown;
  EXPECT_FALSE(result.refusedLine.has_value()) << shown;
  EXPECT_EQ(callsFunctions, result.callsGuardedFunctions) << shown;
  // What comes out is free of the statements that abort the process.
  EXPECT_FALSE(FindProcessKillingVBScriptStatement(program).has_value()) << shown;
}

TEST(VBScriptGuard, AssignmentsThroughTwoCallsGoThroughAHiddenVariableOnTheirOwnLines) {
  const RewriteCase cases[] = {
      {L"Response.Cookies(\"c\")(\"k\") = \"v\"", L"Set Orvane_t = Response.Cookies(\"c\") : Orvane_t(\"k\") = \"v\""},
      {L"a = 1 : b(1)(2) = 3\r\nc = 4", L"a = 1 : Set Orvane_t = b(1) : Orvane_t(2) = 3\r\nc = 4"},
      {L"If x Then c(1)(2) = 3 Else d(1)(2) = 4",
       L"If x Then Set Orvane_t = c(1) : Orvane_t(2) = 3 Else Set Orvane_t = d(1) : Orvane_t(2) = 4"},
      {L"If x Then\r\ny = 1\r\nElse d(\"a\") (\"b\") = 4\r\nEnd If",
       L"If x Then\r\ny = 1\r\nElse Set Orvane_t = d(\"a\") : Orvane_t (\"b\") = 4\r\nEnd If"},
      {L"Set o(1)(2) = Nothing", L"Set Orvane_t = o(1) : Set Orvane_t(2) = Nothing"},
      {L"e(1)(2)(3) = 5", L"Set Orvane_t = e(1) : Set Orvane_t = Orvane_t(2) : Orvane_t(3) = 5"},
      {L"Set e(1)(2)(3) = o", L"Set Orvane_t = e(1) : Set Orvane_t = Orvane_t(2) : Set Orvane_t(3) = o"},
      {L"With Response\r\n.Cookies(\"c\")(\"k\") = 1\r\nEnd With",
       L"With Response\r\nSet Orvane_t = .Cookies(\"c\") : Orvane_t(\"k\") = 1\r\nEnd With"},
      {L"d(\"a\").Item(\"k\")(\"z\") = 1", L"Set Orvane_t = d(\"a\").Item(\"k\") : Orvane_t(\"z\") = 1"},
      // Literals and nesting inside the argument lists.
      {L"d(\"a(\")(\")=\") = \"=(\"", L"Set Orvane_t = d(\"a(\") : Orvane_t(\")=\") = \"=(\""},
      {L"d(f(1, (2)))(g(\"\"\")\")) = (4)", L"Set Orvane_t = d(f(1, (2))) : Orvane_t(g(\"\"\")\")) = (4)"},
      // A continued line stays continued.
      {L"d(\"a\") _\r\n  (\"b\") = _\r\n 1", L"Set Orvane_t = d(\"a\") : Orvane_t _\r\n  (\"b\") = _\r\n 1"},
      // Declared after Option Explicit, and in each procedure that needs it.
      {L"Option Explicit\r\nx(1)(2) = 3", L"Option Explicit : Dim Orvane_t\r\nSet Orvane_t = x(1) : Orvane_t(2) = 3"},
      {L"Option Explicit ' strict\r\nSub F(a) ' note\r\n  a(\"k\")(\"j\") = 1\r\nEnd Sub",
       L"Option Explicit ' strict\r\nSub F(a) : Dim Orvane_t ' note\r\n  Set Orvane_t = a(\"k\") : Orvane_t(\"j\") = "
       L"1\r\nEnd Sub"},
      {L"Function G() : G = 1 : x(1)(2) = 3 : End Function",
       L"Function G() : Dim Orvane_t : G = 1 : Set Orvane_t = x(1) : Orvane_t(2) = 3 : End Function"},
      {L"Class C\r\nPublic Default Property Let P(v)\r\nx(1)(2) = v\r\nEnd Property\r\nEnd Class",
       L"Class C\r\nPublic Default Property Let P(v) : Dim Orvane_t\r\nSet Orvane_t = x(1) : Orvane_t(2) = v\r\nEnd "
       L"Property\r\n"
       L"End Class"},
      {L"Private Sub F()\r\ny = 1\r\nEnd Sub\r\nx(1)(2) = 3",
       L"Private Sub F()\r\ny = 1\r\nEnd Sub\r\nSet Orvane_t = x(1) : Orvane_t(2) = 3"},
      // The hidden names stay clear of the program's own.
      {L"orvane_t = 1\r\nx(1)(2) = 3", L"orvane_t = 1\r\nSet Orvane2_t = x(1) : Orvane2_t(2) = 3"},
      // Nothing to do.
      {L"x = d(\"a\")(\"b\")\r\nIf a(1)(2) = 3 Then y = 1\r\ns = \"b(1)(2) = 3\" ' c(1)(2) = 3\r\nCall f(1)(2)",
       L"x = d(\"a\")(\"b\")\r\nIf a(1)(2) = 3 Then y = 1\r\ns = \"b(1)(2) = 3\" ' c(1)(2) = 3\r\nCall f(1)(2)"},
      {L"", L""},
  };
  for (const RewriteCase& c : cases) ExpectRewrites(c, false);
}

TEST(VBScriptGuard, CallsOfTypeNameUBoundLBoundAndForEachSourcesGoToTheHost) {
  const RewriteCase cases[] = {
      {L"x = TypeName(y) & typename (z)", L"x = Orvane_TypeName(y) & Orvane_typename (z)"},
      {L"n = UBound(a, 2) + LBound(a)\r\nIf UBound(b) > 0 Then m = 1",
       L"n = Orvane_UBound(a, 2) + Orvane_LBound(a)\r\nIf Orvane_UBound(b) > 0 Then m = 1"},
      {L"Response.Write TypeName _\r\n(Nothing)", L"Response.Write Orvane_TypeName _\r\n(Nothing)"},
  };
  for (const RewriteCase& c : cases) ExpectRewrites(c, true);
  const RewriteCase forEach[] = {
      {L"For Each e In d.Keys : Response.Write e : Next",
       L"For Each e In Orvane_EachOf(d.Keys) : Response.Write e : Next"},
      {L"for each x in Split(\"a,b\") ' c\r\nNext", L"for each x in Orvane_EachOf(Split(\"a,b\")) ' c\r\nNext"},
      {L"For Each x In _\r\n  a\r\nNext", L"For Each x In _\r\n  Orvane_EachOf(a)\r\nNext"},
  };
  for (const RewriteCase& c : forEach) ExpectRewrites(c, true);
  const RewriteCase untouched[] = {
      {L"For i = 1 To 3 : Next\r\nFor Each", L"For i = 1 To 3 : Next\r\nFor Each"},
      {L"o.TypeName(1) : s = \"TypeName(x)\" ' UBound(a)", L"o.TypeName(1) : s = \"TypeName(x)\" ' UBound(a)"},
      {L"Function TypeName(v)\r\nTypeName = 1\r\nEnd Function\r\ny = TypeName(1)",
       L"Function TypeName(v)\r\nTypeName = 1\r\nEnd Function\r\ny = TypeName(1)"},
      {L"Dim x, ubound2 : x = UBound2(1)", L"Dim x, ubound2 : x = UBound2(1)"},
  };
  for (const RewriteCase& c : untouched) ExpectRewrites(c, false);
}

TEST(VBScriptGuard, HiddenNamesAvoidTheNamedItemsAndAStatementWithoutAPlaceIsRefused) {
  std::wstring program = L"x = TypeName(y)";
  const std::wstring items[] = {L"Response", L"orvane_Cart"};
  YVBScriptGuardResult result = GuardVBScriptProgram(program, items);
  EXPECT_EQ(L"Orvane2_", result.hiddenPrefix);
  EXPECT_EQ(L"x = Orvane2_TypeName(y)", program);

  // Statements directly in a class body never run; nothing is rewritten there.
  program = L"Class C\r\nx(1)(2) = 3\r\nEnd Class";
  result = GuardVBScriptProgram(program);
  ASSERT_TRUE(result.refusedLine.has_value());
  EXPECT_EQ(2, *result.refusedLine);
  EXPECT_EQ(L"Class C\r\nx(1)(2) = 3\r\nEnd Class", program);
}

}  // namespace
