// Server variable values and the size protocol of GetServerVariable.
#include <gtest/gtest.h>

#include "ServerVariables.h"

namespace {

class ServerVariablesTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string text =
        "POST /app/p.asp?x=1 HTTP/1.1\r\nHost: example.test:8080\r\nUser-Agent: t/1\r\n"
        "Content-Type: text/plain\r\nX-Custom-Header: v\r\n\r\n";
    ASSERT_EQ(HeadParse::kComplete, ParseRequestHead(text, &head).state);
    facts.head = &head;
    facts.urlPath = "/app/p.asp";
    facts.query = "x=1";
    facts.pathTranslated = "C:\\site\\app\\p.asp";
    facts.applRoot = "C:\\site\\";
    facts.remoteAddr = "127.0.0.1";
    facts.remotePort = 50000;
    facts.localAddr = "127.0.0.1";
    facts.serverPort = 8080;
    facts.contentLength = 12;
  }
  std::string Value(const char* name) {
    std::string value;
    EXPECT_EQ(VariableLookup::kFound, LookupServerVariable(facts, name, &value)) << name;
    return value;
  }
  HttpRequestHead head;
  RequestFacts facts;
};

TEST_F(ServerVariablesTest, AnswersTheVariablesAnExtensionReads) {
  const std::pair<const char*, const char*> cases[] = {
      {"ALL_HTTP",
       "HTTP_HOST:example.test:8080\nHTTP_USER_AGENT:t/1\nHTTP_CONTENT_TYPE:text/plain\n"
       "HTTP_X_CUSTOM_HEADER:v\n"},
      {"ALL_RAW", "Host: example.test:8080\r\nUser-Agent: t/1\r\nContent-Type: text/plain\r\nX-Custom-Header: v\r\n"},
      {"HTTP_USER_AGENT", "t/1"},
      {"HTTP_X_CUSTOM_HEADER", "v"},
      {"CONTENT_LENGTH", "12"},
      {"CONTENT_TYPE", "text/plain"},
      {"PATH_INFO", "/app/p.asp"},
      {"PATH_TRANSLATED", "C:\\site\\app\\p.asp"},
      {"QUERY_STRING", "x=1"},
      {"REMOTE_ADDR", "127.0.0.1"},
      {"REMOTE_HOST", "127.0.0.1"},
      {"REQUEST_METHOD", "POST"},
      {"SCRIPT_NAME", "/app/p.asp"},
      {"SERVER_NAME", "example.test"},
      {"SERVER_PORT", "8080"},
      {"SERVER_PROTOCOL", "HTTP/1.1"},
      {"SERVER_SOFTWARE", "isapi-host/1.0"},
      {"SCRIPT_FILENAME", "C:\\site\\app\\p.asp"},
      {"URL", "/app/p.asp"},
      {"APPL_PHYSICAL_PATH", "C:\\site\\"},
  };
  for (const auto& [name, value] : cases) EXPECT_EQ(value, Value(name)) << name;
}

TEST_F(ServerVariablesTest, TellsUnknownNamesFromAbsentHeaders) {
  std::string value = "untouched";
  EXPECT_EQ(VariableLookup::kNoData, LookupServerVariable(facts, "HTTP_COOKIE", &value));
  EXPECT_EQ(VariableLookup::kUnknown, LookupServerVariable(facts, "NO_SUCH_VARIABLE", &value));
  EXPECT_EQ(VariableLookup::kUnknown, LookupServerVariable(facts, "HTTP_", &value));
  EXPECT_EQ(VariableLookup::kUnknown, LookupServerVariable(facts, "request_method", &value));
  // The host's settings for its extensions exist only when they were made.
  EXPECT_EQ(VariableLookup::kUnknown, LookupServerVariable(facts, "RESPONSE_BUFFER_LIMIT", &value));
  EXPECT_EQ(VariableLookup::kUnknown, LookupServerVariable(facts, "DEBUG_ERRORS", &value));
  EXPECT_EQ("untouched", value);
  facts.responseBufferLimit = 65536;
  facts.debugErrors = true;
  EXPECT_EQ("65536", Value("RESPONSE_BUFFER_LIMIT"));
  EXPECT_EQ("1", Value("DEBUG_ERRORS"));
}

TEST_F(ServerVariablesTest, TellsTheDefaultCodePageOnlyWhenOneWasGiven) {
  std::string value;
  EXPECT_EQ(VariableLookup::kUnknown, LookupServerVariable(facts, "DEFAULT_CODEPAGE", &value));
  facts.defaultCodePage = 65001;
  EXPECT_EQ("65001", Value("DEFAULT_CODEPAGE"));
}

TEST_F(ServerVariablesTest, ServerNameFallsBackToTheLocalAddress) {
  HttpRequestHead bare;
  ASSERT_EQ(HeadParse::kComplete, ParseRequestHead("GET / HTTP/1.0\r\n\r\n", &bare).state);
  facts.head = &bare;
  EXPECT_EQ("127.0.0.1", Value("SERVER_NAME"));
  EXPECT_EQ("HTTP/1.0", Value("SERVER_PROTOCOL"));
  EXPECT_EQ("", Value("ALL_HTTP"));
  EXPECT_EQ("", Value("CONTENT_TYPE"));
}

TEST(CopyVariable, NeedsRoomForTheTerminatingNul) {
  char buffer[8] = "XXXXXXX";
  DWORD size = 5;  // "hello" without its NUL
  SetLastError(0);
  EXPECT_FALSE(CopyVariable("hello", buffer, &size));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  EXPECT_EQ(6u, size);
  EXPECT_EQ('X', buffer[0]);
  size = 6;
  EXPECT_TRUE(CopyVariable("hello", buffer, &size));
  EXPECT_STREQ("hello", buffer);
  EXPECT_EQ(6u, size);
  size = 0;
  EXPECT_FALSE(CopyVariable("", nullptr, &size));
  EXPECT_EQ(1u, size);
  EXPECT_FALSE(CopyVariable("x", buffer, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

}  // namespace
