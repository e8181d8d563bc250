// Applications, global.asa and sessions end to end: the real vellum.dll in isapi-host,
// clients that keep cookies as browsers do.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "StateSite.h"

namespace {

// The background sweep runs every 5 s; a few seconds more for a loaded machine.
constexpr DWORD kSweepWaitMs = 12000;
// Long enough for at least one sweep to have run.
constexpr DWORD kOneSweepMs = 6000;

// A global.asa whose handlers leave marks in Application and Session, and note every
// event in the file at logPath.
std::string EventsGlobalAsa(const std::string& logPath) {
  return "<script language=\"VBScript\" runat=\"Server\">\r\n"
         "Sub Note(text)\r\n"
         "  Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n"
         "  Set f = fso.OpenTextFile(\"" +
         logPath +
         "\", 8, True)\r\n"
         "  f.Write text & \";\"\r\n"
         "  f.Close\r\n"
         "End Sub\r\n"
         "Sub Application_OnStart\r\n"
         "  Application(\"starts\") = Application(\"starts\") & \"A\"\r\n"
         "  Note \"start\"\r\n"
         "End Sub\r\n"
         "Sub Session_OnStart\r\n"
         "  Session(\"marker\") = \"S\" & Request.QueryString(\"tag\")\r\n"
         "  Application(\"sessions\") = Application(\"sessions\") + 1\r\n"
         "End Sub\r\n"
         "Sub Session_OnEnd\r\n"
         "  Application(\"ended\") = Application(\"ended\") & \"[\" & Session.SessionID & \"]\"\r\n"
         "  Note \"end:\" & Session.SessionID\r\n"
         "End Sub\r\n"
         "Sub Application_OnEnd\r\n"
         "  Note \"appEnd\"\r\n"
         "End Sub\r\n"
         "</script>\r\n";
}

// starts|marker|SessionID|sessions|ended
constexpr char kShowPage[] =
    "<%= Application(\"starts\") %>|<%= Session(\"marker\") %>|<%= Session.SessionID %>|"
    "<%= Application(\"sessions\") %>|<%= Application(\"ended\") %>";

bool IsDecimal(const std::string& text) {
  return !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string::npos;
}

class StateEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    logPath_ = site_.root() + "\\events.log";
    site_.Write("global.asa", EventsGlobalAsa(logPath_));
    site_.Write("show.asp", kShowPage);
  }
  void TearDown() override { SetLibraryClock(0); }

  void Start() {
    std::string error;
    ASSERT_TRUE(site_.Start(&error)) << error;
  }
  std::string Events() const { return ReadWholeFile(logPath_); }
  // The body of show.asp once the sweep has ended the session id (false on time-out).
  bool WaitForEnd(CookieClient& client, const std::string& id, std::string* body) {
    for (DWORD waited = 0; waited < kSweepWaitMs; waited += 250) {
      *body = client.Get("/show.asp").body;
      if (body->find("[" + id + "]") != std::string::npos) return true;
      Sleep(250);
    }
    return false;
  }

  PageSite site_;
  std::string logPath_;
};

TEST_F(StateEndToEnd, FirstRequestStartsApplicationAndSessionBeforeThePageAndTheCookieFindsItAgain) {
  Start();
  CookieClient browser(site_);
  HttpResponse first = browser.Get("/show.asp?tag=1");
  ASSERT_EQ(first.status, 200) << first.body;
  std::vector<std::string> fields = Fields(first.body);
  ASSERT_EQ(fields.size(), 5u) << first.body;
  const std::string id = fields[2];
  EXPECT_TRUE(IsDecimal(id)) << id;
  EXPECT_EQ(fields[0], "A");
  EXPECT_EQ(fields[1], "S1");  // Session_OnStart saw this request's Request
  EXPECT_EQ(fields[3], "1");
  EXPECT_EQ(SetCookieLines(first), std::vector<std::string>{"SESSIONID=" + id + "; path=/"});
  EXPECT_EQ(Events(), "start;");

  HttpResponse again = browser.Get("/show.asp?tag=2");
  EXPECT_EQ(again.body, "A|S1|" + id + "|1|");
  EXPECT_TRUE(SetCookieLines(again).empty());

  // A client that never sends the cookie back gets a new session every time.
  HttpResponse bare1 = site_.Get("/show.asp?tag=3");
  HttpResponse bare2 = site_.Get("/show.asp?tag=4");
  std::vector<std::string> b1 = Fields(bare1.body), b2 = Fields(bare2.body);
  ASSERT_EQ(b1.size(), 5u);
  ASSERT_EQ(b2.size(), 5u);
  EXPECT_EQ(b1[1], "S3");
  EXPECT_EQ(b2[1], "S4");
  EXPECT_NE(b1[2], id);
  EXPECT_NE(b1[2], b2[2]);
  EXPECT_EQ(b2[3], "3");
  EXPECT_EQ(SetCookieLines(bare2), std::vector<std::string>{"SESSIONID=" + b2[2] + "; path=/"});

  // The cookie name is matched exactly.
  HttpResponse lower = site_.Get("/show.asp?tag=5", "Cookie: sessionid=" + id + "\r\n");
  std::vector<std::string> l = Fields(lower.body);
  ASSERT_EQ(l.size(), 5u);
  EXPECT_NE(l[2], id);
  EXPECT_EQ(l[1], "S5");
  EXPECT_EQ(Events(), "start;");  // one application all along
}

TEST_F(StateEndToEnd, SessionValuesLastAcrossRequestsAndSessionIdIsTheCookie) {
  site_.Write("set.asp", "<% Session(\"x\") = 5 %>set");
  site_.Write("get.asp", "<%= Session.Contents(\"x\") %>|<%= TypeName(Session(\"x\")) %>|<%= Session.SessionID %>");
  Start();
  CookieClient browser(site_);
  EXPECT_EQ(browser.Get("/set.asp").body, "set");
  const std::string id = browser.Cookie("SESSIONID");
  EXPECT_EQ(browser.Get("/get.asp").body, "5|Integer|" + id);
  // Another visitor does not see it.
  CookieClient other(site_);
  EXPECT_EQ(Fields(other.Get("/get.asp").body)[0], "");
}

TEST_F(StateEndToEnd, AbandonKeepsTheSessionForTheRequestAndItEndsAfterTheSweep) {
  site_.Write("abandon.asp",
              "<% Session.Abandon : Session(\"y\") = 7 %><%= Session(\"y\") %>|<%= Session.SessionID %>|"
              "<%= Application(\"ended\") %>");
  Start();
  CookieClient browser(site_);
  browser.Get("/show.asp");
  const std::string id = browser.Cookie("SESSIONID");
  HttpResponse abandon = browser.Get("/abandon.asp");
  EXPECT_EQ(abandon.body, "7|" + id + "|");
  EXPECT_EQ(Events(), "start;");  // not ended by the end of the request either

  HttpResponse next = browser.Get("/show.asp");
  std::vector<std::string> fields = Fields(next.body);
  ASSERT_EQ(fields.size(), 5u);
  EXPECT_NE(fields[2], id);
  EXPECT_EQ(SetCookieLines(next), std::vector<std::string>{"SESSIONID=" + fields[2] + "; path=/"});

  std::string body;
  EXPECT_TRUE(WaitForEnd(browser, id, &body)) << body;
  EXPECT_EQ(Events(), "start;end:" + id + ";");
}

TEST_F(StateEndToEnd, TimeOutOfOneMinuteExpiresTheIdleSessionAfterSixtyOneSecondsNotSixty) {
  site_.Write("timeout.asp", "<% Session.TimeOut = 1 %><%= Session.TimeOut %>");
  const int64_t start = WallClockSeconds();
  Start();
  SetLibraryClock(start);
  CookieClient browser(site_);
  EXPECT_EQ(browser.Get("/timeout.asp").body, "1");
  const std::string id = browser.Cookie("SESSIONID");

  SetLibraryClock(start + 60);
  Sleep(kOneSweepMs);
  EXPECT_EQ(Events(), "start;");  // due only when idle for more than the minute

  SetLibraryClock(start + 61);
  CookieClient watcher(site_);  // reads Application without touching the session
  std::string body;
  EXPECT_TRUE(WaitForEnd(watcher, id, &body)) << body;
  EXPECT_NE(Events().find("end:" + id + ";"), std::string::npos);
  // The cookie now names no session: a new one.
  HttpResponse back = browser.Get("/show.asp");
  EXPECT_NE(Fields(back.body)[2], id);
  EXPECT_FALSE(SetCookieLines(back).empty());
}

TEST_F(StateEndToEnd, ChangedDeletedOrCreatedGlobalAsaReplacesTheApplicationAfterItsFirstTenSeconds) {
  const int64_t start = WallClockSeconds();
  const std::string globalAsa = site_.root() + "\\global.asa";
  Start();
  SetLibraryClock(start);
  CookieClient browser(site_);
  browser.Get("/show.asp");
  const std::string first = browser.Cookie("SESSIONID");
  ASSERT_EQ(Events(), "start;");

  // Within the first ten seconds nothing is looked at.
  ASSERT_TRUE(SetFileWriteTime(globalAsa, start - 1000));
  SetLibraryClock(start + 10);
  EXPECT_EQ(Fields(browser.Get("/show.asp").body)[2], first);
  EXPECT_EQ(Events(), "start;");

  // After them the next request gets a new application; the old one ends at once,
  // since no request holds it: its sessions end, then the application.
  SetLibraryClock(start + 11);
  HttpResponse replaced = browser.Get("/show.asp");
  std::vector<std::string> fields = Fields(replaced.body);
  ASSERT_EQ(fields.size(), 5u);
  EXPECT_EQ(fields[0], "A");
  EXPECT_EQ(fields[3], "1");
  EXPECT_NE(fields[2], first);
  EXPECT_EQ(Events(), "start;end:" + first + ";appEnd;start;");
  // Unchanged since: the same application.
  SetLibraryClock(start + 30);
  EXPECT_EQ(Fields(browser.Get("/show.asp").body)[3], "1");

  // Deleted: a new application without events; the old one's end still runs.
  ASSERT_TRUE(DeleteFileA(globalAsa.c_str()));
  HttpResponse without = browser.Get("/show.asp");
  EXPECT_EQ(without.body, "||" + browser.Cookie("SESSIONID") + "||");
  EXPECT_EQ(Events(), "start;end:" + first + ";appEnd;start;end:" + fields[2] + ";appEnd;");

  // Created again: a new application that starts.
  site_.Write("global.asa", EventsGlobalAsa(logPath_));
  SetLibraryClock(start + 50);
  EXPECT_EQ(Fields(browser.Get("/show.asp").body)[0], "A");
  EXPECT_EQ(Events(), "start;end:" + first + ";appEnd;start;end:" + fields[2] + ";appEnd;start;");
}

TEST_F(StateEndToEnd, ReplacedApplicationEndsOnlyWhenItsLastRunningRequestHasFinished) {
  site_.Write("slow.asp", "<% t = Timer\r\nDo While Timer - t < 1.5 And Timer >= t : Loop %><%= Session.SessionID %>");
  const int64_t start = WallClockSeconds();
  Start();
  SetLibraryClock(start);
  CookieClient first(site_);
  first.Get("/show.asp");
  HttpResponse slow;
  std::thread running([&] { slow = site_.Get("/slow.asp"); });
  Sleep(500);
  ASSERT_TRUE(SetFileWriteTime(site_.root() + "\\global.asa", start - 1000));
  SetLibraryClock(start + 11);
  EXPECT_EQ(Fields(site_.Get("/show.asp").body)[0], "A");
  EXPECT_EQ(Events(), "start;start;");  // the old application is still in use
  running.join();
  ASSERT_EQ(slow.status, 200);
  std::string events;
  for (int i = 0; i < 50 && events.find("appEnd") == std::string::npos; ++i) {
    Sleep(100);
    events = Events();
  }
  // Both of its sessions ended, then the application.
  EXPECT_NE(events.find("end:" + first.Cookie("SESSIONID") + ";"), std::string::npos) << events;
  EXPECT_NE(events.find("end:" + slow.body + ";"), std::string::npos) << events;
  EXPECT_EQ(events.rfind("start;start;", 0), 0u) << events;
  EXPECT_EQ(events.size() - events.rfind("appEnd;"), 7u) << events;
}

TEST_F(StateEndToEnd, SessionCodePageIsThePagesThirdChoice) {
  site_.Write("setcp.asp", "<% Session.CodePage = 65001 %><%= Session.CodePage %>");
  site_.Write("e.asp", "<%@ language=JScript %><% Response.Write(String.fromCharCode(233)); %>");
  site_.Write("responsecp.asp",
              "<%@ language=JScript %><% Response.CodePage = 936; Response.Write(String.fromCharCode(233)); %>");
  Start();
  CookieClient browser(site_);
  EXPECT_EQ(browser.Get("/e.asp").body, "\xA8\xA6");  // the system code page (936) before
  EXPECT_EQ(browser.Get("/setcp.asp").body, "65001");
  EXPECT_EQ(browser.Get("/e.asp").body, "\xC3\xA9");
  EXPECT_EQ(browser.Get("/responsecp.asp").body, "\xA8\xA6");
}

TEST_F(StateEndToEnd, RootsDifferingOnlyInCaseAreTwoApplications) {
  site_.Write("app/count.asp", "<% Application(\"n\") = Application(\"n\") + 1 %><%= Application(\"n\") %>");
  std::string upper = site_.root() + "\\APP";
  site_.AddApplication("/a", site_.root() + "\\app");
  site_.AddApplication("/b", upper);
  Start();
  EXPECT_EQ(site_.Get("/a/count.asp").body, "1");
  EXPECT_EQ(site_.Get("/a/count.asp").body, "2");
  EXPECT_EQ(site_.Get("/b/count.asp").body, "1");
  EXPECT_EQ(site_.Get("/count.asp").status, 404);
}

TEST_F(StateEndToEnd, GlobalAsaThatDoesNotCompileRunsNoEventsAndPagesStillRun) {
  site_.Write("global.asa",
              "<script language=VBScript runat=server>Sub Application_OnStart : Application(\"x\") = 1 : End Sub"
              "</script><% y = 1");
  site_.Write("page.asp", "[<%= Application(\"x\") %>]");
  Start();
  HttpResponse page = site_.Get("/page.asp");
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.body, "[]");
  EXPECT_FALSE(SetCookieLines(page).empty());  // sessions all the same
}

TEST_F(StateEndToEnd, ObjectsOfApplicationScopeAreSharedAndOfSessionScopeMadePerSession) {
  site_.Write("global.asa",
              "<object runat=server scope=Application id=shared progid=\"Scripting.Dictionary\"></object>\r\n"
              "<object runat=server scope=Session id=mine progid=\"Scripting.Dictionary\"></object>\r\n"
              "<script language=VBScript runat=server>\r\n"
              "Sub Session_OnStart\r\n  mine.Add \"k\", 0\r\nEnd Sub\r\n</script>\r\n");
  site_.Write("objects.asp",
              "<% shared.Item(\"k\") = shared.Item(\"k\") + 1 : mine.Item(\"k\") = mine.Item(\"k\") + 1 %>"
              "<%= shared.Item(\"k\") %>|<%= mine.Item(\"k\") %>|<%= Application.StaticObjects.Count %>|"
              "<%= Session.StaticObjects.Count %>|<%= Session.StaticObjects.Key(0) %>");
  Start();
  CookieClient one(site_), two(site_);
  EXPECT_EQ(one.Get("/objects.asp").body, "1|1|1|1|mine");
  EXPECT_EQ(one.Get("/objects.asp").body, "2|2|1|1|mine");
  EXPECT_EQ(two.Get("/objects.asp").body, "3|1|1|1|mine");
}

TEST_F(StateEndToEnd, StoredValuesAreCopiesAndStoredObjectsAreReferences) {
  site_.Write("copies.asp",
              "<% s = \"abc\" : Session(\"s\") = s : s = \"xyz\"\r\n"
              "Dim a : a = Array(1, 2) : Session(\"a\") = a : a(0) = 9\r\n"
              "Set d = CreateObject(\"Scripting.Dictionary\") : Set Session(\"d\") = d : d.Add \"k\", \"v\"\r\n"
              "t = Session(\"a\") : Set e = Session(\"d\") %>"
              "<%= Session(\"s\") %>|<%= t(0) %>|<%= e.Item(\"k\") %>");
  site_.Write("later.asp", "<% t = Session(\"a\") : Set e = Session(\"d\") %><%= t(1) %>|<%= e.Count %>");
  site_.Write("remove.asp",
              "<% Set c = Session.Contents : c.RemoveAll\r\n"
              "Session(\"b\") = 1 : Session(\"A\") = 2 : Session(\"c\") = 3\r\n"
              "Response.Write c.Key(0) & c.Count\r\n"
              "c.Remove 0 : Response.Write \"|\" & c.Key(0) & c.Count\r\n"
              "c.Remove -1 : c.Remove 1.5 : Response.Write \"|\" & c.Count\r\n"
              "Session(\"B\") = Empty : Response.Write \"|\" & c.Key(0) & c.Count\r\n"
              "Session(0) = Empty : Response.Write \"|\" & c.Count\r\n"
              "Session(7) = \"seven\" : Response.Write \"|\" & c.Key(0) & Session(\"7\") %>");
  Start();
  CookieClient browser(site_);
  EXPECT_EQ(browser.Get("/copies.asp").body, "abc|1|v");
  EXPECT_EQ(browser.Get("/later.asp").body, "2|1");
  EXPECT_EQ(browser.Get("/remove.asp").body, "A3|b2|2|c1|0|7seven");
}

}  // namespace
