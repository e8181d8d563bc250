// Pages served end to end: the real vellum.dll in isapi-host, a real HTTP client.
#include <gtest/gtest.h>

#include "PageSite.h"

namespace {

const std::string kCrlf = "\r\n";

class PagesEndToEnd : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = new PageSite;
    PageSite& s = *site_;
    s.Write("worked.asp",
            "<%@ language=\"VBScript\" %>\r\n<html><body>\r\n<% For i = 1 To 3 %>\r\n<p><%= i %></p>\r\n"
            "<% Next %>\r\n</body></html>\r\n");
    s.Write("plain.asp", "<p>only html</p>");
    s.Write("broken.asp", "<p>x</p><% x = 1");
    s.Write("inc/err.inc", "line one\r\n<% y = 1 / 0 %>");
    s.Write("includer.asp", "<p>a</p>\r\n<!--#include file=\"inc/err.inc\"-->");
    s.Write("number.asp", "<% Response.Write 42 : Response.Write \"\" : Response.Write 1.5 %>");
    s.Write("end.asp", "before<% Response.Write \"a\" : Response.End : Response.Write \"b\" %>after");
    s.Write("endchild.asp", "<% Response.Write \"x\" : Response.End %>");
    s.Write("clearafterend.asp", "<% Server.Execute \"endchild.asp\" : Response.Clear : Response.Write \"after\" %>");
    s.Write("binary.asp", "<% Response.Write \"text\" : Response.BinaryWrite \"AB\" %>");
    s.Write("blocks.asp", "<% Response.HtmlBlock -1 : Response.HtmlBlock 2 %>x<% %>y");
    s.Write("settings.asp",
            "<% Response.Expires = 5 : "
            "Response.ExpiresAbsolute = \"x\" : Response.Pics = \"p\" %>ok");
    s.Write("notfound.asp", "<% Response.Status = \"404 Not Found\" : Response.Write Response.Status %>");
    s.Write("created.asp", "<% Response.Status = \"201 Created\" %>made");
    s.Write("badstatus.asp",
            "<% On Error Resume Next\r\nFor Each s In Array(\"404\", \"404Not Found\", \"40 Not\", \"abc OK\", "
            "\"200 a\" & vbLf & \"X: 1\", \"\")\r\n"
            "Response.Status = s : Response.Write Hex(Err.Number) & \",\" : Err.Clear\r\nNext\r\n"
            "Response.Write Response.Status %>");
    s.Write("statusredirect.asp", "<% Response.Status = \"404 Not Found\" : Response.Redirect \"/t.asp\" %>");
    s.Write("plaintext.asp", "<% Response.ContentType = \"text/plain\" : Response.Charset = \"utf-8\" %>t");
    s.Write("cache.asp", "<% Response.CacheControl = \"no-cache\" %>c");
    s.Write("addheader.asp", "<% Response.AddHeader \"X-One\", \"1\" %>h");
    s.Write("redirect.asp",
            "<% Response.Write \"gone\" : Response.Redirect \"/target.asp\" : Response.Write \"no\" %>");
    s.Write("redirectflush.asp",
            "<% On Error Resume Next : Response.Write \"gone\" : Response.Redirect \"/t.asp\" : Response.Flush %>");
    s.Write("injection.asp",
            "<% On Error Resume Next\r\n"
            "Response.AddHeader \"X-Bad\", \"a\" & vbCrLf & \"Set-Cookie: evil=1\"\r\n"
            "Response.Write Hex(Err.Number) : Err.Clear\r\n"
            "Response.ContentType = \"text/html\" & vbLf & \"X-Evil: 1\"\r\n"
            "Response.Write \",\" & Hex(Err.Number) : Err.Clear\r\n"
            "Response.Redirect \"/x\" & vbCr & \"Location: http://evil/\"\r\n"
            "Response.Write \",\" & Hex(Err.Number) %>");
    s.Write("execute.asp", "a<% Server.Execute \"child.asp\" %>c");
    s.Write("child.asp", "b<% Response.Write \"!\" %>");
    s.Write("executefail.asp", "a<% Server.Execute \"badchild.asp\" %>c");
    s.Write("badchild.asp", "<% x = ");
    s.Write("transfer.asp", "first<% Server.Transfer \"second.asp\" %>never");
    s.Write("second.asp", "second");
    s.Write("self.asp", "<% Response.Write \"x\" : Server.Transfer \"self.asp\" %>");
    s.Write("divide.asp", "<p>a</p>\r\n<!--#include file=\"inc/err.inc\"-->");
    s.Write("inc/noendif.inc", "<%\r\nIf x Then\r\n  y = 1\r\n%>");
    s.Write("syntax.asp", "<%@ CodePage=65001 %>\r\n<p>a</p>\r\n<!--#include file=\"inc/noendif.inc\"-->");
    s.Write("noinclude.asp", "<%@ CodePage=65001 %>\r\n<!--#include file=\"lib/missing.inc\"-->");
    s.Write("raiseutf8.asp",
            "<%@ CodePage=65001 %><% Err.Raise 5, \"\xE6\x9D\xA5\xE6\xBA\x90\", \"\xE8\xAF\xB4\xE6\x98\x8E\" %>");
    s.Write("utf8.asp", "\xEF\xBB\xBF<% Response.Write \"\xC3\xA9\" %>");
    s.Write("gbk.asp", "<%@ codePage=936 %><% Response.Write \"\xD6\xD0\xCE\xC4\" %>");
    s.Write("responsecp.asp",
            "<%@ language=JScript %><% Response.CodePage = 65001; Response.Write(String.fromCharCode(233)); %>");
    s.Write("directivecp.asp",
            "<%@ language=JScript codePage=936 %><% Response.CodePage = 65001; "
            "Response.Write(String.fromCharCode(0x4e2d)); %>");
    s.Write("cross.asp",
            "<script language=JScript runat=server>function twice(x) { return x * 2; }</script>"
            "<% Response.Write TWICE(21) %>");
    s.Write("zerobyte.asp", "<% Response.Write \"a\" & Chr(0) & \"b\" %>");
    s.Write("echo.asp", "<% Response.BinaryWrite Request.BinaryRead(Request.TotalBytes) %>");
    s.Write("dynamicarray.asp",
            "<% Dim a()\r\nReDim a(3)\r\na(1) = 5\r\nReDim Preserve a(5)\r\nResponse.Write UBound(a) & a(1) %>");
    s.Write("twocalls.asp", "<p>\r\n<% Response.Cookies(\"c\")(\"k\") = \"v\" %>");
    s.Write("twocallsinclass.asp", "<p>\r\n<% Class C\r\nResponse.Cookies(\"c\")(\"k\") = \"v\"\r\nEnd Class %>");
    std::string error;
    ASSERT_TRUE(s.Start(&error)) << error;
  }
  static void TearDownTestSuite() {
    delete site_;
    site_ = nullptr;
  }

  static HttpResponse Get(const std::string& target) { return site_->Get(target); }
  static PageSite* site_;
};

PageSite* PagesEndToEnd::site_ = nullptr;

TEST_F(PagesEndToEnd, WorkedExampleReturnsItsBlocksAndNumbersByteForByte) {
  HttpResponse r = Get("/worked.asp");
  EXPECT_EQ("HTTP/1.1 200 OK", r.statusLine);
  EXPECT_EQ("\r\n<html><body>\r\n\r\n<p>1</p>\r\n\r\n<p>2</p>\r\n\r\n<p>3</p>\r\n\r\n</body></html>\r\n", r.body);
}

TEST_F(PagesEndToEnd, PageWithoutScriptAndPagesThatFail) {
  EXPECT_EQ("<p>only html</p>", Get("/plain.asp").body);

  HttpResponse broken = Get("/broken.asp");
  EXPECT_EQ(500, broken.status);
  const std::string message = "\xD5\xD2\xB2\xBB\xB5\xBD\xBD\xE1\xCA\xF8\xB1\xEA\xCA\xB6 %>";  // 找不到结束标识 %>
  ASSERT_GE(broken.body.size(), message.size());
  EXPECT_EQ(message, broken.body.substr(broken.body.size() - message.size())) << broken.body;
  // One server-log entry, one plain line: what failed and where.
  std::string entry = "\"page failed: compile error in " + site_->root() + "\\broken.asp\"\n";
  std::string log = site_->AccessLogWith(entry);
  size_t at = log.find(entry);
  ASSERT_NE(std::string::npos, at) << log;
  EXPECT_EQ(std::string::npos, log.find(entry, at + 1));

  HttpResponse included = Get("/includer.asp");
  EXPECT_EQ(500, included.status);
  EXPECT_NE(std::string::npos, included.body.find("<p>/inc/err.inc,line 2</p>")) << included.body;
}

TEST_F(PagesEndToEnd, ErrorReportsNameTheErrorTheFileAndTheLine) {
  // Wine's VBScript gives division by zero neither a source nor a description.
  HttpResponse divide = Get("/divide.asp");
  EXPECT_NE(std::string::npos, divide.body.find("<p>VBScript runtime error error '800a000b'</p><p>Division by zero</p>"
                                                "<p>/inc/err.inc,line 2</p>"))
      << divide.body;
  std::string entry = "\"page failed: error '800a000b' at " + site_->root() + "\\inc\\err.inc:2\"\n";
  EXPECT_NE(std::string::npos, site_->AccessLogWith(entry).find(entry));

  // A block without its End If: the include that holds it, at the line where the
  // engine stopped (the block's last line).
  HttpResponse syntax = Get("/syntax.asp");
  EXPECT_NE(std::string::npos, syntax.body.find("error '800a03ea'")) << syntax.body;
  EXPECT_NE(std::string::npos, syntax.body.find("<p>/inc/noendif.inc,line 4</p>")) << syntax.body;

  // A missing include: the include as written and the file that includes it, in the
  // page's code page (UTF-8 here).
  HttpResponse missing = Get("/noinclude.asp");
  EXPECT_EQ(
      "\xE6\x97\xA0\xE6\xB3\x95\xE5\xBE\x97\xE5\x88\xB0\xE6\x96\x87\xE4\xBB\xB6\xE4\xBF\xA1\xE6\x81\xAF\n"
      "[lib/missing.inc] included by [/noinclude.asp]\n",
      missing.body);
  entry = "\"page failed: missing include lib/missing.inc in " + site_->root() + "\\noinclude.asp\"\n";
  EXPECT_NE(std::string::npos, site_->AccessLogWith(entry).find(entry));

  // The engine's texts reach a UTF-8 page in UTF-8.
  HttpResponse raised = Get("/raiseutf8.asp");
  EXPECT_NE(std::string::npos, raised.body.find("<p>\xE6\x9D\xA5\xE6\xBA\x90 error '800a0005'</p>"
                                                "<p>\xE8\xAF\xB4\xE6\x98\x8E</p>"))
      << raised.body;
}

TEST_F(PagesEndToEnd, WriteEndClearBinaryWriteAndHtmlBlock) {
  EXPECT_EQ("421.5", Get("/number.asp").body);
  EXPECT_EQ("beforea", Get("/end.asp").body);
  EXPECT_EQ("after", Get("/clearafterend.asp").body);
  EXPECT_EQ(std::string("textA\0B\0", 8), Get("/binary.asp").body);
  EXPECT_EQ("xy", Get("/blocks.asp").body);
}

// The body is sent whole: a NUL written by a script does not cut it short, and bytes
// from BinaryRead go back out unchanged through BinaryWrite.
TEST_F(PagesEndToEnd, BodiesKeepEveryByte) {
  EXPECT_EQ(std::string("a\0b", 3), Get("/zerobyte.asp").body);
  const std::string bytes("\x01\x00\xFF\x80z", 5);
  HttpResponse echoed = Fetch(site_->port(), "POST", "/echo.asp", "Content-Type: application/octet-stream\r\n", bytes);
  EXPECT_EQ(bytes, echoed.body);
}

TEST_F(PagesEndToEnd, StoredSettingsChangeNothingOnTheWire) {
  HttpResponse r = Get("/settings.asp");
  EXPECT_EQ("HTTP/1.1 200 OK", r.statusLine);
  EXPECT_FALSE(r.HasHeader("Expires"));
  EXPECT_FALSE(r.HasHeader("Pics-Label"));
  EXPECT_EQ("ok", r.body);
}

TEST_F(PagesEndToEnd, StatusSetsTheStatusLineAndRefusesMalformedValues) {
  HttpResponse notFound = Get("/notfound.asp");
  EXPECT_EQ("HTTP/1.1 404 Not Found", notFound.statusLine);
  EXPECT_EQ("404 Not Found", notFound.body);
  HttpResponse created = Get("/created.asp");
  EXPECT_EQ("HTTP/1.1 201 Created", created.statusLine);
  EXPECT_EQ("made", created.body);
  HttpResponse refused = Get("/badstatus.asp");
  EXPECT_EQ("HTTP/1.1 200 OK", refused.statusLine);
  EXPECT_EQ("80070057,80070057,80070057,80070057,80070057,80070057,200 OK", refused.body);
  HttpResponse redirected = Get("/statusredirect.asp");
  EXPECT_EQ("HTTP/1.1 302 MOVED", redirected.statusLine);
  EXPECT_EQ("/t.asp", redirected.Header("Location"));
}

TEST_F(PagesEndToEnd, TheHeadCarriesContentTypeCharsetCacheControlAndAddedHeaders) {
  EXPECT_EQ("text/html", Get("/plain.asp").Header("Content-Type"));
  EXPECT_EQ("text/plain; charset=utf-8", Get("/plaintext.asp").Header("Content-Type"));
  EXPECT_EQ("no-cache", Get("/cache.asp").Header("Cache-Control"));
  HttpResponse added = Get("/addheader.asp");
  EXPECT_EQ("1", added.Header("X-One"));
  size_t one = 0, type = 0;
  for (size_t i = 0; i < added.headers.size(); ++i) {
    if (added.headers[i].first == "X-One") one = i;
    if (added.headers[i].first == "Content-Type") type = i;
  }
  EXPECT_LT(one, type) << "headers added by the page come before the built head";
}

TEST_F(PagesEndToEnd, RedirectSendsOnlyTheHeadWithTheLocation) {
  HttpResponse r = Get("/redirect.asp");
  EXPECT_EQ("HTTP/1.1 302 MOVED", r.statusLine);
  EXPECT_EQ("/target.asp", r.Header("Location"));
  EXPECT_EQ("", r.body);
  HttpResponse flushed = Get("/redirectflush.asp");
  EXPECT_EQ("HTTP/1.1 302 MOVED", flushed.statusLine);
  EXPECT_EQ("/t.asp", flushed.Header("Location"));
  EXPECT_EQ("", flushed.body);
}

TEST_F(PagesEndToEnd, LineBreaksAreRefusedWhereTheyWouldReachTheHead) {
  HttpResponse r = Get("/injection.asp");
  EXPECT_EQ("HTTP/1.1 200 OK", r.statusLine);
  EXPECT_EQ("80070057,80070057,80070057", r.body);
  EXPECT_FALSE(r.HasHeader("X-Bad"));
  for (const auto& [name, value] : r.headers) {
    if (name == "Set-Cookie") {
      EXPECT_EQ(0u, value.find("SESSIONID=")) << value;  // only the new session's
    }
  }
  EXPECT_FALSE(r.HasHeader("X-Evil"));
  EXPECT_FALSE(r.HasHeader("Location"));
  EXPECT_EQ("text/html", r.Header("Content-Type"));
}

TEST_F(PagesEndToEnd, ExecuteAndTransfer) {
  EXPECT_EQ("ab!c", Get("/execute.asp").body);
  const std::string message = "\xD5\xD2\xB2\xBB\xB5\xBD\xBD\xE1\xCA\xF8\xB1\xEA\xCA\xB6 %>";
  EXPECT_EQ("a" + message + "c", Get("/executefail.asp").body);
  EXPECT_EQ("firstsecond", Get("/transfer.asp").body);
  EXPECT_EQ(std::string(20, 'x'), Get("/self.asp").body);
}

TEST_F(PagesEndToEnd, CodePagesOfThePageAndTheResponse) {
  EXPECT_EQ("\xC3\xA9", Get("/utf8.asp").body);
  EXPECT_EQ("\xD6\xD0\xCE\xC4", Get("/gbk.asp").body);
  EXPECT_EQ("\xC3\xA9", Get("/responsecp.asp").body);   // Response.CodePage when the page sets none
  EXPECT_EQ("\xD6\xD0", Get("/directivecp.asp").body);  // the page's own code page comes first
}

// Wine's VBScript aborts the whole process on an assignment through two calls: the
// statement is rewritten and runs; where it cannot be (directly in a class body) the
// page is refused with a compile error. The server keeps serving either way.
TEST_F(PagesEndToEnd, AStatementThatWouldAbortTheServerRunsRewrittenOrIsRefused) {
  HttpResponse r = Get("/twocalls.asp");
  EXPECT_EQ(200, r.status);
  EXPECT_EQ("<p>\r\n", r.body);
  EXPECT_EQ("c=k=v; path=/", r.Header("Set-Cookie"));
  HttpResponse refused = Get("/twocallsinclass.asp");
  EXPECT_EQ(500, refused.status);
  EXPECT_NE(std::string::npos, refused.body.find("<p>/twocallsinclass.asp,line 3</p>")) << refused.body;
  EXPECT_EQ("<p>only html</p>", Get("/plain.asp").body);
}

// Wine's VBScript aborts the process on ReDim of a variable declared with "()"; the
// declaration is compiled as a plain variable, and the page works.
TEST_F(PagesEndToEnd, ADynamicArrayDeclarationDoesNotTakeTheServerDown) {
  EXPECT_EQ("55", Get("/dynamicarray.asp").body);
  EXPECT_EQ("<p>only html</p>", Get("/plain.asp").body);
}

TEST_F(PagesEndToEnd, ThePageBodyCallsAFunctionOfAnotherLanguage) { EXPECT_EQ("42", Get("/cross.asp").body); }

}  // namespace
