// Pages whose literal text and "<%= %>" values the compiler merges into one call per run,
// served end to end (the real vellum.dll and Response in isapi-host): each page is served
// twice, as written under /merged/ and with every "<%= %>" spelt out as the separate
// Response.Write statement it stands for under /separate/ (code between pieces merges
// nothing), and the two answers must be the same bytes.
#include <gtest/gtest.h>

#include "PageSite.h"

namespace {

// The page with each "<%= x %>" written as the statement the compiler makes of it alone.
std::string Separate(std::string page, bool jscript) {
  for (size_t at = 0; (at = page.find("<%=", at)) != std::string::npos;) {
    size_t close = page.find("%>", at);
    std::string expression = page.substr(at + 3, close - at - 3);
    std::string statement =
        jscript ? "<%Response.Write (" + expression + ");%>" : "<%Response.Write " + expression + ":%>";
    page.replace(at, close + 2 - at, statement);
    at += statement.size();
  }
  return page;
}

struct Page {
  const char* name;
  const char* text;
  bool jscript;
};

const Page kPages[] = {
    {"table.asp",
     "<table>\r\n<% For i = 1 To 3 %>\r\n<tr><td><%= i %></td><td><%= i * i %></td><td>row <%= i %></td></tr>\r\n"
     "<% Next %>\r\n</table>",
     false},
    {"jstable.asp",
     "<%@ language=JScript %><table><% for (var i = 1; i <= 3; i++) { %><tr><td><%= i %></td><td><%= i * i %>"
     "</td><td>row <%= i %></td></tr><% } %></table>",
     true},
    // The literal before a failing value is written, then the report with its line.
    {"error.asp", "<% z = 0 %>\r\n<p><%= 2 %>a<%= 1 / z %>b<%= 2 %></p>", false},
    {"jserror.asp", "<%@ language=JScript %><% var z = null; %>\r\n<p><%= 2 %>a<%= z.x %>b<%= 2 %></p>", true},
    // A value whose function writes, then fails (the report names the function's line).
    {"errorin.asp",
     "<% Function Boom() : Response.Write \"[in]\" : Boom = 1 / 0 : End Function %>\r\n"
     "<p>a<%= Boom() %>b<%= 2 %></p>",
     false},
    // End inside a value that leads a run: nothing after it.
    {"end.asp",
     "<% Function Halt() : Response.Write \"[h]\" : Response.End : End Function %><% For i = 1 To 2 %>\r\n"
     "<i>a<%= i %>b<%= Halt() %>c<%= i %>d</i><% Next %>",
     false},
    // Clear and Flush inside values, with Buffer switched off (which changes nothing).
    {"clear.asp",
     "<% Response.Buffer = False\r\n"
     "Function Wipe() : Response.Clear : Wipe = \"w\" : End Function\r\n"
     "Function Send() : Response.Flush : Send = \"s\" : End Function %>"
     "x<%= Wipe() %>y<%= 1 %>z\r\n<%= Send() %>q<%= Wipe() %>r",
     false},
    // Values Write refuses or converts: Null, Empty, Nothing, an object with a default
    // property, numbers, a date and a boolean in the page's locale.
    {"values.asp",
     "<% Class D : Public Default Property Get V : V = \"dv\" : End Property : End Class\r\n"
     "Set o = Nothing %>"
     "<% For Each v In Array(Null, Empty, 1.5, -0.25, DateSerial(2026, 12, 8), True, \"s\", New D) %>"
     "[<%= v %>|<%= v %>]<% Next %>"
     "<% For k = 1 To 1 %>(<%= o %>|<%= k %>)<% Next %>",
     false},
    {"jsvalues.asp",
     "<%@ language=JScript %><% var v, i, vals = [null, undefined, 1.5, 's', true]; "
     "for (i = 0; i < vals.length; i++) { v = vals[i]; %>[<%= v %>|<%= i %>]<% } %>",
     true},
};

// The merged page's answer, checked to be the separate form's byte for byte (but for
// the folder name in error reports).
HttpResponse SameAnswer(PageSite& site, const char* name) {
  HttpResponse merged = site.Get(std::string("/merged/") + name);
  HttpResponse separate = site.Get(std::string("/separate/") + name);
  for (size_t at; (at = separate.body.find("/separate/")) != std::string::npos;) {
    separate.body.replace(at, 10, "/merged/");
  }
  EXPECT_EQ(separate.statusLine, merged.statusLine) << name;
  EXPECT_EQ(separate.body, merged.body) << name;
  return merged;
}

void WriteBothForms(PageSite& site, const Page& page) {
  site.Write(std::string("merged/") + page.name, page.text);
  site.Write(std::string("separate/") + page.name, Separate(page.text, page.jscript));
}

class MergedWritesPages : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = new PageSite;
    for (const Page& page : kPages) WriteBothForms(*site_, page);
    site_->Write("byhand.asp",
                 "<p>x</p><% On Error Resume Next\r\n"
                 "Response.vellum_WriteRun \"* 0\", \"[\"\r\nResponse.Write \"|\" & Hex(Err.Number)\r\n"
                 "Response.vellum_WriteRun \"0 x\", 1\r\nResponse.Write \"|\" & Hex(Err.Number) : Err.Clear\r\n"
                 "Response.vellum_WriteRun \"* * * * * * * *\"\r\nResponse.Write \"|\" & Hex(Err.Number) %>");
    std::string error;
    ASSERT_TRUE(site_->Start(&error)) << error;
  }
  static void TearDownTestSuite() {
    delete site_;
    site_ = nullptr;
  }

  static HttpResponse Get(const char* name) { return SameAnswer(*site_, name); }
  static PageSite* site_;
};

PageSite* MergedWritesPages::site_ = nullptr;

TEST_F(MergedWritesPages, TablesInBothLanguages) {
  std::string rows, jsRows;
  for (int i = 1; i <= 3; ++i) {
    std::string n = std::to_string(i), square = std::to_string(i * i);
    rows += "\r\n<tr><td>" + n + "</td><td>" + square + "</td><td>row " + n + "</td></tr>\r\n";
    jsRows += "<tr><td>" + n + "</td><td>" + square + "</td><td>row " + n + "</td></tr>";
  }
  EXPECT_EQ("<table>\r\n" + rows + "\r\n</table>", Get("table.asp").body);
  EXPECT_EQ("<table>" + jsRows + "</table>", Get("jstable.asp").body);
}

TEST_F(MergedWritesPages, AFailingValueAfterALiteralReportsItsOwnLine) {
  HttpResponse vbs = Get("error.asp");
  EXPECT_EQ(500, vbs.status);
  EXPECT_EQ(0u, vbs.body.find("\r\n<p>2a<p>VBScript runtime error error '800a000b'</p>")) << vbs.body;
  EXPECT_NE(std::string::npos, vbs.body.find("<p>/merged/error.asp,line 2</p>")) << vbs.body;
  EXPECT_EQ(std::string::npos, vbs.body.find("b2")) << vbs.body;

  HttpResponse js = Get("jserror.asp");
  EXPECT_EQ(500, js.status);
  EXPECT_EQ(0u, js.body.find("\r\n<p>2a<p>")) << js.body;
  EXPECT_NE(std::string::npos, js.body.find("<p>/merged/jserror.asp,line 2</p>")) << js.body;
  EXPECT_EQ(std::string::npos, js.body.find("b2")) << js.body;

  HttpResponse in = Get("errorin.asp");
  EXPECT_EQ(0u, in.body.find("\r\n<p>a[in]<p>")) << in.body;
  EXPECT_NE(std::string::npos, in.body.find("<p>/merged/errorin.asp,line 1</p>")) << in.body;
  EXPECT_EQ(std::string::npos, in.body.find("b2")) << in.body;
}

TEST_F(MergedWritesPages, EndClearAndFlushInsideARun) {
  EXPECT_EQ("\r\n<i>a1b[h]", Get("end.asp").body);
  EXPECT_EQ("wy1z\r\nwr", Get("clear.asp").body);
}

TEST_F(MergedWritesPages, ValuesWriteRefusesOrConverts) {
  HttpResponse vbs = Get("values.asp");
  EXPECT_EQ(200, vbs.status);
  EXPECT_EQ("[|][|][1.5|1.5][-0.25|-0.25][2026/12/8|2026/12/8][True|True][s|s][dv|dv](|1)", vbs.body);
  EXPECT_EQ("[|0][|1][1.5|2][s|3][True|4]", Get("jsvalues.asp").body);
}

// A page may call the member by hand: it writes by the same rules, and a layout it
// cannot read is refused before anything is written.
TEST_F(MergedWritesPages, ALayoutResponseCannotReadWritesNothing) {
  // E_INVALIDARG reaches VBScript as its error 5.
  EXPECT_EQ("<p>x</p>[<p>x</p>|0|5|5", site_->Get("/byhand.asp").body);
}

// An error raised by Response inside a merged call (the buffer over its limit) reports
// the line the separate call would have.
TEST(MergedWritesBufferLimit, ReportsTheLineOfThePieceThatFilledTheBuffer) {
  PageSite site;
  // Each row buffers 6 bytes on the For line, then 17 or 18 on the next: after nine
  // rows 198 bytes, and the tenth row's value passes 205.
  WriteBothForms(site, {"full.asp", "<% For i = 1 To 40 %>\r\n<td><%= i %>0123456789</td><% Next %>", false});
  std::string error;
  ASSERT_TRUE(site.Start(&error, [](HostOptions* options) { options->responseBufferLimit = 205; })) << error;
  HttpResponse r = SameAnswer(site, "full.asp");
  EXPECT_EQ(500, r.status);
  EXPECT_NE(std::string::npos, r.body.find("response buffer limit exceeded")) << r.body;
  EXPECT_NE(std::string::npos, r.body.find("<p>/merged/full.asp,line 2</p>")) << r.body;
  EXPECT_EQ(std::string::npos, r.body.find("<td>")) << r.body;
}

}  // namespace
