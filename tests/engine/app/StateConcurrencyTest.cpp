// Application.Lock and the shared stores under many clients at once.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "StateSite.h"

namespace {

// Runs body(client number) on that many threads at once; answers the failures.
template <class Body>
int RunClients(int clients, Body body) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < clients; ++i) {
    threads.emplace_back([&, i] {
      if (!body(i)) ++failures;
    });
  }
  for (std::thread& thread : threads) thread.join();
  return failures;
}

// Sends count keep-alive requests for target and checks each answers 200.
bool KeepAliveRequests(unsigned port, const std::string& target, int count) {
  TestClient client;
  if (!client.Connect(port)) return false;
  for (int i = 0; i < count; ++i) {
    HttpResponse response;
    if (!client.Send("GET " + target + (target.find('?') == std::string::npos ? "?" : "&") + "i=" + std::to_string(i) +
                     " HTTP/1.1\r\nHost: h\r\n\r\n") ||
        !client.ReadResponse(&response) || response.status != 200) {
      return false;
    }
  }
  return true;
}

class StateConcurrency : public testing::Test {
 protected:
  void Start() {
    std::string error;
    ASSERT_TRUE(site_.Start(&error)) << error;
  }
  PageSite site_;
};

TEST_F(StateConcurrency, LockLeftHeldAtTheEndOfThePageIsReleasedAndUnlockWithoutLockDoesNothing) {
  site_.Write("lock.asp", "<% Application.Lock : Application.Lock : Application.unLock %>locked");
  site_.Write("unlock.asp", "<% Application.unLock : Application.unLock %>fine");
  site_.Write("take.asp",
              "<% Application.Lock : Application(\"z\") = Application(\"z\") + 1 : Application.unLock %>"
              "<%= Application(\"z\") %>");
  Start();
  EXPECT_EQ(site_.Get("/lock.asp").body, "locked");
  // Several clients at once, so that some run on other server threads than the page
  // that locked: each of them must get the lock.
  EXPECT_EQ(RunClients(8, [&](int) { return KeepAliveRequests(site_.port(), "/take.asp", 5); }), 0);
  EXPECT_EQ(site_.Get("/unlock.asp").body, "fine");
  EXPECT_EQ(RunClients(8, [&](int) { return KeepAliveRequests(site_.port(), "/take.asp", 5); }), 0);
  EXPECT_EQ(site_.Get("/take.asp").body, "81");
}

TEST_F(StateConcurrency, EightClientsIncrementingUnderLockCountEveryRequest) {
  site_.Write("increment.asp",
              "<% Application.Lock : Application(\"n\") = Application(\"n\") + 1 : Application.unLock %>ok");
  site_.Write("read.asp", "<%= Application(\"n\") %>");
  Start();
  EXPECT_EQ(RunClients(8, [&](int) { return KeepAliveRequests(site_.port(), "/increment.asp", 200); }), 0);
  EXPECT_EQ(site_.Get("/read.asp").body, "1600");
}

TEST_F(StateConcurrency, TwoClientsWritingDifferentNamesIntoApplicationBothLand) {
  site_.Write("write.asp", "<% Application(Request.QueryString(\"p\") & Request.QueryString(\"i\")) = 1 %>ok");
  site_.Write("count.asp", "<%= Application.Contents.Count %>");
  Start();
  EXPECT_EQ(
      RunClients(
          2, [&](int i) { return KeepAliveRequests(site_.port(), "/write.asp?p=" + std::string(i ? "x" : "y"), 300); }),
      0);
  EXPECT_EQ(site_.Get("/count.asp").body, "600");
}

TEST_F(StateConcurrency, LockHolderFinishesWhileANewSessionWaitsForTheLockInSessionOnStart) {
  site_.Write("global.asa",
              "<script language=VBScript runat=server>\r\n"
              "Sub Session_OnStart\r\n  Application(\"s\") = Application(\"s\") + 1\r\nEnd Sub\r\n</script>\r\n");
  site_.Write("hold.asp",
              "<% Application.Lock : t = Timer\r\n"
              "Do While Timer - t < 1 And Timer >= t : Loop\r\n"
              "Application.unLock %>held");
  site_.Write("count.asp", "<%= Application(\"s\") %>");
  Start();
  CookieClient holder(site_);
  ASSERT_EQ(holder.Get("/count.asp").body, "1");  // the holder's own session exists first
  HttpResponse held, started;
  std::thread hold([&] { held = holder.Get("/hold.asp"); });
  Sleep(300);
  // A new session: Session_OnStart runs under the application's mutex and waits for the
  // lock; the holder must still be able to unlock and end its request.
  std::thread newcomer([&] { started = site_.Get("/count.asp"); });
  hold.join();
  newcomer.join();
  EXPECT_EQ(held.body, "held");
  EXPECT_EQ(started.body, "2");
}

}  // namespace
