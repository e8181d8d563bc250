// The host under clients that hold connections without finishing a request, and at its
// connection limits: waiting for heads and bodies must hold no worker thread.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "TestClient.h"
#include "TestSite.h"

namespace {

constexpr unsigned kWorkers = 4;

// Long enough that a server which let idle clients hold its workers would leave the
// test's own request unanswered past the client's receive time-out.
ConnectionLimits PatientLimits() {
  ConnectionLimits limits;
  limits.receiveTimeoutMs = 60000;
  limits.headDeadlineMs = 60000;
  return limits;
}

std::vector<std::unique_ptr<TestClient>> Connect(unsigned port, unsigned count, const std::string& firstBytes) {
  std::vector<std::unique_ptr<TestClient>> clients;
  for (unsigned i = 0; i < count; ++i) {
    auto client = std::make_unique<TestClient>();
    if (!client->Connect(port) || (!firstBytes.empty() && !client->Send(firstBytes))) break;
    clients.push_back(std::move(client));
  }
  return clients;
}

TEST(ServerLoad, IdleAndSlowClientsHoldNoWorker) {
  TestSite site(TEST_EXTENSION_PATH, PatientLimits(), 0, kWorkers);
  ASSERT_TRUE(site.started()) << site.startError();
  // Twice as many idle connections as workers, and as many heads sent in part...
  auto idle = Connect(site.port(), 2 * kWorkers, "");
  auto slow = Connect(site.port(), 2 * kWorkers, "GET /page.asp?slow HTTP/1.1\r\nHo");
  ASSERT_EQ(2 * kWorkers, idle.size());
  ASSERT_EQ(2 * kWorkers, slow.size());
  // ...a small form still trickling in after its head...
  TestClient form;
  ASSERT_TRUE(form.Connect(site.port()));
  ASSERT_TRUE(form.Send("POST /page.asp?echo HTTP/1.1\r\nHost: h\r\nContent-Length: 6\r\n\r\nab"));

  // ...and other clients are answered at once (extension and static files alike).
  for (const char* target : {"/page.asp", "/index.html", "/page.asp"}) {
    HttpResponse response = Fetch(site.port(), "GET", target);
    EXPECT_EQ(200, response.status) << target;
  }

  // The slow ones were kept and are answered once their requests are whole.
  for (auto& client : slow) ASSERT_TRUE(client->Send("st: h\r\n\r\n"));
  for (auto& client : slow) {
    HttpResponse response;
    ASSERT_TRUE(client->ReadResponse(&response));
    EXPECT_EQ("hello", response.body);
  }
  ASSERT_TRUE(form.Send("cdef"));
  HttpResponse echoed;
  ASSERT_TRUE(form.ReadResponse(&echoed));
  // The whole body was there when the extension was called.
  EXPECT_EQ(0u, echoed.body.find("total=6 available=6 read=0")) << echoed.body;
  // An idle connection still takes a request after all that.
  ASSERT_TRUE(idle.front()->Send("GET /index.html HTTP/1.1\r\nHost: h\r\n\r\n"));
  HttpResponse late;
  ASSERT_TRUE(idle.front()->ReadResponse(&late));
  EXPECT_EQ(200, late.status);
}

TEST(ServerLoad, ConnectionsBeyondTheLimitsGet503) {
  for (bool perClient : {true, false}) {
    SCOPED_TRACE(perClient ? "per client" : "in total");
    ConnectionLimits limits = PatientLimits();
    (perClient ? limits.maxPerClient : limits.maxConnections) = 3;
    TestSite site(TEST_EXTENSION_PATH, limits, 0, kWorkers);
    ASSERT_TRUE(site.started()) << site.startError();
    auto held = Connect(site.port(), 2, "");
    ASSERT_EQ(2u, held.size());

    // The third is the last one let in; the fourth is refused and closed.
    TestClient third;
    ASSERT_TRUE(third.Connect(site.port()));
    TestClient fourth;
    ASSERT_TRUE(fourth.Connect(site.port()));
    HttpResponse refused;
    ASSERT_TRUE(fourth.ReadResponse(&refused));
    EXPECT_EQ(503, refused.status);
    EXPECT_TRUE(fourth.ServerClosed());
    ASSERT_TRUE(third.Send("GET /index.html HTTP/1.1\r\nHost: h\r\n\r\n"));
    HttpResponse served;
    ASSERT_TRUE(third.ReadResponse(&served));
    EXPECT_EQ(200, served.status);

    // A closed connection gives its place back.
    held.front()->Close();
    HttpResponse again;
    for (int attempt = 0; attempt < 50 && again.status != 200; ++attempt) {
      again = Fetch(site.port(), "GET", "/index.html");
      if (again.status != 200) Sleep(20);
    }
    EXPECT_EQ(200, again.status);
  }
}

}  // namespace
