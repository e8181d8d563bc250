// The Request object end to end: pages run by the real vellum.dll in isapi-host, driven
// over loopback by a real HTTP client, reading the query string, the form, the raw body,
// cookies and server variables the way scripts do.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "PageSite.h"

namespace {

const std::string kFormType = "application/x-www-form-urlencoded";

// The values of every header called name, in the order they came.
std::vector<std::string> HeaderValues(const HttpResponse& response, const std::string& name) {
  std::vector<std::string> values;
  for (const auto& [key, value] : response.headers)
    if (_stricmp(key.c_str(), name.c_str()) == 0) values.push_back(value);
  return values;
}

class RequestEndToEnd : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = new PageSite;
    PageSite& s = *site_;
    s.Write("query.asp",
            "<% Set q = Request.QueryString\r\n"
            "Response.Write q.Count & \"|\" & q(\"a\") & \"|\" & q(\"a\").Count & \"|\" & q(\"A\").Item(1) & \"|\" & "
            "q(\"b\") & \"|\" & q(\"c\") & \"|[\" & q(\"d\") & \"]|\" & q.Item() & \"|\"\r\n"
            "For Each k In q : Response.Write k & \",\" : Next %>");
    s.Write("utf8query.asp", "<%@ codePage=65001 %><% Response.Write Request.QueryString(\"x\") %>");
    // The same text through every way in and out, in the page's code page.
    const char* roundTrip =
        "<% q = Request.QueryString(\"q\") : f = Request.Form(\"f\") : c = Request.Cookies(\"c\")\r\n"
        "Response.Cookies(\"back\") = q\r\n"
        "Response.Write q & \"|\" & Len(q) & \"|\" & f & \"|\" & Len(f) & \"|\" & c & \"|\" & Len(c) & \"|\" & "
        "Server.HTMLEncode(\"<\" & f & \">\") & \"|\" & Server.URLEncode(f) & \"|\" & Request.Form %>";
    s.Write("utf8trip.asp", std::string("<%@ CodePage=65001 %>") + roundTrip);
    s.Write("gbktrip.asp", std::string("<%@ CodePage=936 %>") + roundTrip);
    s.Write(
        "form.asp",
        "<% Set f = Request.Form\r\n"
        "Response.Write f.Count & \"|\" & f(\"a\") & \"|\" & f(\"a\").Count & \"|\" & f(\"b\") & \"|\" & f.Item() & "
        "\"|\"\r\n"
        "b = Request.BinaryRead(100)\r\n"
        "If IsEmpty(b) Then Response.Write \"empty\" Else Response.BinaryWrite b\r\n%>");
    s.Write("lookup.asp",
            "<% Response.Write Request(\"a\") & \"|\" & Request(\"f\") & \"|\" & Request(\"request_method\") %>");
    s.Write("sessionid.asp",
            "<% Set c = Request(\"SESSIONID\")\r\n"
            "If IsObject(c) Then Response.Write \"object|\"\r\n"
            "If c Is Request.Cookies(\"sessionid\") Then Response.Write \"same|\"\r\n"
            "Response.Write c.Item() & \"|\" & Request(\"other\") & \"|\" & Request.Cookies.Count %>");
    s.Write("nowhere.asp",
            "<% v = Request(\"nowhere\")\r\n"
            "Response.Write VarType(v) & \"|\" & Request.Cookies.Count & \"|\" & "
            "VarType(Request.ServerVariables(\"nowhere\")) %>");
    s.Write("binaryread.asp",
            // Wine's VBScript answers UBound only for arrays of variants; the bytes are
            // counted on the wire instead.
            "<% b = Request.BinaryRead(10)\r\n"
            "Response.Write VarType(b) & \"|\"\r\n"
            "Response.BinaryWrite b\r\n"
            "c = Request.BinaryRead(10)\r\n"
            "Response.Write \"|\" & VarType(c) & \"|\" & Request.TotalBytes %>");
    s.Write("binaryzero.asp",
            "<% Response.Write VarType(Request.BinaryRead(0)) & \"|\" & VarType(Request.BinaryRead(-1)) & \"|\"\r\n"
            "Response.BinaryWrite Request.BinaryRead(4) %>");
    s.Write("echo.asp",
            "<% Response.AddHeader \"X-Total\", Request.TotalBytes\r\n"
            "Do\r\n"
            "  b = Request.BinaryRead(30000)\r\n"
            "  If IsEmpty(b) Then Exit Do\r\n"
            "  Response.BinaryWrite b\r\n"
            "Loop %>");
    s.Write("formsize.asp",
            "<% Set f = Request.Form\r\n"
            "Response.Write f.Count & \"|\" & Len(f(\"a\")) & \"|\" & f(\"b\") & \"|\" & "
            "VarType(Request.BinaryRead(10)) & \"|\" & Request.TotalBytes %>");
    s.Write("servervariables.asp",
            "<% For Each k In Request.ServerVariables : Response.Write k & \",\" : Next\r\n"
            "Set v = Request.ServerVariables\r\n"
            "Response.Write \"|\" & v(\"request_method\") & \"|\" & v(\"http_x_probe\") & \"|\" & v(\"Http_Xa\") & "
            "\"|\" & v(\"query_string\") & \"|\" & v.Count %>");
    s.Write("missing.asp", "<% x = Request.Cookies(\"missing\") : Response.Write \"[\" & x & \"]\" %>");
    std::string error;
    ASSERT_TRUE(s.Start(&error)) << error;
  }
  static void TearDownTestSuite() {
    delete site_;
    site_ = nullptr;
  }

  static HttpResponse Get(const std::string& target, const std::string& headers = "") {
    return site_->Get(target, headers);
  }
  static HttpResponse Post(const std::string& target, const std::string& type, const std::string& body) {
    return Fetch(site_->port(), "POST", target, "Content-Type: " + type + "\r\n", body);
  }
  // A POST whose body goes out from a second thread while the response is read, for
  // bodies the page leaves unread (the server may answer and close before taking them).
  static HttpResponse PostStreaming(const std::string& target, const std::string& type, const std::string& body) {
    TestClient client;
    HttpResponse response;
    if (!client.Connect(site_->port())) return response;
    std::string head = "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nContent-Type: " + type +
                       "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    if (!client.Send(head)) return response;
    std::thread sender([&] { client.Send(body); });
    client.ReadResponse(&response);
    sender.join();
    return response;
  }
  // A cookie header naming a live session, so that no new session (and no session
  // cookie) joins the request's cookies; extra is sent before it.
  static std::string SessionCookie(const std::string& extra = "") {
    if (sessionId_.empty()) {
      for (const std::string& line : HeaderValues(Get("/lookup.asp"), "Set-Cookie")) {
        if (line.rfind("SESSIONID=", 0) == 0) sessionId_ = line.substr(10, line.find(';') - 10);
      }
    }
    return "Cookie: " + extra + "SESSIONID=" + sessionId_ + "\r\n";
  }
  static PageSite* site_;
  static std::string sessionId_;
};

PageSite* RequestEndToEnd::site_ = nullptr;
std::string RequestEndToEnd::sessionId_;

TEST_F(RequestEndToEnd, QueryStringDecodesJoinsAndEnumerates) {
  HttpResponse r = Get("/query.asp?a=1&b=x%20y+z&A=2&c=%u4E2D&d");
  EXPECT_EQ(200, r.status);
  // c is wide: U+4E2D goes out in the system code page 936.
  EXPECT_EQ("4|1, 2|2|2|x y z|\xD6\xD0|[]|a=1&b=x%20y+z&A=2&c=%u4E2D&d|a,b,c,d,", r.body);
  // Escaped bytes are read in the page's code page.
  EXPECT_EQ("\xE4\xB8\xAD", Get("/utf8query.asp?x=%E4%B8%AD").body);
}

TEST_F(RequestEndToEnd, TextRoundTripsInThePagesCodePage) {
  struct Case {
    const char* page;
    std::string text, escaped, length;
  };
  const Case cases[] = {
      // "naive" with a diaeresis, the euro sign, three CJK characters and an emoji (two
      // UTF-16 units): fifteen characters to the script.
      {"/utf8trip.asp",
       "na\xC3\xAFve \xE2\x82\xAC"
       "5 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xF0\x9F\x98\x80",
       "na%C3%AFve+%E2%82%AC5+%E6%97%A5%E6%9C%AC%E8%AA%9E+%F0%9F%98%80", "15"},
      // GBK: "Chinese text" in two characters.
      {"/gbktrip.asp", "\xD6\xD0\xCE\xC4 5", "%D6%D0%CE%C4+5", "4"},
  };
  for (const Case& c : cases) {
    const std::string body = "f=" + c.escaped;
    HttpResponse r = Fetch(site_->port(), "POST", std::string(c.page) + "?q=" + c.escaped,
                           "Content-Type: " + kFormType + "\r\nCookie: c=" + c.text + "\r\n", body);
    EXPECT_EQ(200, r.status) << c.page;
    const std::string t = c.text, n = c.length;
    EXPECT_EQ(t + "|" + n + "|" + t + "|" + n + "|" + t + "|" + n + "|&lt;" + t + "&gt;|" + c.escaped + "|" + body,
              r.body)
        << c.page;
    // Cookie values travel as their bytes, unescaped, both ways.
    EXPECT_EQ("back=" + c.text + "; path=/", r.Header("Set-Cookie")) << c.page;
  }
}

TEST_F(RequestEndToEnd, FormIsFilledOnlyForTheExactFormTypeInAnyCase) {
  const std::string body = "a=1&b=x+y&a=2";
  // Once the form is loaded the body is gone: BinaryRead answers Empty.
  const std::string loaded = "2|1, 2|1|x y|" + body + "|empty";
  EXPECT_EQ(loaded, Post("/form.asp", kFormType, body).body);
  EXPECT_EQ(loaded, Post("/form.asp", "Application/X-WWW-Form-UrlEncoded", body).body);
  // Anything after the type keeps the form empty, and the body stays readable.
  EXPECT_EQ("0||0|||" + body, Post("/form.asp", kFormType + "; charset=UTF-8", body).body);
  EXPECT_EQ("0||0|||" + body, Post("/form.asp", "text/plain", body).body);
}

TEST_F(RequestEndToEnd, DefaultLookupPrefersTheQueryStringThenTheForm) {
  EXPECT_EQ("1, 2|4|POST", Post("/lookup.asp?a=1&a=2", kFormType, "a=3&f=4").body);
  EXPECT_EQ("3|4|GET", Get("/lookup.asp?f=4&a=3").body);
}

TEST_F(RequestEndToEnd, DefaultLookupGivesTheSessionCookieObject) {
  HttpResponse r = Get("/sessionid.asp", SessionCookie("other=1; "));
  EXPECT_EQ("object|same|" + sessionId_ + "|1|2", r.body);
  EXPECT_FALSE(r.HasHeader("Set-Cookie")) << "cookies that came with the request go back only when changed";
}

TEST_F(RequestEndToEnd, DefaultLookupFoundNowhereIsEmptyAndCreatesNoCookie) {
  HttpResponse r = Get("/nowhere.asp", SessionCookie("k=1; "));
  EXPECT_EQ("0|2|0", r.body);
  EXPECT_FALSE(r.HasHeader("Set-Cookie"));
}

TEST_F(RequestEndToEnd, BinaryReadClampsToTheBodyThenAnswersEmpty) {
  EXPECT_EQ("8209|abcd|0|4", Post("/binaryread.asp", "text/plain", "abcd").body);
  EXPECT_EQ("0|0|wxyz", Post("/binaryzero.asp", "text/plain", "wxyz").body);
  // Without a body there is nothing to read.
  EXPECT_EQ("0|0|", Get("/binaryzero.asp").body);
}

TEST_F(RequestEndToEnd, BodiesAboveThePreloadAreReadWholeThroughTheClient) {
  // 100000 bytes of every byte value: 48 KB come preloaded, the rest through ReadClient,
  // read by the page in pieces that straddle the boundary.
  std::string body(100000, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  HttpResponse echo = Post("/echo.asp", "application/octet-stream", body);
  EXPECT_EQ("100000", echo.Header("X-Total"));
  EXPECT_EQ(body.size(), echo.body.size());
  EXPECT_TRUE(body == echo.body) << "the echoed body differs";

  // The same as a form: one long field across the boundary, one after it.
  HttpResponse form = Post("/formsize.asp", kFormType, "a=" + std::string(60000, 'x') + "&b=2");
  EXPECT_EQ("2|60000|2|0|60006", form.body);
}

TEST_F(RequestEndToEnd, FormsUpToEightMegabytesLoadAndLargerOnesStayEmptyWithoutHarm) {
  const size_t limit = 8388608;
  std::string atLimit = "a=" + std::string(limit - 2, 'x');
  EXPECT_EQ("1|8388606||0|8388608", PostStreaming("/formsize.asp", kFormType, atLimit).body);

  std::string above = "a=" + std::string(limit - 1, 'x');
  EXPECT_EQ("0|0||0|8388609", PostStreaming("/formsize.asp", kFormType, above).body);

  std::string nine = "a=" + std::string(9 * 1024 * 1024 - 6, 'y') + "&b=2";
  HttpResponse r = PostStreaming("/formsize.asp", kFormType, nine);
  EXPECT_EQ(200, r.status);
  EXPECT_EQ("0|0||0|9437184", r.body);
  // The server goes on serving, forms included.
  EXPECT_EQ("2|1, 2|1|x y|a=1&b=x+y&a=2|empty", Post("/form.asp", kFormType, "a=1&b=x+y&a=2").body);
}

TEST_F(RequestEndToEnd, ServerVariablesEnumerateSortedAndAreFoundInLowerCase) {
  HttpResponse r = Get("/servervariables.asp?q=1", "X-Probe: 42\r\nXA: 7\r\n");
  EXPECT_EQ(200, r.status);
  // Names sort byte-wise after lower-casing, so "_" (0x5F) comes before "a" (0x61):
  // HTTP_X_PROBE before HTTP_XA. Empty variables (CONTENT_TYPE here) are left out.
  EXPECT_EQ(
      "ALL_HTTP,ALL_RAW,APPL_PHYSICAL_PATH,CONTENT_LENGTH,HTTP_CONNECTION,HTTP_HOST,HTTP_X_PROBE,HTTP_XA,"
      "PATH_INFO,PATH_TRANSLATED,QUERY_STRING,REMOTE_ADDR,REMOTE_HOST,REQUEST_METHOD,SCRIPT_FILENAME,"
      "SCRIPT_NAME,SERVER_NAME,SERVER_PORT,SERVER_PROTOCOL,SERVER_SOFTWARE,URL,|GET|42|7|q=1|21",
      r.body);
}

TEST_F(RequestEndToEnd, ReadingAnAbsentCookieSendsItBackEmpty) {
  HttpResponse r = Get("/missing.asp", SessionCookie("keep=1; "));
  EXPECT_EQ("[]", r.body);
  EXPECT_EQ(std::vector<std::string>{"missing=; path=/"}, HeaderValues(r, "Set-Cookie"));
}

}  // namespace
