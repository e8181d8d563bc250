// YISAPIServiceProvider over a fake extension control block.
#include <gtest/gtest.h>

#include <string>

#include "FakeControlBlock.h"
#include "host/YISAPIServiceProvider.h"

namespace {

class ServiceProviderTest : public testing::Test {
 protected:
  ServiceProviderTest() { provider.setControlBlock(&fake.ecb); }

  std::vector<SupportCall> HeadCalls() const {
    std::vector<SupportCall> calls;
    for (const SupportCall& call : fake.supportCalls)
      if (call.request == HSE_REQ_SEND_RESPONSE_HEADER) calls.push_back(call);
    return calls;
  }

  FakeControlBlock fake;
  YISAPIServiceProvider provider;
};

TEST_F(ServiceProviderTest, MethodNumbersFollowTheTableIgnoringCase) {
  const std::pair<const char*, unsigned> cases[] = {{"OPTIONS", 1},
                                                    {"get", 2},
                                                    {"Head", 3},
                                                    {"POST", 4},
                                                    {"PUT", 5},
                                                    {"DELETE", 6},
                                                    {"TRACE", 7},
                                                    {"propfind", 8},
                                                    {"MKCOL", 10},
                                                    {"ACL", 15},
                                                    {"VERSION_CONTROL", 17},
                                                    {"SEARCH", 21},
                                                    {"BASELINE_CONTROL", 26},
                                                    {"CONNECT", 28},
                                                    {"purge", 29},
                                                    {"FOO", 0},
                                                    {"UNSET", 0},
                                                    {"", 0},
                                                    {"GETX", 0},
                                                    {"GE", 0}};
  for (const auto& [method, number] : cases) {
    FakeControlBlock block;
    YISAPIServiceProvider fresh;
    fresh.setControlBlock(&block.ecb);
    block.ecb.lpszMethod = const_cast<char*>(method);
    EXPECT_EQ(number, fresh.getMethod()) << method;
  }
}

TEST_F(ServiceProviderTest, MethodIsCachedOnceKnownAndComparedAgainWhileUnknown) {
  fake.ecb.lpszMethod = const_cast<char*>("FOO");
  EXPECT_EQ(0u, provider.getMethod());
  fake.ecb.lpszMethod = const_cast<char*>("POST");
  EXPECT_EQ(4u, provider.getMethod());
  fake.ecb.lpszMethod = const_cast<char*>("GET");
  EXPECT_EQ(4u, provider.getMethod());  // known numbers are not looked up again
}

TEST_F(ServiceProviderTest, RequestFieldsComeFromTheControlBlock) {
  fake.ecb.lpszQueryString = const_cast<char*>("a=1&b=2");
  fake.ecb.lpszContentType = const_cast<char*>("text/plain");
  fake.ecb.cbTotalBytes = 123456;
  EXPECT_STREQ("C:\\site\\page.asp", provider.getPathTranslated());
  EXPECT_STREQ("a=1&b=2", provider.getQueryString());
  EXPECT_STREQ("/page.asp", provider.getPathInfo());
  EXPECT_EQ(123456u, provider.getContentLength());
  EXPECT_STREQ("text/plain", provider.getContentType());
  EXPECT_EQ(static_cast<YWStream*>(&provider), provider.getOutputStream());
  EXPECT_EQ(static_cast<YStream*>(&provider), provider.getInputStream());
}

TEST_F(ServiceProviderTest, PreloadedBodyIsHandedOutOnce) {
  unsigned char bytes[] = "a=1&b=2";
  fake.ecb.lpbData = bytes;
  fake.ecb.cbAvailable = 7;
  uint32_t length = 99;
  EXPECT_EQ(bytes, provider.takePreloadedBody(&length));
  EXPECT_EQ(7u, length);
  EXPECT_EQ(0u, fake.ecb.cbAvailable);
  provider.takePreloadedBody(&length);
  EXPECT_EQ(0u, length);
}

TEST_F(ServiceProviderTest, HttpHeaderNamesBecomeServerVariableNames) {
  fake.variables["HTTP_USER_AGENT"] = "curl/8";
  fake.variables["HTTP_X_TRACE_ID"] = "42";
  EXPECT_STREQ("curl/8", provider.getHttpHeader("user-agent"));
  EXPECT_STREQ("42", provider.getHttpHeader("X-Trace-id"));
  EXPECT_EQ(nullptr, provider.getHttpHeader("accept"));
  ASSERT_EQ(3u, fake.variableRequests.size());
  EXPECT_EQ("HTTP_USER_AGENT", fake.variableRequests[0]);
  EXPECT_EQ("HTTP_X_TRACE_ID", fake.variableRequests[1]);
  EXPECT_EQ("HTTP_ACCEPT", fake.variableRequests[2]);
  for (DWORD size : fake.variableSizes) EXPECT_EQ(512u, size);
}

TEST_F(ServiceProviderTest, HttpHeaderValuesLongerThan511BytesAnswerNull) {
  fake.variables["HTTP_FITS"] = std::string(511, 'v');
  fake.variables["HTTP_TOO_LONG"] = std::string(512, 'v');
  const char* fits = provider.getHttpHeader("fits");
  ASSERT_NE(nullptr, fits);
  EXPECT_EQ(std::string(511, 'v'), fits);
  EXPECT_EQ(nullptr, provider.getHttpHeader("too-long"));
  // A name that cannot fit the variable buffer cannot name a value either.
  EXPECT_EQ(nullptr, provider.getHttpHeader(std::string(600, 'n').c_str()));
}

TEST_F(ServiceProviderTest, ServerVariablesPassTheServersAnswerThrough) {
  fake.variables["SERVER_PORT"] = "8080";
  char buffer[8];
  DWORD size = sizeof buffer;
  EXPECT_TRUE(provider.getServerVariable("SERVER_PORT", buffer, &size));
  EXPECT_STREQ("8080", buffer);
  EXPECT_EQ(5u, size);
  size = 2;
  EXPECT_FALSE(provider.getServerVariable("SERVER_PORT", buffer, &size));
  EXPECT_EQ(5u, size);
  EXPECT_FALSE(provider.getServerVariable("NO_SUCH", buffer, &size));
}

TEST_F(ServiceProviderTest, SetStatusReplacesTheStatusLine) {
  provider.setStatus(302, "MOVED");
  provider.setStatus(404, "Not Found");
  provider.setStatus(500, nullptr);
  provider.flush();
  auto calls = HeadCalls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ("500 unknow", calls[0].buffer);
}

TEST_F(ServiceProviderTest, TheHeadGoesOutOnceWithTheFirstWrite) {
  EXPECT_TRUE(provider.setStatus(302, "MOVED"));
  EXPECT_TRUE(provider.addHeader("Location", "/next.asp"));
  EXPECT_TRUE(provider.addHeader("Cache-Control", "private"));
  EXPECT_FALSE(provider.isHeadSent());
  EXPECT_TRUE(provider.write("body", 4));
  EXPECT_TRUE(provider.isHeadSent());
  provider.addHeader("X-Late", "never sent");
  EXPECT_TRUE(provider.write("more", 4));
  EXPECT_TRUE(provider.flush());
  auto calls = HeadCalls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ("302 MOVED", calls[0].buffer);
  EXPECT_EQ("Location: /next.asp\r\nCache-Control: private\r\n\r\n", calls[0].dataType);
  EXPECT_FALSE(calls[0].sizeGiven);
  EXPECT_EQ(0u, fake.writtenBeforeHead);
  EXPECT_EQ("bodymore", fake.written);
}

TEST_F(ServiceProviderTest, FlushSendsTheHeadWithoutABody) {
  provider.addHeader("Content-Type", "text/html");
  EXPECT_TRUE(provider.flush());
  EXPECT_TRUE(provider.flush());
  auto calls = HeadCalls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ("", calls[0].buffer);  // headers without a status: the status line stays empty
  EXPECT_EQ("Content-Type: text/html\r\n\r\n", calls[0].dataType);
  EXPECT_EQ(0, fake.writeCalls);
}

TEST_F(ServiceProviderTest, NoHeadIsSentWhenNothingWasSet) {
  EXPECT_TRUE(provider.write("raw", 3));
  EXPECT_TRUE(provider.flush());
  EXPECT_TRUE(provider.isHeadSent());
  EXPECT_TRUE(HeadCalls().empty());
  EXPECT_EQ("raw", fake.written);
}

TEST_F(ServiceProviderTest, WritesLoopOverPartialWritesAndReportFailures) {
  fake.writeLimit = 4;
  std::string body(10, 'x');
  EXPECT_TRUE(provider.write(body.data(), 10));
  EXPECT_EQ(body, fake.written);
  EXPECT_EQ(3, fake.writeCalls);
  fake.failWrite = true;
  EXPECT_FALSE(provider.write("y", 1));
  EXPECT_EQ(-1, provider.writeRaw("y", 1));
}

TEST_F(ServiceProviderTest, ReadsComeFromReadClient) {
  fake.toRead = "hello world";
  char buffer[8];
  EXPECT_EQ(8, provider.read(buffer, 8));
  EXPECT_EQ("hello wo", std::string(buffer, 8));
  EXPECT_EQ(3, provider.read(buffer, 8));
  EXPECT_EQ(0, provider.read(buffer, 8));
  fake.failRead = true;
  EXPECT_EQ(-1, provider.read(buffer, 8));
}

TEST_F(ServiceProviderTest, SupportFunctionsCarryTheirArguments) {
  EXPECT_EQ(fake.token, provider.getImpersonationToken());
  EXPECT_TRUE(provider.execUrl("/other.asp"));
  EXPECT_TRUE(provider.appendLog("note"));
  ASSERT_EQ(3u, fake.supportCalls.size());
  EXPECT_EQ(static_cast<DWORD>(HSE_REQ_GET_IMPERSONATION_TOKEN), fake.supportCalls[0].request);
  const SupportCall& exec = fake.supportCalls[1];
  EXPECT_EQ(static_cast<DWORD>(HSE_REQ_EXEC_URL), exec.request);
  EXPECT_EQ("/other.asp", exec.execUrlText);
  EXPECT_EQ("GET", exec.execMethodText);
  EXPECT_EQ(nullptr, exec.execUrl.pszChildHeaders);
  EXPECT_EQ(nullptr, exec.execUrl.pUserInfo);
  EXPECT_EQ(nullptr, exec.execUrl.pEntity);
  EXPECT_EQ(0u, exec.execUrl.dwExecUrlFlags);
  EXPECT_EQ(static_cast<DWORD>(HSE_APPEND_LOG_PARAMETER), fake.supportCalls[2].request);
  EXPECT_EQ("note", fake.supportCalls[2].buffer);

  fake.supportAnswer = FALSE;
  EXPECT_EQ(nullptr, provider.getImpersonationToken());
  EXPECT_FALSE(provider.execUrl("/x.asp"));
  EXPECT_FALSE(provider.appendLog("x"));
}

}  // namespace
