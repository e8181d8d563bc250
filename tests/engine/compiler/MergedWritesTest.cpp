// Runs of literal blocks and "<%= %>" values that become one call into Response: which
// runs merge, which stay separate statements, and the layout Response reads.
#include <gtest/gtest.h>

#include "TestAspContext.h"
#include "support/TestPageFiles.h"
#include "automation/TextConversion.h"
#include "compiler/MergedWrites.h"

namespace {

class MergedWritesTest : public testing::Test {
 protected:
  MergedWritesTest() : context_(files_.root()) {}

  // The default engine's program lines of a freshly compiled page.
  std::vector<std::string> Program(std::string_view page) {
    parser_ = std::make_unique<CAspParser>();
    context_.Attach(parser_.get());
    std::string path = files_.Write("page" + std::to_string(++count_) + ".asp", page);
    EXPECT_TRUE(parser_->CompileFile("/page.asp", path.c_str())) << parser_->errorText();
    if (!parser_->defaultEngine()) return {};
    std::string text = WideToNarrow(parser_->defaultEngine()->AssembleProgram(), 936);
    std::vector<std::string> lines;
    for (size_t start = 0, crlf; (crlf = text.find("\r\n", start)) != std::string::npos; start = crlf + 2) {
      lines.push_back(text.substr(start, crlf - start));
    }
    return lines;
  }
  int32_t PageLineOf(int32_t programLine) {
    std::string file;
    int32_t line = 0;
    EXPECT_TRUE(parser_->defaultEngine()->MapErrorLine(programLine, &file, &line));
    return line;
  }

  TestPageFiles files_;
  TestAspContext context_;
  std::unique_ptr<CAspParser> parser_;
  int count_ = 0;
};

using Lines = std::vector<std::string>;

TEST_F(MergedWritesTest, ATableRowBecomesOneCallPerRunWithItsLinesMappedAsBefore) {
  // The row's first block starts on the For line; its values and blocks on the next.
  Lines program = Program(
      "<% For i = 1 To 2 %>\r\n<tr><td><%= i %></td><td><%= i * i %></td><td>row <%= i %></td></tr>\r\n"
      "<% Next %>");
  Lines expected = {" For i = 1 To 2 ",
                    "Response.HtmlBlock(0)",
                    "",
                    // i is the loop's variable: it joins the block after it.
                    "Response.vellum_WriteRun \"* 1\", i",
                    "",
                    // i * i could fail: it leads a run of its own, where the row's
                    // rest follows.
                    "Response.vellum_WriteRun \"* 2 * 3\", i * i, i",
                    "",
                    "",
                    "",
                    "",
                    " Next "};
  EXPECT_EQ(expected, program);
  EXPECT_EQ(2, PageLineOf(4));
  EXPECT_EQ(2, PageLineOf(6));
  EXPECT_EQ(3, PageLineOf(11));  // the lines after the runs map as before
  EXPECT_EQ("</td><td>row ", parser_->htmlBlocks()[2].text);  // the block table is unchanged
  EXPECT_EQ(4u, parser_->htmlBlocks().size());
}

TEST_F(MergedWritesTest, AfterTheFirstWriteOnlyLiteralsAndLoopVariablesJoinARun) {
  struct {
    const char* page;
    Lines program;
  } cases[] = {
      // Calls, members, operators and names outside a loop may fail or act: each one
      // may only lead a run.
      {"<p><%= f(1) %>:<%= a.b %>:<%= a + 1 %>:<%= x %></p>",
       {"Response.HtmlBlock(0)", "Response.vellum_WriteRun \"* 1\", f(1)", "", "Response.vellum_WriteRun \"* 2\", a.b",
        "", "Response.vellum_WriteRun \"* 3\", a + 1", "", "Response.vellum_WriteRun \"* 4\", x", ""}},
      // Literals can neither fail nor act.
      {"<p><%= 12 %>-<%= \"a\"\"b\" %></p>", {"Response.vellum_WriteRun \"0 * 1 * 2\", 12, \"a\"\"b\"", "", "", "", ""}},
      // A For Each variable inside its loop; after Next the name is no longer trusted.
      {"<% For Each v In a %><b><%= v %></b><% Next %><b><%= v %></b>",
       {" For Each v In a ", "Response.vellum_WriteRun \"0 * 1\", v", "", "", " Next ", "Response.HtmlBlock(2)",
        "Response.vellum_WriteRun \"* 3\", v", ""}},
      // Option Explicit: an undeclared name raises when read, so it only ever leads.
      {"<% Option Explicit %><p><%= n %>|<%= n %></p>",
       {" Option Explicit ", "Response.HtmlBlock(0)", "Response.vellum_WriteRun \"* 1\", n", "",
        "Response.vellum_WriteRun \"* 2\", n", ""}},
      // Exit For ends no loop; "For" in a string or a comment starts none.
      {"<% For i = 1 To 2 : If i > 5 Then Exit For\r\nx = \"For j\" ' For k %><b><%= i %><%= j %></b><% Next %>",
       {" For i = 1 To 2 : If i > 5 Then Exit For", "x = \"For j\" ' For k ",
        "Response.vellum_WriteRun \"0 *\", i", "", "Response.vellum_WriteRun \"* 1\", j", "", " Next "}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.program, Program(c.page)) << c.page;
}

TEST_F(MergedWritesTest, WhatStaysSeparateStatements) {
  struct {
    const char* page;
    Lines program;
  } cases[] = {
      // A single write is no run.
      {"<p><%= x %>", {"Response.HtmlBlock(0)", "Response.Write  x :"}},
      // Runs end at a line feed: "a" and "b" are on two lines.
      {"<%= 1 %>\r\n<%= 2 %>", {"Response.Write  1 :", "", "", "Response.Write  2 :"}},
      // A value that is not one plain expression keeps its own statement.
      {"<b><%= a : Response.End %></b>", {"Response.HtmlBlock(0)", "Response.Write  a : Response.End :",
                                          "Response.HtmlBlock(1)"}},
      {"<b><%= a, b %></b>", {"Response.HtmlBlock(0)", "Response.Write  a, b :", "Response.HtmlBlock(1)"}},
      {"<b><%= a ' note %></b>", {"Response.HtmlBlock(0)", "Response.Write  a ' note :", "Response.HtmlBlock(1)"}},
      {"<b><%= = 1 %></b>", {"Response.HtmlBlock(0)", "Response.Write  = 1 :", "Response.HtmlBlock(1)"}},
      {"<b><%= x Rem y %></b>", {"Response.HtmlBlock(0)", "Response.Write  x Rem y :", "Response.HtmlBlock(1)"}},
      // Where a failed statement may be skipped, a value that can fail is never merged
      // (a skipped run would skip its blocks too), also when Resume Next comes later.
      {"<b><%= f() %></b><% On Error Resume Next %>",
       {"Response.HtmlBlock(0)", "Response.Write  f() :", "Response.HtmlBlock(1)", " On Error Resume Next "}},
      // There a For that failed may still run its body: only literals merge.
      {"<% For i = 1 To 2 %><b><%= f() %><%= i %></b><%= 1 %><% Next %><% Execute \"x\" %>",
       {" For i = 1 To 2 ", "Response.HtmlBlock(0)", "Response.Write  f() :", "Response.Write  i :",
        "Response.vellum_WriteRun \"1 *\", 1", "", " Next ", " Execute \"x\" "}},
      // Code between pieces ends the run.
      {"<b><% x = 1 %></b>", {"Response.HtmlBlock(0)", " x = 1 ", "Response.HtmlBlock(1)"}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.program, Program(c.page)) << c.page;
}

TEST_F(MergedWritesTest, JScriptTrustsTheVarsOfAProgramWithoutFunctions) {
  Lines table = Program(
      "<%@ language=JScript %><% for (var i = 1; i <= 2; i++) { %><td><%= i %></td><td><%= i * i %></td><% } %>");
  EXPECT_EQ(Lines({" for (var i = 1; i <= 2; i++) { ", "Response.vellum_WriteRun(\"0 * 1\", i);", "", "",
                   "Response.vellum_WriteRun(\"* 2\", i * i);", "", " } "}),
            table);
  // With a function in the program a var may be a function's own, or not yet declared.
  Lines withFunction = Program(
      "<%@ language=JScript %><% function f() { var i = 0; } for (var i = 1; i <= 2; i++) { %>"
      "<td><%= i %><%= 'x' %></td><% } %>");
  EXPECT_EQ(Lines({" function f() { var i = 0; } for (var i = 1; i <= 2; i++) { ", "Response.HtmlBlock(0);",
                   "Response.vellum_WriteRun(\"* * 1\", i, 'x');", "", "", " } "}),
            withFunction);
  // A statement separator or a division in a value: its own statement.
  EXPECT_EQ(Lines({"Response.HtmlBlock(0);", "Response.Write ( a; b );", "Response.HtmlBlock(1);"}),
            Program("<%@ language=JScript %><b><%= a; b %></b>"));
}

TEST_F(MergedWritesTest, ARunTakesAtMostSevenValues) {
  Lines program = Program("<%= 1 %><%= 2 %><%= 3 %><%= 4 %><%= 5 %><%= 6 %><%= 7 %><%= 8 %><%= 9 %>");
  ASSERT_EQ(9u, program.size());
  EXPECT_EQ("Response.vellum_WriteRun \"* * * * * * *\", 1, 2, 3, 4, 5, 6, 7", program[0]);
  EXPECT_EQ("Response.vellum_WriteRun \"* *\", 8, 9", program[7]);
}

TEST(RunLayout, PiecesComeInOrderAndABadLayoutWritesNothing) {
  std::string seen;
  auto block = [&](LONG n) { seen += "b" + std::to_string(n); };
  auto value = [&](size_t i) { seen += "v" + std::to_string(i); };
  EXPECT_EQ(S_OK, ForEachRunPiece("* 2 * 13", 7, block, value));
  EXPECT_EQ("v0b2v1b13", seen);
  for (const char* bad : {"", " ", "*  2", "* ", " *", "2x", "**", "1234567890", "* * *", "* 2 * 13 -"}) {
    seen.clear();
    EXPECT_EQ(E_INVALIDARG, ForEachRunPiece(bad, 2, block, value)) << bad;
    EXPECT_EQ("", seen) << bad;
  }
}

}  // namespace
