// The host as an HTTP server: static files, directories, refused paths, malformed and
// oversized requests, time-outs and connection handling.
#include <gtest/gtest.h>

#include "HttpRequestHead.h"
#include "TestClient.h"
#include "TestSite.h"

namespace {

ConnectionLimits TestLimits() {
  ConnectionLimits limits;
  limits.receiveTimeoutMs = 1500;  // short, so the time-out cases end quickly
  limits.maxBodyBytes = 1 << 20;
  return limits;
}

class HostHttpTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { site = new TestSite(TEST_EXTENSION_PATH, TestLimits()); }
  static void TearDownTestSuite() {
    delete site;
    site = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(site->started()) << site->startError(); }
  static unsigned port() { return site->port(); }

  // Sends raw bytes on a fresh connection; the response, and whether the server closed
  // the connection after it.
  static HttpResponse Raw(const std::string& bytes, bool* closed = nullptr) {
    TestClient client;
    HttpResponse response;
    if (!client.Connect(port()) || !client.Send(bytes)) return response;
    client.ReadResponse(&response);
    if (closed) *closed = client.ServerClosed();
    return response;
  }
  static TestSite* site;
};
TestSite* HostHttpTest::site = nullptr;

TEST_F(HostHttpTest, APortInUseIsNamedPlainly) {
  HostOptions options;
  options.root = site->root();
  options.port = port();
  HttpServer second(options);
  std::string error;
  ASSERT_FALSE(second.Start(&error));
  EXPECT_EQ("port " + std::to_string(port()) +
                " on 127.0.0.1 is in use by another program: stop it, or choose another port with --port",
            error);
}

TEST_F(HostHttpTest, ServesStaticFilesWithTypeLengthAndDate) {
  HttpResponse response = Fetch(port(), "GET", "/index.html");
  EXPECT_EQ(200, response.status);
  EXPECT_EQ("text/html", response.Header("Content-Type"));
  EXPECT_EQ("13", response.Header("Content-Length"));
  EXPECT_EQ(29u, response.Header("Last-Modified").size());
  EXPECT_EQ(" GMT", response.Header("Last-Modified").substr(25));
  EXPECT_EQ("<p>index</p>\n", response.body);

  EXPECT_EQ("text/css", Fetch(port(), "GET", "/style.css").Header("Content-Type"));
  HttpResponse binary = Fetch(port(), "GET", "/data.bin");
  EXPECT_EQ("application/octet-stream", binary.Header("Content-Type"));
  EXPECT_TRUE(binary.body == TestSite::DataBin());

  HttpResponse head = Fetch(port(), "HEAD", "/data.bin");
  EXPECT_EQ(200, head.status);
  EXPECT_EQ("100000", head.Header("Content-Length"));
  EXPECT_TRUE(head.body.empty());

  HttpResponse post = Fetch(port(), "POST", "/index.html", "", "x=1");
  EXPECT_EQ(405, post.status);
  EXPECT_EQ("GET, HEAD", post.Header("Allow"));
}

TEST_F(HostHttpTest, DirectoriesUseTheirDefaultDocument) {
  EXPECT_EQ("<p>index</p>\n", Fetch(port(), "GET", "/").body);
  EXPECT_EQ("<p>docs</p>\n", Fetch(port(), "GET", "/docs/").body);
  // default.asp wins over index.html and goes to the extension.
  EXPECT_EQ("hello", Fetch(port(), "GET", "/sub/").body);
  HttpResponse redirect = Fetch(port(), "GET", "/docs?x=1");
  EXPECT_EQ(301, redirect.status);
  EXPECT_EQ("/docs/?x=1", redirect.Header("Location"));
  EXPECT_EQ(404, Fetch(port(), "GET", "/empty/").status);
  EXPECT_EQ(404, Fetch(port(), "GET", "/missing.html").status);
  EXPECT_EQ(404, Fetch(port(), "GET", "/missing.asp").status);
}

TEST_F(HostHttpTest, ScriptSourcesAndIncludesAreNeverServed) {
  for (const char* target :
       {"/global.asa", "/GLOBAL.ASA", "/Global.Asa", "/data.asa", "/lib.inc", "/LIB.INC", "/lib%2einc", "/global.asa.",
        "/global.asa%20", "/page.asp.", "/page.asp%20", "/page.asp::$DATA", "/lib.inc::$DATA"}) {
    HttpResponse response = Fetch(port(), "GET", target);
    EXPECT_EQ(404, response.status) << target;
    EXPECT_EQ(std::string::npos, response.body.find("runat")) << target;
    EXPECT_EQ(std::string::npos, response.body.find("included")) << target;
    EXPECT_EQ(std::string::npos, response.body.find("<%")) << target;
  }
}

TEST_F(HostHttpTest, NoPathLeavesTheRoot) {
  const char* attempts[] = {
      "/../secret.txt",
      "/%2e%2e/secret.txt",
      "/%2E%2E/secret.txt",
      "/.%2e/secret.txt",
      "/%2e./secret.txt",
      "/..%2fsecret.txt",
      "/..%2Fsecret.txt",
      "/..%5csecret.txt",
      "/..\\secret.txt",
      "/sub/../../secret.txt",
      "/sub/%2e%2e/%2e%2e/secret.txt",
      "/sub/..%5c..%5csecret.txt",
      "/sub%2f..%2f..%2fsecret.txt",
      "/./../secret.txt",
      "/%252e%252e/secret.txt",
      "/..%c0%afsecret.txt",
      "/docs/../../site/../secret.txt",
      "/app2/../../secret.txt",
      "/C:%5cwindows%5cwin.ini",
      "/index.html%00.txt",
  };
  for (const char* target : attempts) {
    HttpResponse response = Fetch(port(), "GET", target);
    EXPECT_TRUE(response.status == 400 || response.status == 403 || response.status == 404)
        << target << " " << response.status;
    EXPECT_EQ(std::string::npos, response.body.find(kSecret)) << target;
  }
}

TEST_F(HostHttpTest, MalformedRequestsGet400AndTheConnectionCloses) {
  const std::pair<const char*, int> cases[] = {
      {"GARBAGE\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nBad Header\r\n\r\n", 400},
      {"GET / HTTP/2.0\r\n\r\n", 505},
      {"GET /%zz HTTP/1.1\r\nHost: h\r\n\r\n", 400},
      {"GET /index.html HTTP/1.1\r\nUser-Agent: no-host\r\n\r\n", 400},
      {"POST /page.asp HTTP/1.1\r\nHost: h\r\nContent-Length: abc\r\n\r\n", 400},
      {"POST /page.asp HTTP/1.1\r\nHost: h\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd", 400},
      {"POST /page.asp HTTP/1.1\r\nHost: h\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", 400},
      {"POST /page.asp HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: gzip\r\n\r\n", 501},
      {"POST /page.asp HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", 400},
      {"POST /page.asp HTTP/1.1\r\nHost: h\r\nContent-Length: 1\r\nExpect: magic\r\n\r\n", 417},
  };
  std::vector<std::pair<std::string, int>> all(std::begin(cases), std::end(cases));
  all.emplace_back(std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n", 15), 400);  // a TLS hello
  for (const auto& [bytes, status] : all) {
    bool closed = false;
    HttpResponse response = Raw(bytes, &closed);
    EXPECT_EQ(status, response.status) << bytes;
    EXPECT_TRUE(closed) << bytes;
  }
  EXPECT_EQ(200, Fetch(port(), "GET", "/index.html").status);
}

TEST_F(HostHttpTest, AbsoluteFormTargetsAreServedLikeTheirPath) {
  HttpResponse response = Raw("GET http://127.0.0.1/index.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  EXPECT_EQ(200, response.status);
  EXPECT_EQ(Fetch(port(), "GET", "/index.html").body, response.body);
  EXPECT_EQ(200, Raw("GET HTTP://127.0.0.1:1/page.asp?x=1 HTTP/1.0\r\n\r\n").status);
}

TEST_F(HostHttpTest, HeadAndBodyLimitsHoldOnBothSides) {
  std::string start = "GET /index.html HTTP/1.1\r\nHost: h\r\nX: ";
  std::string fits = start + std::string(kMaxRequestHeadBytes - start.size() - 4, 'v') + "\r\n\r\n";
  EXPECT_EQ(200, Raw(fits).status);
  std::string over = start + std::string(kMaxRequestHeadBytes - start.size() - 3, 'v') + "\r\n\r\n";
  bool closed = false;
  EXPECT_EQ(431, Raw(over, &closed).status);
  EXPECT_TRUE(closed);
  EXPECT_EQ(431, Raw(start + std::string(100000, 'v'), &closed).status);

  std::string limit(1 << 20, 'b');
  EXPECT_EQ(200, Fetch(port(), "POST", "/page.asp?echo", "", limit).status);
  HttpResponse tooLarge = Raw("POST /page.asp?echo HTTP/1.1\r\nHost: h\r\nContent-Length: 1048577\r\n\r\n", &closed);
  EXPECT_EQ(413, tooLarge.status);
  EXPECT_TRUE(closed);
  std::string chunked = "POST /page.asp?echo HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n100001\r\n" +
                        std::string(0x100001, 'c') + "\r\n0\r\n\r\n";
  EXPECT_EQ(413, Raw(chunked).status);
}

TEST_F(HostHttpTest, SlowAndIdleClientsAreTimedOut) {
  TestClient slow;
  ASSERT_TRUE(slow.Connect(port()));
  ASSERT_TRUE(slow.Send("GET /index.html HTTP/1.1\r\nHost:"));
  HttpResponse response;
  ASSERT_TRUE(slow.ReadResponse(&response));  // after the server's receive time-out
  EXPECT_EQ(408, response.status);
  EXPECT_TRUE(slow.ServerClosed());

  TestClient idle;
  ASSERT_TRUE(idle.Connect(port()));
  ASSERT_TRUE(idle.Send("GET /index.html HTTP/1.1\r\nHost: h\r\n\r\n"));
  ASSERT_TRUE(idle.ReadResponse(&response));
  EXPECT_TRUE(idle.ServerClosed());  // nothing more came: the connection is closed, silently
}

TEST_F(HostHttpTest, ConnectionHeadersDecideKeepAlive) {
  struct Case {
    const char* request;
    bool closes;
  };
  const Case cases[] = {
      {"GET /index.html HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n", true},
      {"GET /index.html HTTP/1.0\r\n\r\n", true},
      {"GET /page.asp HTTP/1.0\r\n\r\n", true},
  };
  for (const Case& c : cases) {
    bool closed = false;
    HttpResponse response = Raw(c.request, &closed);
    EXPECT_EQ(200, response.status) << c.request;
    EXPECT_EQ("close", response.Header("Connection")) << c.request;
    EXPECT_EQ(c.closes, closed) << c.request;
  }
  TestClient client;
  ASSERT_TRUE(client.Connect(port()));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(client.Send("GET /page.asp HTTP/1.0\r\nConnection: keep-alive\r\n\r\n"));
    HttpResponse response;
    ASSERT_TRUE(client.ReadResponse(&response));
    EXPECT_EQ("hello", response.body);
    EXPECT_FALSE(response.HasHeader("Connection"));
  }
}

}  // namespace
