// Statements that would make the platform's VBScript abort the process are found before
// the engine sees them; everything else passes.
#include <gtest/gtest.h>

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
