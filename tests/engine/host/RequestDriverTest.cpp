// The request driver answering through the provider.
#include <gtest/gtest.h>

#include "FakeControlBlock.h"
#include "host/RequestDriver.h"

namespace {

TEST(RequestDriver, AnswersWithAHeadAndAPageNamingTheTranslatedPath) {
  FakeControlBlock fake;
  fake.ecb.lpszPathTranslated = const_cast<char*>("C:\\site\\<b>&.asp");
  EXPECT_EQ(static_cast<DWORD>(HSE_STATUS_SUCCESS), DriveRequest(&fake.ecb));
  ASSERT_FALSE(fake.supportCalls.empty());
  const SupportCall& head = fake.supportCalls[0];
  EXPECT_EQ(static_cast<DWORD>(HSE_REQ_SEND_RESPONSE_HEADER), head.request);
  EXPECT_EQ("200 OK", head.buffer);
  EXPECT_EQ("Content-Type: text/html\r\n\r\n", head.dataType);
  EXPECT_EQ(0u, fake.writtenBeforeHead);
  // The path is escaped: it is client-controlled text inside HTML.
  EXPECT_NE(std::string::npos, fake.written.find("C:\\site\\&lt;b&gt;&amp;.asp")) << fake.written;
  EXPECT_EQ(std::string::npos, fake.written.find("<b>"));
}

TEST(RequestDriver, AClientThatWentAwayDoesNotFailTheCall) {
  FakeControlBlock fake;
  fake.failWrite = true;
  EXPECT_EQ(static_cast<DWORD>(HSE_STATUS_SUCCESS), DriveRequest(&fake.ecb));
}

}  // namespace
