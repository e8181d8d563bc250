// Pages written to take the server down, served end to end by isapi-host with the real
// vellum.dll: endless loops, recursion without end, unbounded buffered output, hostile
// error texts, code left unclosed. Every case is followed by a check that the server
// still answers other clients.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "PageSite.h"
#include "host/CResponseObject.h"

namespace {

using Clock = std::chrono::steady_clock;

// The page time-out the runaway pages set, and how late their answer may come: the
// check sees the deadline within a second of it, the sweep at most 5 s after it.
constexpr int kScriptTimeoutSeconds = 2;
constexpr double kLatestAnswerSeconds = kScriptTimeoutSeconds + 5 + 1;
// Resident memory a page with a full buffer may add on top of the buffer limit: its
// script's own strings (a 1 MB string is 2 MB as a BSTR) and the engine's heap.
constexpr size_t kResidentMarginBytes = 64u << 20;

const char kHello[] = "<% Response.Write \"hello\" %>";

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The resident memory of this process (the server runs in it), as Linux counts it.
size_t ResidentBytes() {
  std::ifstream status("Z:\\proc\\self\\status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stoull(line.substr(6)) * 1024;
  }
  return 0;
}

class HostilePages : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = new PageSite;
    PageSite& s = *site_;
    const std::string timeout = "Server.ScriptTimeout = " + std::to_string(kScriptTimeoutSeconds);
    s.Write("hello.asp", kHello);
    s.Write("vbloop.asp", "<% " + timeout + " : Do : Loop %>");
    s.Write("jsloop.asp", "<%@ language=JScript %><% Server.ScriptTimeout = 2; while (true) {} %>");
    s.Write("vbsubloop.asp", "<% " + timeout + "\r\nSub Spin()\r\n  While True\r\n  Wend\r\nEnd Sub\r\nSpin %>");
    s.Write("jsfunctionloop.asp",
            "<%@ language=JScript %><% Server.ScriptTimeout = 2;\r\nfunction spin() { for (;;) {} }\r\nspin(); %>");
    s.Write("vbend.asp", "<% For i = 1 To 1000000\r\nResponse.Write i\r\nIf i = 3 Then Response.End\r\nNext %>");
    s.Write("jsend.asp",
            "<%@ language=JScript %><% for (var i = 1; ; i++) { Response.Write(i); if (i == 3) Response.End(); } %>");
    s.Write("recursion.asp",
            "<% Sub R(n)\r\n  If n < 100000 Then R n + 1\r\nEnd Sub\r\nR 0\r\nResponse.Write \"never\" %>");
    s.Write("jsrecursion.asp",
            "<%@ language=JScript %><% function r(n) { return n < 100000 ? r(n + 1) : n; } r(0); %>");
    s.Write("fine.asp",
            "<% Function F(n)\r\nIf n = 0 Then F = 0 Else F = 1 + F(n - 1)\r\nEnd Function\r\n"
            "Response.Write F(200) %>");
    s.Write("selfexecute.asp", "<% Server.Execute \"selfexecute.asp\" %>");
    s.Write("bigbuffer.asp", "<% s = String(1048576, \"x\")\r\nFor i = 1 To 100000\r\nResponse.Write s\r\nNext %>");
    s.Write("bigflush.asp",
            "<% s = String(1048576, \"x\")\r\nFor i = 1 To 16\r\nResponse.Write s\r\nResponse.Flush\r\nNext %>");
    s.Write("swallowed.asp",
            "<% On Error Resume Next\r\ns = String(1048576, \"x\")\r\nFor i = 1 To 10\r\nResponse.Write s\r\nNext\r\n"
            "Response.Write \"end\" %>");
    s.Write("sub/inject.asp", "<p>\r\n<% Err.Raise 5, \"src<b>\", \"<script>alert('1')</script> & \"\"q\"\"\" %>");
    s.Write("unclosed.asp", "<p>a</p><script runat=server>Response.Write \"secret\"\r\n");
    std::string error;
    ASSERT_TRUE(s.Start(&error, [](HostOptions* options) { options->threads = 4; })) << error;
  }
  static void TearDownTestSuite() {
    delete site_;
    site_ = nullptr;
  }

  static HttpResponse Get(const std::string& target) { return site_->Get(target); }
  static void ExpectStillServing() { EXPECT_EQ("hello", Get("/hello.asp").body); }

  static PageSite* site_;
};

PageSite* HostilePages::site_ = nullptr;

TEST_F(HostilePages, EndlessLoopsEndWithTheTimeOutReport) {
  for (const char* page : {"/vbloop.asp", "/jsloop.asp", "/vbsubloop.asp", "/jsfunctionloop.asp"}) {
    Clock::time_point start = Clock::now();
    HttpResponse r = Get(page);
    double seconds = SecondsSince(start);
    EXPECT_EQ(500, r.status) << page;
    EXPECT_NE(std::string::npos, r.body.find("Script timed out")) << page << ": " << r.body;
    EXPECT_GE(seconds, kScriptTimeoutSeconds - 0.5) << page;
    EXPECT_LT(seconds, kLatestAnswerSeconds) << page;
    ExpectStillServing();
  }
}

TEST_F(HostilePages, EndInsideALoopStillStopsThePageSilently) {
  HttpResponse vb = Get("/vbend.asp");
  EXPECT_EQ(200, vb.status);
  EXPECT_EQ("123", vb.body);
  EXPECT_EQ("123", Get("/jsend.asp").body);
  ExpectStillServing();
}

TEST_F(HostilePages, MoreRunawayPagesThanWorkersDoNotShutOutOtherClients) {
  constexpr int kRunaways = 8;  // twice the workers
  std::vector<std::thread> clients;
  std::atomic<int> timedOut{0};
  Clock::time_point start = Clock::now();
  for (int i = 0; i < kRunaways; ++i) {
    clients.emplace_back([&timedOut, i] {
      HttpResponse r = Get(i % 2 ? "/jsloop.asp" : "/vbloop.asp");
      if (r.status == 500 && r.body.find("Script timed out") != std::string::npos) ++timedOut;
    });
  }
  Sleep(300);
  HttpResponse hello = Get("/hello.asp");
  double seconds = SecondsSince(start);
  for (std::thread& client : clients) client.join();
  EXPECT_EQ("hello", hello.body);
  // Two rounds of runaway pages at most stand before it, each stopped at its deadline.
  EXPECT_LT(seconds, 2 * kLatestAnswerSeconds);
  EXPECT_EQ(kRunaways, timedOut.load());
  ExpectStillServing();
}

TEST_F(HostilePages, RecursionWithoutEndEndsWithOutOfStackSpace) {
  HttpResponse vb = Get("/recursion.asp");
  EXPECT_EQ(500, vb.status);
  EXPECT_NE(std::string::npos, vb.body.find("error '800a001c'")) << vb.body;
  EXPECT_EQ(std::string::npos, vb.body.find("never"));
  HttpResponse js = Get("/jsrecursion.asp");
  EXPECT_EQ(500, js.status);
  EXPECT_NE(std::string::npos, js.body.find("800a001c")) << js.body;
  EXPECT_EQ("200", Get("/fine.asp").body);  // honest recursion is left alone
  ExpectStillServing();
  // Again, on every worker.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(500, Get("/recursion.asp").status);
  ExpectStillServing();
}

TEST_F(HostilePages, APageExecutingItselfStopsWithAClearError) {
  HttpResponse r = Get("/selfexecute.asp");
  EXPECT_NE(std::string::npos, r.body.find("Server.Execute nested more than 16 pages deep")) << r.body;
  ExpectStillServing();
}

TEST_F(HostilePages, BufferedOutputStopsAtTheLimitAndFlushedOutputStreams) {
  size_t before = ResidentBytes();
  std::atomic<size_t> peak{before};
  std::atomic<bool> done{false};
  std::thread watch([&] {
    while (!done) {
      size_t now = ResidentBytes();
      if (now > peak) peak = now;
      Sleep(10);
    }
  });
  HttpResponse r = Get("/bigbuffer.asp");
  done = true;
  watch.join();
  EXPECT_EQ(500, r.status);
  EXPECT_NE(std::string::npos, r.body.find("response buffer limit exceeded")) << r.body.substr(0, 500);
  EXPECT_NE(std::string::npos, r.body.find(std::to_string(kDefaultResponseBufferLimit))) << r.body.substr(0, 500);
  EXPECT_LT(r.body.size(), size_t{4096});  // nothing of the buffer goes out
  ASSERT_GT(before, 0u) << "resident memory unknown";
  EXPECT_LT(peak - before, kDefaultResponseBufferLimit + kResidentMarginBytes);

  HttpResponse flushed = Get("/bigflush.asp");
  EXPECT_EQ(200, flushed.status);
  EXPECT_EQ(16u << 20, flushed.body.size());

  // A script that swallows the error still fails the page, with the report.
  HttpResponse swallowed = Get("/swallowed.asp");
  EXPECT_EQ(500, swallowed.status);
  EXPECT_NE(std::string::npos, swallowed.body.find("response buffer limit exceeded")) << swallowed.body;
  EXPECT_EQ(std::string::npos, swallowed.body.find("xxxx"));
  ExpectStillServing();
}

TEST_F(HostilePages, ErrorReportsEncodeScriptTextAndHideThePhysicalPath) {
  HttpResponse r = Get("/sub/inject.asp");
  EXPECT_EQ(500, r.status);
  EXPECT_EQ(std::string::npos, r.body.find("<script>")) << r.body;
  EXPECT_NE(std::string::npos, r.body.find("&lt;script&gt;alert(&apos;1&apos;)&lt;/script&gt; &amp; &quot;q&quot;"))
      << r.body;
  EXPECT_NE(std::string::npos, r.body.find("<p>src&lt;b&gt; error '800a0005'</p>")) << r.body;
  EXPECT_NE(std::string::npos, r.body.find("<p>/sub/inject.asp,line 2</p>")) << r.body;
  EXPECT_EQ(std::string::npos, r.body.find(site_->root())) << r.body;
  ExpectStillServing();
}

TEST_F(HostilePages, AScriptElementWithoutItsEndTagFailsThePage) {
  HttpResponse r = Get("/unclosed.asp");
  EXPECT_EQ(500, r.status);
  EXPECT_EQ(std::string::npos, r.body.find("secret")) << r.body;
  EXPECT_NE(std::string::npos, r.body.find("script \xC3\xBB\xD3\xD0\xB9\xD8\xB1\xD5\xB1\xEA\xBC\xC7"))
      << r.body;  // 没有关闭标记
  ExpectStillServing();
}

// The host's settings reach the extension: a smaller buffer limit and reports that may
// show physical paths.
TEST(HostilePagesWithHostSettings, BufferLimitAndDebugErrorsComeFromTheHost) {
  PageSite site;
  site.Write("hello.asp", kHello);
  site.Write("big.asp", "<% Response.Write String(70000, \"x\") %>");
  site.Write("flushed.asp", "<% For i = 1 To 4 : Response.Write String(60000, \"x\") : Response.Flush : Next %>");
  site.Write("fail.asp", "<% x = 1 / 0 %>");
  std::string error;
  ASSERT_TRUE(site.Start(&error, [](HostOptions* options) {
    options->responseBufferLimit = 65536;
    options->debugErrors = true;
  })) << error;
  HttpResponse big = site.Get("/big.asp");
  EXPECT_EQ(500, big.status);
  EXPECT_NE(std::string::npos, big.body.find("more than 65536 bytes")) << big.body;
  EXPECT_EQ(240000u, site.Get("/flushed.asp").body.size());
  HttpResponse fail = site.Get("/fail.asp");
  EXPECT_EQ(500, fail.status);
  EXPECT_NE(std::string::npos, fail.body.find("<p>" + site.root() + "\\fail.asp,line 1</p>")) << fail.body;
  EXPECT_EQ("hello", site.Get("/hello.asp").body);
}

}  // namespace
