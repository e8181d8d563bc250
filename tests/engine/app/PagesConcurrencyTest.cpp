// Many clients at once against pages that write and include.
#include <gtest/gtest.h>

#include <process.h>

#include <atomic>
#include <string>

#include "PageSite.h"

namespace {

constexpr int kClients = 32;
constexpr int kRequestsPerClient = 10;

struct ClientRun {
  unsigned port = 0;
  std::string expected;
  std::atomic<int>* failures = nullptr;
  std::string firstProblem;

  static unsigned __stdcall Main(void* p) {
    auto* run = static_cast<ClientRun*>(p);
    TestClient client;
    if (!client.Connect(run->port)) {
      ++*run->failures;
      run->firstProblem = "connect";
      return 0;
    }
    for (int i = 0; i < kRequestsPerClient; ++i) {
      HttpResponse response;
      if (!client.Send("GET /busy.asp?n=" + std::to_string(i) + " HTTP/1.1\r\nHost: h\r\n\r\n") ||
          !client.ReadResponse(&response) || response.status != 200 || response.body != run->expected) {
        ++*run->failures;
        if (run->firstProblem.empty()) run->firstProblem = response.statusLine + " " + response.body.substr(0, 80);
        return 0;
      }
    }
    return 0;
  }
};

TEST(PagesUnderLoad, ThirtyTwoKeepAliveClientsGetCompleteCorrectPages) {
  PageSite site;
  site.Write("inc/part.inc", "<p>part <%= 6 * 7 %></p>\r\n");
  site.Write("busy.asp",
             "<!--#include file=\"inc/part.inc\"-->"
             "<% For i = 1 To 50 : Response.Write i & \",\" : Next %><!--#include file=\"inc/part.inc\"-->");
  std::string error;
  ASSERT_TRUE(site.Start(&error)) << error;

  std::string numbers;
  for (int i = 1; i <= 50; ++i) numbers += std::to_string(i) + ",";
  const std::string expected = "<p>part 42</p>\r\n" + numbers + "<p>part 42</p>\r\n";

  std::atomic<int> failures{0};
  ClientRun runs[kClients];
  HANDLE threads[kClients];
  for (int i = 0; i < kClients; ++i) {
    runs[i].port = site.port();
    runs[i].expected = expected;
    runs[i].failures = &failures;
    threads[i] = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ClientRun::Main, &runs[i], 0, nullptr));
  }
  for (HANDLE thread : threads) {
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 120000));
    CloseHandle(thread);
  }
  EXPECT_EQ(0, failures.load());
  for (const ClientRun& run : runs) {
    if (!run.firstProblem.empty()) {
      ADD_FAILURE() << run.firstProblem;
      break;
    }
  }
}

}  // namespace
