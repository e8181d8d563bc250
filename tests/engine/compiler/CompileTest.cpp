// Compiling page files: the HTML block table, the per-language programs, includes,
// directives, server-side elements and every compile failure.
#include <gtest/gtest.h>

#include <memory>

#include "TestAspContext.h"
#include "support/TestPageFiles.h"
#include "automation/TextConversion.h"

namespace {

std::vector<std::string> ProgramLines(CScriptEngine* engine) {
  std::string text = WideToNarrow(engine->AssembleProgram(), 936);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t crlf; (crlf = text.find("\r\n", start)) != std::string::npos; start = crlf + 2) {
    lines.push_back(text.substr(start, crlf - start));
  }
  EXPECT_EQ(start, text.size()) << "a program ends with CR LF";
  return lines;
}

std::string Gbk(const wchar_t* text) { return WideToNarrow(text, 936); }

class CompileTest : public testing::Test {
 protected:
  CompileTest() : context_(files_.root()) { context_.Attach(&parser_); }

  bool Compile(std::string_view page, const std::string& url = "/page.asp") {
    std::string relative = url.substr(1);
    for (char& c : relative) c = c == '/' ? '\\' : c;
    return parser_.CompileFile(url.c_str(), files_.Write(relative, page).c_str());
  }
  std::vector<std::string> Lines(const char* language = "vbscript") {
    CScriptEngine* engine = parser_.EngineFor(language);
    return engine ? ProgramLines(engine) : std::vector<std::string>{};
  }

  TestPageFiles files_;
  TestAspContext context_;
  CAspParser parser_;
};

TEST_F(CompileTest, WorkedExampleGivesFourBlocksAndAThirteenLineProgram) {
  ASSERT_TRUE(
      Compile("<%@ language=\"VBScript\" %>\r\n<html><body>\r\n<% For i = 1 To 3 %>\r\n<p><%= i %></p>\r\n"
              "<% Next %>\r\n</body></html>\r\n"));
  const auto& blocks = parser_.htmlBlocks();
  ASSERT_EQ(4u, blocks.size());
  struct {
    const char* text;
    int startLine, lineFeeds;
  } expected[] = {
      {"\r\n<html><body>\r\n", 0, 2}, {"\r\n<p>", 2, 1}, {"</p>\r\n", 3, 1}, {"\r\n</body></html>\r\n", 4, 2}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(expected[i].text, blocks[i].text) << i;
    EXPECT_EQ(expected[i].startLine, blocks[i].startLine) << i;
    EXPECT_EQ(expected[i].lineFeeds, blocks[i].lineFeeds) << i;
    EXPECT_EQ(0, blocks[i].fileIndex);
  }
  std::vector<std::string> program = {"Response.HtmlBlock(0)",
                                      "",
                                      "",
                                      " For i = 1 To 3 ",
                                      "Response.HtmlBlock(1)",
                                      "",
                                      // "<%= i %></p>": one call for the value and block 2,
                                      // block 2's own line left empty.
                                      "Response.vellum_WriteRun \"* 2\", i",
                                      "",
                                      "",
                                      " Next ",
                                      "Response.HtmlBlock(3)",
                                      "",
                                      ""};
  EXPECT_EQ(program, Lines());
  std::string file;
  int32_t line = 0;
  ASSERT_TRUE(parser_.defaultEngine()->MapErrorLine(7, &file, &line));
  EXPECT_EQ(parser_.fileNames()[0], file);
  EXPECT_EQ(4, line);
  ASSERT_TRUE(parser_.defaultEngine()->MapErrorLine(10, &file, &line));
  EXPECT_EQ(5, line);
}

TEST_F(CompileTest, LiteralOnlyPageCreatesNoEngineAndWritesItsTextAtRun) {
  ASSERT_TRUE(Compile("<html>\r\n<p>plain</p></html>"));
  EXPECT_TRUE(parser_.engines().empty());
  EXPECT_TRUE(parser_.Run());
  EXPECT_EQ("<html>\r\n<p>plain</p></html>", context_.literal);
  EXPECT_TRUE(parser_.engines().empty());
}

TEST_F(CompileTest, WhiteSpaceAfterThePercentIsSkippedBeforeTheDirectiveOrExpressionTest) {
  ASSERT_TRUE(Compile("<% @ language=JScript %><% = x %>"));
  ASSERT_NE(nullptr, parser_.defaultEngine());
  EXPECT_EQ(1, parser_.defaultEngine()->languageId());
  EXPECT_EQ(std::vector<std::string>({"Response.Write ( x );"}), Lines("jscript"));
}

TEST_F(CompileTest, ExpressionFormsFollowTheDefaultLanguage) {
  ASSERT_TRUE(Compile("<%= a %>"));
  EXPECT_EQ(std::vector<std::string>({"Response.Write  a :"}), Lines());

  CAspParser js;
  context_.Attach(&js);
  ASSERT_TRUE(js.CompileFile("/js.asp", files_.Write("js.asp", "<%@ language=\"JavaScript\" %><%= a %>").c_str()));
  EXPECT_EQ(std::vector<std::string>({"Response.Write ( a );"}), ProgramLines(js.EngineFor("jscript")));
}

TEST_F(CompileTest, WhiteSpaceBetweenCodeBlocksGivesOnlyLineBreaks) {
  ASSERT_TRUE(Compile("<% a = 1 %>\r\n  \r\n<% b = 2 %>x"));
  EXPECT_EQ(std::vector<std::string>({" a = 1 ", "", "", "", " b = 2 ", "Response.HtmlBlock(1)"}), Lines());
}

TEST_F(CompileTest, CodeInsideAnHtmlCommentIsStillCompiled) {
  ASSERT_TRUE(Compile("<!-- <% x = 1 %> -->"));
  ASSERT_EQ(2u, parser_.htmlBlocks().size());
  EXPECT_EQ("<!-- ", parser_.htmlBlocks()[0].text);
  EXPECT_EQ(" -->", parser_.htmlBlocks()[1].text);
  EXPECT_EQ(std::vector<std::string>({"Response.HtmlBlock(0)", " x = 1 ", "Response.HtmlBlock(1)"}), Lines());
}

TEST_F(CompileTest, ScriptElementWithoutLanguageGoesToVBScriptUnderAJScriptPage) {
  ASSERT_TRUE(Compile("<%@ language=jscript %>\n<script runat=server>\nSub S()\nEnd Sub\n</script>\n"));
  EXPECT_EQ(1, parser_.defaultEngine()->languageId());
  std::vector<std::string> vbs = Lines("vbscript");
  EXPECT_EQ(std::vector<std::string>({"", "Sub S()", "End Sub", ""}), vbs);
}

TEST_F(CompileTest, ElementAndAttributeNamesIgnoreCase) {
  ASSERT_TRUE(Compile("<SCRIPT RUNAT=Server LANGUAGE=JavaScript>var a = 1;</SCRIPT>"));
  ASSERT_EQ(1u, parser_.engines().size());
  EXPECT_EQ(1, parser_.engines()[0]->languageId());
  EXPECT_EQ(std::vector<std::string>({"var a = 1;"}), Lines("jscript"));
  EXPECT_TRUE(parser_.htmlBlocks().empty());
}

TEST_F(CompileTest, ScriptWithoutAttributesAndUnmatchedEndTagsStayLiteral) {
  ASSERT_TRUE(Compile("<script>alert(1)</script>"));
  EXPECT_TRUE(parser_.engines().empty());
  EXPECT_EQ("<script>alert(1)</script>", parser_.htmlBlocks().at(0).text);

  CAspParser spaced;
  context_.Attach(&spaced);
  // "</script >" has seven bytes between "</" and ">": the search goes on to the next end tag.
  std::string page = "<script runat=server>\nx = 1\n</script >\ny = 2\n</script>";
  ASSERT_TRUE(spaced.CompileFile("/s.asp", files_.Write("s.asp", page).c_str()));
  EXPECT_EQ(std::vector<std::string>({"", "x = 1", "</script >", "y = 2", ""}),
            ProgramLines(spaced.EngineFor("vbscript")));
}

TEST_F(CompileTest, ServerSideElementWithoutEndTagFailsTheCompileAndSendsNothing) {
  EXPECT_FALSE(Compile("a<object runat=server id=x progid=Scripting.Dictionary>b"));
  EXPECT_EQ("object" + Gbk(L" 没有关闭标记\n"), parser_.errorText());
  CAspParser script;
  context_.Attach(&script);
  ASSERT_FALSE(script.CompileFile("/s.asp", files_.Write("s.asp", "a<script runat=server>secret = 1").c_str()));
  EXPECT_EQ("script" + Gbk(L" 没有关闭标记\n"), script.errorText());
  for (const YHtmlBlock& block : script.htmlBlocks()) EXPECT_EQ(std::string::npos, block.text.find("secret"));
}

TEST_F(CompileTest, IncludesByFileAndVirtualPathCompileInPlaceWithTheirOwnLines) {
  files_.Write("shop\\a.inc", "A\n<% a = 1 %>");
  files_.Write("lib\\b.inc", "<!--#include file=\"..\\shop\\a.inc\"-->B");
  ASSERT_TRUE(Compile("x\n<!--#include file=\"a.inc\"-->\n<!-- #include virtual=\"/lib/b.inc\" -->", "/shop/x.asp"))
      << parser_.errorText();
  ASSERT_GE(context_.mappedUrls.size(), 3u);
  EXPECT_EQ("\\shop\\a.inc", context_.mappedUrls[0]);
  EXPECT_EQ("\\lib\\b.inc", context_.mappedUrls[1]);
  EXPECT_EQ("\\shop\\a.inc", context_.mappedUrls[2]);  // relative to the including file
  ASSERT_EQ(4u, parser_.fileNames().size());
  EXPECT_EQ(files_.root() + "\\shop\\a.inc", parser_.fileNames()[1]);
  // The include's code maps back to its own file and line.
  std::vector<std::string> program = Lines();
  ASSERT_GE(program.size(), 5u);
  EXPECT_EQ(" a = 1 ", program[4]);
  std::string file;
  int32_t line = 0;
  ASSERT_TRUE(parser_.defaultEngine()->MapErrorLine(5, &file, &line));
  EXPECT_EQ(parser_.fileNames()[1], file);
  EXPECT_EQ(2, line);
}

TEST_F(CompileTest, IncludeThatCannotBeMappedFailsWithTheUnnormalisedPath) {
  context_.mapsPaths = false;
  EXPECT_FALSE(Compile("<!--#include virtual=\"/a//b.inc\"-->"));
  EXPECT_EQ(Gbk(L"无法映射文件 [/a//b.inc]"), parser_.errorText());
}

TEST_F(CompileTest, SelfIncludeIsCompiledOnceWithAMessageOnStandardError) {
  std::string stderrText;
  {
    StderrCapture capture;
    ASSERT_TRUE(Compile("a<!--#include file=\"page.asp\"-->b"));
    stderrText = capture.Text();
  }
  std::string physical = files_.root() + "\\page.asp";
  EXPECT_EQ(Gbk(L"循环包含文件[") + physical + Gbk(L"]了。\n"), stderrText);
  EXPECT_EQ(1u, parser_.fileNames().size());
  ASSERT_EQ(2u, parser_.htmlBlocks().size());
  EXPECT_EQ("b", parser_.htmlBlocks()[1].text);
}

TEST_F(CompileTest, Utf8MarkSetsTheCodePageOnlyWhenNoneIsSetAndALaterDirectiveIsIgnored) {
  ASSERT_TRUE(Compile("\xEF\xBB\xBF<%@ codePage=936 %>x"));
  EXPECT_EQ(65001, context_.GetCodePage());
  EXPECT_EQ("x", parser_.htmlBlocks().at(0).text);

  TestAspContext preset(files_.root());
  preset.SetCodePage(936);
  CAspParser page;
  preset.Attach(&page);
  ASSERT_TRUE(page.CompileFile("/b.asp", files_.Write("b.asp", "\xEF\xBB\xBFy").c_str()));
  EXPECT_EQ(936, preset.GetCodePage());
}

TEST_F(CompileTest, OtherByteOrderMarksAreSkipped) {
  struct {
    std::string bytes;
    const char* rest;
  } cases[] = {{std::string("\xFF\xFEx", 3), "x"},
               {std::string("\xFF\xFE\x00\x00yz", 6), "yz"},
               {std::string("\xFE\xFFq", 3), "q"},
               {std::string("\x00\x00\xFE\xFFw", 5), "w"}};
  for (auto& c : cases) {
    CAspParser page;
    context_.Attach(&page);
    ASSERT_TRUE(page.CompileFile("/m.asp", files_.Write("m.asp", c.bytes).c_str()));
    ASSERT_EQ(1u, page.htmlBlocks().size());
    EXPECT_EQ(c.rest, page.htmlBlocks()[0].text);
  }
  EXPECT_EQ(0, context_.GetCodePage());
}

TEST_F(CompileTest, FilesUpToTheLimitAreReadAndLargerOnesRefused) {
  std::string page(kMaxPageFileBytes, 'a');
  ASSERT_TRUE(Compile(page));
  EXPECT_EQ(kMaxPageFileBytes, parser_.htmlBlocks().at(0).text.size());

  CAspParser big;
  context_.Attach(&big);
  page.push_back('a');
  EXPECT_FALSE(big.CompileFile("/big.asp", files_.Write("big.asp", page).c_str()));
  EXPECT_EQ(Gbk(L"文件太大了,最大8M\n"), big.errorText());
}

TEST_F(CompileTest, UnclosedQuoteEndsTheDirectiveAttributes) {
  ASSERT_TRUE(Compile("<%@ language=JScript codepage=\"65001 %>x"));
  EXPECT_EQ(1, parser_.defaultEngine()->languageId());
  EXPECT_EQ(0, context_.GetCodePage());
}

TEST_F(CompileTest, DirectiveCodePageAndTransaction) {
  ASSERT_TRUE(Compile("<%@ CODEPAGE=936 Transaction=Required %>"));
  EXPECT_EQ(936, context_.GetCodePage());
  EXPECT_TRUE(parser_.transactionRequired());
  EXPECT_TRUE(parser_.engines().empty());
}

TEST_F(CompileTest, EveryCompileFailureHasItsMessageInCodePage936) {
  struct {
    const char* page;
    const wchar_t* message;
  } cases[] = {
      {"<% x = 1", L"找不到结束标识 %>"},
      {"<!--#include file=\"a.inc\"", L"无法找到结束标识-->"},
      {"<!--#include -->", L"include 必须要有 virtual 或者 file属性"},
      {"<!--#include file=\"missing.inc\"-->", L"无法得到文件信息\n[missing.inc] included by [f.asp]\n"},
  };
  for (auto& c : cases) {
    CAspParser page;
    context_.Attach(&page);
    EXPECT_FALSE(page.CompileFile("/f.asp", files_.Write("f.asp", c.page).c_str())) << c.page;
    // A missing include goes on to name the including file.
    EXPECT_EQ(Gbk(c.message), page.errorText().substr(0, Gbk(c.message).size())) << c.page;
  }
  CAspParser including;
  context_.Attach(&including);
  const std::string includer = files_.Write("g.asp", "a\r\n<!--#include file=\"sub/missing.inc\"-->");
  EXPECT_FALSE(including.CompileFile("/g.asp", includer.c_str()));
  EXPECT_EQ(Gbk(L"无法得到文件信息\n") + "[sub/missing.inc] included by [g.asp]\n", including.errorText());
  EXPECT_EQ("missing include sub/missing.inc in " + includer, including.ErrorSummary());
  CAspParser missing;
  context_.Attach(&missing);
  EXPECT_FALSE(missing.CompileFile("/none.asp", (files_.root() + "\\none.asp").c_str()));
  EXPECT_EQ(Gbk(L"无法得到文件信息\n"), missing.errorText());
  EXPECT_EQ("\xce\xde\xb7\xa8\xb5\xc3\xb5\xbd\xce\xc4\xbc\xfe\xd0\xc5\xcf\xa2\n", missing.errorText());

  CAspParser folder;
  context_.Attach(&folder);
  files_.Write("dir\\x.txt", "x");
  EXPECT_FALSE(folder.CompileFile("/dir", (files_.root() + "\\dir").c_str()));
  EXPECT_EQ(Gbk(L"无法打开文件\n"), folder.errorText());
  // "file" without a value names the including file's folder.
  CAspParser valueless;
  context_.Attach(&valueless);
  EXPECT_FALSE(valueless.CompileFile("/dir/v.asp", files_.Write("dir\\v.asp", "<!--#include file-->").c_str()));
  EXPECT_EQ(Gbk(L"无法打开文件\n"), valueless.errorText());
}

TEST_F(CompileTest, ObjectElementsGoToTheContextWithTheirScope) {
  std::string stderrText;
  {
    StderrCapture capture;
    ASSERT_TRUE(
        Compile("<object runat=server id=d progid=Scripting.Dictionary scope=Session></object>"
                "<object runat=server progid=Scripting.Dictionary></object>"
                "<object runat=server id=e></object>"
                "<object runat=server id=f classid=\"{EE09B103-97E0-11CF-978F-00A02463E06F}\"></object>"
                "<object runat=server id=g progid=No.Such.Thing></object>"));
    stderrText = capture.Text();
  }
  EXPECT_EQ(std::vector<std::string>({"d|Session", "f|(none)"}), context_.addedObjects);
  EXPECT_NE(std::string::npos, stderrText.find(Gbk(L"id是空的\n")));
  EXPECT_NE(std::string::npos, stderrText.find(Gbk(L"progid 或 classid必需要有一个\n")));
  EXPECT_NE(std::string::npos, stderrText.find("cann't get clsid from progid=[No.Such.Thing]\n"));
  EXPECT_TRUE(parser_.htmlBlocks().empty());
}

TEST_F(CompileTest, LineCountingCoversElementsAndDirectives) {
  ASSERT_TRUE(Compile("a\n<object runat=server\nid=x></object>\n<!--#foo\n-->\n<% y %>"));
  // a \n (1) + object element (1) + \n + dropped directive (1) + \n: "<% y %>" starts on line 5.
  std::vector<std::string> program = Lines();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(" y ", program.back());
  std::string file;
  int32_t line = 0;
  ASSERT_TRUE(parser_.defaultEngine()->MapErrorLine(static_cast<int32_t>(program.size()), &file, &line));
  EXPECT_EQ(6, line);
}

}  // namespace
