// The host with the test extension, driven by a real HTTP client over loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "TestClient.h"
#include "TestSite.h"

namespace {

ConnectionLimits TestLimits() {
  ConnectionLimits limits;
  limits.receiveTimeoutMs = 3000;
  limits.maxBodyBytes = 1 << 20;
  return limits;
}

class HostExtensionTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { site = new TestSite(TEST_EXTENSION_PATH, TestLimits()); }
  static void TearDownTestSuite() {
    delete site;
    site = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(site->started()) << site->startError(); }
  static unsigned port() { return site->port(); }
  static TestSite* site;
};
TestSite* HostExtensionTest::site = nullptr;

std::string Fnv(const std::string& data) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : data) hash = (hash ^ c) * 16777619u;
  char text[16];
  std::snprintf(text, sizeof text, "%08x", hash);
  return text;
}

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>('A' + (i * 31 + i / 97) % 50);
  return data;
}

TEST_F(HostExtensionTest, ControlBlockCarriesTheRequest) {
  HttpResponse response = Fetch(port(), "GET", "/page.asp?ecb=1&x=%20y");
  EXPECT_EQ(200, response.status);
  EXPECT_EQ(std::to_string(sizeof(EXTENSION_CONTROL_BLOCK)) + "|" + std::to_string(HSE_VERSION) +
                "|GET|ecb=1&x=%20y|/page.asp|" + site->root() + "\\page.asp|0|0|",
            response.body);

  response = Fetch(port(), "POST", "/sub/?ecb", "Content-Type: application/x-www-form-urlencoded\r\n", "a=1&b=2");
  EXPECT_EQ("|POST|ecb|/sub/default.asp|" + site->root() + "\\sub\\default.asp|7|7|application/x-www-form-urlencoded",
            response.body.substr(response.body.find('|', response.body.find('|') + 1)));

  response = Fetch(port(), "GET", "/upper.ASP?ecb");
  EXPECT_NE(std::string::npos, response.body.find("|/upper.ASP|"));
}

TEST_F(HostExtensionTest, ServerVariablesFollowTheSizeProtocol) {
  const std::string root = site->root() + "\\";
  const std::pair<std::string, std::string> cases[] = {
      {"REQUEST_METHOD", "GET"},
      {"PATH_INFO", "/page.asp"},
      {"URL", "/page.asp"},
      {"SCRIPT_NAME", "/page.asp"},
      {"PATH_TRANSLATED", root + "page.asp"},
      {"SCRIPT_FILENAME", root + "page.asp"},
      {"APPL_PHYSICAL_PATH", root},
      {"SERVER_PROTOCOL", "HTTP/1.1"},
      {"SERVER_SOFTWARE", "isapi-host/1.0"},
      {"SERVER_PORT", std::to_string(port())},
      {"SERVER_NAME", "example.test"},
      {"REMOTE_ADDR", "127.0.0.1"},
      {"REMOTE_HOST", "127.0.0.1"},
      {"CONTENT_LENGTH", "0"},
      {"CONTENT_TYPE", ""},
      {"HTTP_USER_AGENT", "probe/1"},
      {"HTTP_X_CUSTOM_HEADER", "custom value"},
      {"ALL_HTTP", "HTTP_HOST:example.test:1234\nHTTP_USER_AGENT:probe/1\nHTTP_X_CUSTOM_HEADER:custom value\n"},
      {"ALL_RAW", "Host: example.test:1234\r\nUser-Agent: probe/1\r\nX-Custom-Header: custom value\r\n"},
  };
  TestClient client;
  ASSERT_TRUE(client.Connect(port()));
  for (const auto& [name, value] : cases) {
    std::string query = "var=" + name;
    ASSERT_TRUE(client.Send("GET /page.asp?" + query +
                            " HTTP/1.1\r\nHost: example.test:1234\r\nUser-Agent: probe/1\r\n"
                            "X-Custom-Header: custom value\r\n\r\n"));
    HttpResponse response;
    ASSERT_TRUE(client.ReadResponse(&response)) << name;
    // ok:needed:too-small-answer:its-error:its-size:exact-answer:exact-size:value
    std::string size = std::to_string(value.size() + 1);
    EXPECT_EQ("ok:" + size + ":0:122:" + size + ":1:" + size + ":" + value, response.body) << name;
  }
  EXPECT_EQ("err:1413", Fetch(port(), "GET", "/page.asp?var=NO_SUCH_VARIABLE").body);
  EXPECT_EQ("err:232", Fetch(port(), "GET", "/page.asp?var=HTTP_NOT_SENT").body);
  EXPECT_EQ("ok:" + std::to_string(site->appRoot().size() + 2) +
                ":0:122:" + std::to_string(site->appRoot().size() + 2) +
                ":1:" + std::to_string(site->appRoot().size() + 2) + ":" + site->appRoot() + "\\",
            Fetch(port(), "GET", "/app2/page.asp?var=APPL_PHYSICAL_PATH").body);
}

TEST_F(HostExtensionTest, BodiesArePreloadedUpTo48KAndTheRestIsRead) {
  struct Case {
    size_t size;
    size_t available;
  };
  for (Case c : {Case{0, 0}, Case{1000, 1000}, Case{49152, 49152}, Case{49153, 49152}, Case{200000, 49152}}) {
    std::string body = Pattern(c.size);
    HttpResponse response = Fetch(port(), "POST", "/page.asp?echo", "", body);
    EXPECT_EQ("total=" + std::to_string(c.size) + " available=" + std::to_string(c.available) +
                  " read=" + std::to_string(c.size - c.available) + " hash=" + Fnv(body),
              response.body)
        << c.size;
  }
}

TEST_F(HostExtensionTest, ChunkedRequestBodiesAreDecoded) {
  std::string body = Pattern(70000);
  std::string chunked;
  for (size_t offset = 0; offset < body.size(); offset += 9000) {
    std::string piece = body.substr(offset, 9000);
    char size[16];
    std::snprintf(size, sizeof size, "%zx", piece.size());
    chunked += std::string(size) + "\r\n" + piece + "\r\n";
  }
  chunked += "0\r\n\r\n";
  TestClient client;
  ASSERT_TRUE(client.Connect(port()));
  ASSERT_TRUE(client.Send("POST /page.asp?echo HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n" + chunked +
                          "GET /page.asp HTTP/1.1\r\nHost: h\r\n\r\n"));
  HttpResponse response;
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_EQ("total=70000 available=49152 read=20848 hash=" + Fnv(body), response.body);
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_EQ("hello", response.body);
}

TEST_F(HostExtensionTest, ExpectContinueGetsAnInterimResponse) {
  TestClient client;
  ASSERT_TRUE(client.Connect(port()));
  ASSERT_TRUE(
      client.Send("POST /page.asp?echo HTTP/1.1\r\nHost: h\r\nContent-Length: 5\r\nExpect: 100-continue\r\n\r\n"));
  HttpResponse interim;
  ASSERT_TRUE(client.ReadResponse(&interim));
  EXPECT_EQ("HTTP/1.1 100 Continue", interim.statusLine);
  ASSERT_TRUE(client.Send("abcde"));
  HttpResponse response;
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_EQ("total=5 available=5 read=0 hash=" + Fnv("abcde"), response.body);
}

TEST_F(HostExtensionTest, PipelinedRequestsAreAnsweredInOrder) {
  TestClient client;
  ASSERT_TRUE(client.Connect(port()));
  ASSERT_TRUE(
      client.Send("GET /page.asp?var=URL HTTP/1.1\r\nHost: h\r\n\r\n"
                  "GET /index.html HTTP/1.1\r\nHost: h\r\n\r\n"
                  "POST /page.asp?echo HTTP/1.1\r\nHost: h\r\nContent-Length: 3\r\n\r\nxyz"
                  "GET /page.asp?chunks=3&size=20000 HTTP/1.1\r\nHost: h\r\n\r\n"
                  "GET /page.asp HTTP/1.1\r\nHost: h\r\n\r\n"));
  HttpResponse response;
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_EQ("ok:10:0:122:10:1:10:/page.asp", response.body);
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_EQ("<p>index</p>\n", response.body);
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_EQ("total=3 available=3 read=0 hash=" + Fnv("xyz"), response.body);
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_TRUE(response.chunked);
  EXPECT_EQ(std::string(20000, 'a') + std::string(20000, 'b') + std::string(20000, 'c'), response.body);
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_EQ("hello", response.body);
}

TEST_F(HostExtensionTest, ResponsesWithoutLengthAreFramedByTheServer) {
  // Small: gathered and sent with a length.
  HttpResponse small = Fetch(port(), "GET", "/page.asp?chunks=3&size=10");
  EXPECT_EQ("30", small.Header("Content-Length"));
  EXPECT_FALSE(small.chunked);
  EXPECT_EQ(std::string(10, 'a') + std::string(10, 'b') + std::string(10, 'c'), small.body);

  // Large on HTTP/1.1 keep-alive: chunked, and the connection stays usable.
  TestClient client;
  ASSERT_TRUE(client.Connect(port()));
  ASSERT_TRUE(client.Send("GET /page.asp?chunks=10&size=5000 HTTP/1.1\r\nHost: h\r\n\r\n"));
  HttpResponse large;
  ASSERT_TRUE(client.ReadResponse(&large));
  EXPECT_TRUE(large.chunked);
  EXPECT_FALSE(large.HasHeader("Content-Length"));
  EXPECT_EQ(50000u, large.body.size());
  EXPECT_EQ(std::string(5000, 'j'), large.body.substr(45000));
  ASSERT_TRUE(client.Send("GET /page.asp HTTP/1.1\r\nHost: h\r\n\r\n"));
  ASSERT_TRUE(client.ReadResponse(&large));
  EXPECT_EQ("hello", large.body);

  // Large on HTTP/1.0: no chunks, the connection closes after the body.
  TestClient old;
  ASSERT_TRUE(old.Connect(port()));
  ASSERT_TRUE(old.Send("GET /page.asp?chunks=10&size=5000 HTTP/1.0\r\n\r\n"));
  HttpResponse closed;
  ASSERT_TRUE(old.ReadResponse(&closed));
  EXPECT_FALSE(closed.chunked);
  EXPECT_EQ("close", closed.Header("Connection"));
  EXPECT_EQ(50000u, closed.body.size());
}

TEST_F(HostExtensionTest, TheServerSuppliesTheHeadAnExtensionDidNotSend) {
  HttpResponse response = Fetch(port(), "GET", "/page.asp?nohead");
  EXPECT_EQ("HTTP/1.1 200 OK", response.statusLine);
  EXPECT_EQ("text/html", response.Header("Content-Type"));
  EXPECT_EQ("written without a head", response.body);

  response = Fetch(port(), "GET", "/page.asp?nothing");
  EXPECT_EQ(200, response.status);
  EXPECT_EQ("0", response.Header("Content-Length"));

  response = Fetch(port(), "GET", "/page.asp?error");
  EXPECT_EQ(500, response.status);

  response = Fetch(port(), "GET", "/page.asp?twice");
  EXPECT_EQ("HTTP/1.1 200 OK", response.statusLine);
  EXPECT_FALSE(response.HasHeader("X-Again"));
  EXPECT_EQ("first=1 second=0:87", response.body);

  response = Fetch(port(), "GET", "/page.asp?status");
  EXPECT_EQ("HTTP/1.1 404 Not Here", response.statusLine);
  EXPECT_EQ("yes", response.Header("X-Test"));
  EXPECT_EQ("missing", response.body);
}

TEST_F(HostExtensionTest, HeadRequestsGetTheHeadOnly) {
  TestClient client;
  ASSERT_TRUE(client.Connect(port()));
  ASSERT_TRUE(
      client.Send("HEAD /page.asp?chunks=2&size=100 HTTP/1.1\r\nHost: h\r\n\r\n"
                  "GET /page.asp HTTP/1.1\r\nHost: h\r\n\r\n"));
  HttpResponse head;
  ASSERT_TRUE(client.ReadResponse(&head, true));
  EXPECT_EQ(200, head.status);
  EXPECT_EQ("200", head.Header("Content-Length"));
  HttpResponse next;
  ASSERT_TRUE(client.ReadResponse(&next));
  EXPECT_EQ("hello", next.body);  // nothing of the HEAD body came in between
}

TEST_F(HostExtensionTest, SupportFunctionsAnswerAsDocumented) {
  EXPECT_EQ("token:1:1 exec:0:50 unknown:0:87", Fetch(port(), "GET", "/page.asp?support").body);
  // The log line is written after the response went out, and before the worker reads
  // the next request of the same connection: the second answer orders the two.
  TestClient client;
  ASSERT_TRUE(client.Connect(port()));
  ASSERT_TRUE(
      client.Send("GET /page.asp?log=note-from-extension HTTP/1.1\r\nHost: h\r\n\r\n"
                  "GET /page.asp HTTP/1.1\r\nHost: h\r\n\r\n"));
  HttpResponse response;
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_EQ("logged", response.body);
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_EQ("hello", response.body);
  std::string log = site->ReadAccessLog();
  EXPECT_NE(std::string::npos, log.find("\"GET /page.asp?log=note-from-extension HTTP/1.1\" 200 6 ")) << log;
  EXPECT_NE(std::string::npos, log.find(" \"note-from-extension\"\n")) << log;
}

TEST_F(HostExtensionTest, AClientLeavingMidResponseDoesNotHurtTheServer) {
  for (int round = 0; round < 3; ++round) {
    TestClient client;
    ASSERT_TRUE(client.Connect(port()));
    ASSERT_TRUE(client.Send("GET /page.asp?stream HTTP/1.1\r\nHost: h\r\n\r\n"));
    HttpResponse partial;
    ASSERT_TRUE(client.ReadResponse(&partial, true));  // the head only
    EXPECT_TRUE(partial.chunked || partial.Header("Transfer-Encoding") == "chunked");
    client.Abort();
  }
  EXPECT_EQ("hello", Fetch(port(), "GET", "/page.asp").body);
}

TEST_F(HostExtensionTest, ThirtyTwoKeepAliveClientsAtOnce) {
  constexpr int kClients = 32;
  constexpr int kRequests = 25;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int c = 0; c < kClients; ++c) {
    threads.emplace_back([&, c] {
      TestClient client;
      if (!client.Connect(port())) {
        ++failures;
        return;
      }
      for (int i = 0; i < kRequests; ++i) {
        bool extension = (i + c) % 2 == 0;
        std::string target = extension ? "/page.asp?var=QUERY_STRING&n=" + std::to_string(c * 100 + i) : "/index.html";
        HttpResponse response;
        if (!client.Send("GET " + target + " HTTP/1.1\r\nHost: h\r\n\r\n") || !client.ReadResponse(&response)) {
          ++failures;
          return;
        }
        std::string query = "var=QUERY_STRING&n=" + std::to_string(c * 100 + i);
        std::string size = std::to_string(query.size() + 1);
        std::string expected =
            extension ? "ok:" + size + ":0:122:" + size + ":1:" + size + ":" + query : "<p>index</p>\n";
        if (response.status != 200 || response.body != expected) ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, failures.load());
}

}  // namespace
