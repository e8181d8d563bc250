// Running compiled pages in Wine's real VBScript and JScript engines.
#include <gtest/gtest.h>

#include "TestAspContext.h"
#include "support/TestPageFiles.h"
#include "app/YPageManage.h"
#include "automation/TextConversion.h"

namespace {

class PageRunTest : public testing::Test {
 protected:
  PageRunTest() : context_(files_.root()) { context_.Attach(&page_); }

  bool CompileAndRun(std::string_view text) {
    std::string path = files_.Write("page.asp", text);
    if (!page_.CompileFile("/page.asp", path.c_str())) return false;
    return page_.Run();
  }

  TestPageFiles files_;
  TestAspContext context_;
  CAspParser page_;
};

TEST_F(PageRunTest, PageBodyCallsAJScriptFunctionDefinedInAScriptElementInAnotherCase) {
  ASSERT_TRUE(
      CompileAndRun("<script language=JScript runat=server>function twice(x) { return x * 2; }</script>"
                    "<p><% Response.Write TWICE(21) %></p>"))
      << page_.ErrorText();
  EXPECT_EQ("<p>42</p>", context_.output());
  // The script element came first; the page body's VBScript is the default and runs last.
  ASSERT_EQ(2u, page_.engines().size());
  EXPECT_EQ(1, page_.engines()[0]->languageId());
  EXPECT_EQ(0, page_.defaultEngine()->languageId());
  EXPECT_EQ(std::vector<int32_t>({1, 0}), context_.namedItemsFor);
}

TEST_F(PageRunTest, OnlyAScriptElementMakesItsEngineTheDefaultWithTheJScriptBlockForm) {
  ASSERT_TRUE(CompileAndRun("<b>x</b><script language=JScript runat=server>Response.Write('!');</script>"))
      << page_.ErrorText();
  ASSERT_EQ(1u, page_.engines().size());
  EXPECT_EQ(page_.engines()[0].Get(), page_.defaultEngine());
  std::string program = WideToNarrow(page_.defaultEngine()->AssembleProgram(), 936);
  EXPECT_EQ("Response.HtmlBlock(0);\r\nResponse.Write('!');\r\n", program);
  EXPECT_EQ("<b>x</b>!", context_.output());
}

TEST_F(PageRunTest, ThreeLanguagesStartInOrderAndTheMissingEncodedVBScriptFailsThePage) {
  // Wine cannot create the encoded VBScript engine: its start failure is the page's error.
  EXPECT_FALSE(
      CompileAndRun("<%@ language=VBScript %><script language=JScript runat=server>function f() {}</script>"
                    "<script language=VBScript.Encode runat=server>Sub G()\nEnd Sub</script><% x = 1 %>"));
  ASSERT_EQ(3u, page_.engines().size());
  EXPECT_EQ(3, page_.currentEngine()->languageId());
  EXPECT_EQ("Failed to create script engine.", page_.ErrorText());
  EXPECT_FALSE(YPageManage::Instance().IsRunning(&page_));
}

TEST_F(PageRunTest, ThePageIsOnTheRunningListOnlyWhileItsEnginesRun) {
  ASSERT_TRUE(CompileAndRun("<% If Response.IsRunning Then Response.Write \"yes\" %>")) << page_.ErrorText();
  EXPECT_EQ("yes", context_.output());
  EXPECT_FALSE(YPageManage::Instance().IsRunning(&page_));
}

TEST_F(PageRunTest, NamedItemsOfTheContextAreVisibleToEveryEngine) {
  auto* extra = new CTestResponse(&page_);
  context_.AddItem(L"Extra", extra->GetUnknown());
  extra->Release();
  ASSERT_TRUE(
      CompileAndRun("<script language=JScript runat=server>Extra.Write('js');</script>"
                    "<% Extra.Write \"vbs\" : If IsObject(Extra) Then Response.Write \"yes\" %>"))
      << page_.ErrorText();
  EXPECT_EQ("yes", context_.output());
}

TEST_F(PageRunTest, ScriptErrorBecomesThePagesErrorReportWithFileAndLine) {
  EXPECT_FALSE(CompileAndRun("a\r\nb\r\n<% x = 1 / 0 %>"));
  std::string report = page_.ErrorText();
  // Outside a request the report names the file alone, never its physical path.
  const std::string& path = page_.fileNames()[0];
  EXPECT_NE(std::string::npos, report.find("<p>" + path.substr(path.rfind('\\') + 1) + ",line 3</p>")) << report;
  EXPECT_EQ(std::string::npos, report.find(path)) << report;
}

TEST_F(PageRunTest, EndStopsAVBScriptPageMidRunWithoutAnError) {
  ASSERT_TRUE(CompileAndRun("<% Response.Write \"a\" : Response.End : Response.Write \"b\" %>tail"))
      << page_.ErrorText();
  EXPECT_EQ("a", context_.output());
  EXPECT_EQ("", page_.ErrorText());
  EXPECT_TRUE(page_.scriptsAborted());
}

TEST_F(PageRunTest, EndStopsAJScriptPageMidRunWithoutAnError) {
  ASSERT_TRUE(CompileAndRun("<%@ language=JScript %><% Response.Write('a'); Response.End(); Response.Write('b'); %>"))
      << page_.ErrorText();
  EXPECT_EQ("a", context_.output());
  EXPECT_EQ("", page_.ErrorText());
}

TEST_F(PageRunTest, LiteralOnlyPageRunsWithoutAnyEngine) {
  ASSERT_TRUE(CompileAndRun("just text"));
  EXPECT_TRUE(page_.engines().empty());
  EXPECT_EQ("just text", context_.literal);
}

}  // namespace
