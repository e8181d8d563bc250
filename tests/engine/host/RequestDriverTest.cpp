// The request driver answering through the provider.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeControlBlock.h"
#include "host/RequestDriver.h"

namespace {

TEST(RequestDriver, APageThatCannotBeReadIsAnsweredWithItsErrorAndLogged) {
  FakeControlBlock fake;
  fake.ecb.lpszPathTranslated = const_cast<char*>("C:\\no-such-site\\page.asp");
  EXPECT_EQ(static_cast<DWORD>(HSE_STATUS_SUCCESS), DriveRequest(&fake.ecb));
  // The log entry is made before the error text is written, and so before the head goes.
  ASSERT_EQ(2u, fake.supportCalls.size());
  const SupportCall& head = fake.supportCalls[1];
  EXPECT_EQ(static_cast<DWORD>(HSE_REQ_SEND_RESPONSE_HEADER), head.request);
  EXPECT_EQ("500 Internal Server Error", head.buffer);  // a failed page
  // The request had no session cookie: a new session, whose cookie goes with the head.
  EXPECT_THAT(head.dataType,
              testing::MatchesRegex("Content-Type: text/html\r\nSet-Cookie: SESSIONID=\\d+; path=/\r\n\r\n"));
  EXPECT_EQ(0u, fake.writtenBeforeHead);
  // 无法得到文件信息 and a line feed, in code page 936.
  const std::string message = "\xCE\xDE\xB7\xA8\xB5\xC3\xB5\xBD\xCE\xC4\xBC\xFE\xD0\xC5\xCF\xA2\n";
  EXPECT_EQ(message, fake.written);
  bool logged = false;
  for (const SupportCall& call : fake.supportCalls) {
    if (call.request == HSE_APPEND_LOG_PARAMETER) {
      EXPECT_EQ("page failed: compile error in C:\\no-such-site\\page.asp", call.buffer);
      logged = true;
    }
  }
  EXPECT_TRUE(logged);
}

TEST(RequestDriver, AClientThatWentAwayDoesNotFailTheCall) {
  FakeControlBlock fake;
  fake.failWrite = true;
  EXPECT_EQ(static_cast<DWORD>(HSE_STATUS_SUCCESS), DriveRequest(&fake.ecb));
}

}  // namespace
