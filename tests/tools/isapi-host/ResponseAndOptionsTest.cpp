// Extension heads, the server's heads, the command line, the access log and small texts.
#include <gtest/gtest.h>

#include "AccessLog.h"
#include "HostOptions.h"
#include "HttpDate.h"
#include "MimeTypes.h"
#include "ResponseHead.h"

namespace {

TEST(ExtensionHead, TakesStatusFieldsAndFramingApart) {
  ExtensionHead head = ParseExtensionHead(
      "302 MOVED", "Location: /x\r\nContent-Length: 12\r\nconnection: Close\r\nX: 1\r\n\r\nbody start");
  EXPECT_EQ("302 MOVED", head.status);
  EXPECT_EQ(302, head.statusCode);
  EXPECT_EQ("Location: /x\r\nContent-Length: 12\r\nX: 1\r\n", head.fields);
  EXPECT_EQ("body start", head.bodyStart);
  EXPECT_TRUE(head.hasContentLength);
  EXPECT_EQ(12u, head.contentLength);
  EXPECT_TRUE(head.connectionClose);
  EXPECT_FALSE(head.hasTransferEncoding);
}

TEST(ExtensionHead, DefaultsAndOddInput) {
  const std::tuple<const char*, const char*, int> statuses[] = {
      {nullptr, "200 OK", 200},  {"", "200 OK", 200},
      {"404", "404", 404},       {"abc", "200 OK", 200},
      {"99 Low", "200 OK", 200}, {" 500 Oops ", "500 Oops", 500},
      {"2000 x", "200 OK", 200}, {"302 MOVED\r\nSet-Cookie: forged", "302 MOVED", 302},
  };
  for (const auto& [given, status, code] : statuses) {
    ExtensionHead head = ParseExtensionHead(given, "");
    EXPECT_EQ(status, head.status) << (given ? given : "null");
    EXPECT_EQ(code, head.statusCode);
  }
  ExtensionHead head =
      ParseExtensionHead("200 OK", "A: 1\nno colon\nContent-Length: x1\nB: 2\rForged: 3\r\nTransfer-Encoding: chunked");
  EXPECT_EQ("A: 1\r\nTransfer-Encoding: chunked\r\n", head.fields);
  EXPECT_FALSE(head.hasContentLength);  // a broken length is dropped, not trusted
  EXPECT_TRUE(head.hasTransferEncoding);
}

TEST(ResponseHeadText, StartsWithTheStatusAndEndsWithAnEmptyLine) {
  EXPECT_EQ("HTTP/1.1 404 Not Found\r\nServer: isapi-host/1.0\r\nDate: D\r\nA: 1\r\n\r\n",
            BuildResponseHead("404 Not Found", "D", "A: 1\r\n"));
  EXPECT_STREQ("Request Header Fields Too Large", ReasonPhrase(431));
  EXPECT_STREQ("Content Too Large", ReasonPhrase(413));
}

TEST(HostOptions, ParsesEveryOption) {
  HostOptions options;
  options.root = "C:\\default";
  std::string error;
  ASSERT_TRUE(ParseHostOptions({"--root",
                                "/srv/site/",
                                "--port",
                                "0",
                                "--bind",
                                "127.0.0.2",
                                "--threads",
                                "3",
                                "--extension",
                                "C:\\x\\v.dll",
                                "--app",
                                "/shop/=/srv/shop",
                                "--app",
                                "/a/b=D:\\b\\",
                                "--access-log",
                                "log.txt",
                                "--receive-timeout",
                                "1500",
                                "--max-body",
                                "4096",
                                "--control-pipe",
                                "\\\\.\\pipe\\host-1",
                                "--response-buffer-limit",
                                "65536",
                                "--debug-errors",
                                "--codepage",
                                "65001"},
                               &options, &error))
      << error;
  EXPECT_EQ("Z:\\srv\\site", options.root);
  EXPECT_EQ(0u, options.port);
  EXPECT_EQ("127.0.0.2", options.bind);
  EXPECT_EQ(3u, options.threads);
  EXPECT_EQ("C:\\x\\v.dll", options.extension);
  ASSERT_EQ(2u, options.apps.size());
  EXPECT_EQ("/shop", options.apps[0].url);
  EXPECT_EQ("Z:\\srv\\shop", options.apps[0].root);
  EXPECT_EQ("/a/b", options.apps[1].url);
  EXPECT_EQ("D:\\b", options.apps[1].root);
  EXPECT_EQ("log.txt", options.accessLog);
  EXPECT_EQ(1500u, options.limits.receiveTimeoutMs);
  EXPECT_EQ(4096u, options.limits.maxBodyBytes);
  EXPECT_EQ("\\\\.\\pipe\\host-1", options.controlPipe);
  EXPECT_EQ(65536u, options.responseBufferLimit);
  EXPECT_TRUE(options.debugErrors);
  EXPECT_EQ(65001u, options.codePage);
  EXPECT_FALSE(options.help);

  HostOptions defaults;
  ASSERT_TRUE(ParseHostOptions({}, &defaults, &error));
  EXPECT_EQ(8080u, defaults.port);
  EXPECT_EQ("127.0.0.1", defaults.bind);
  EXPECT_EQ(0u, defaults.responseBufferLimit);  // the extension's own default
  EXPECT_FALSE(defaults.debugErrors);
  EXPECT_EQ(0u, defaults.codePage);
  ASSERT_TRUE(ParseHostOptions({"--help"}, &defaults, &error));
  EXPECT_TRUE(defaults.help);
}

TEST(HostOptions, RefusesBadArgumentsWithOneLine) {
  const std::vector<std::vector<std::string>> cases = {
      {"--port"},
      {"--port", "65536"},
      {"--port", "-1"},
      {"--port", "80x"},
      {"--threads", "0"},
      {"--threads", "1025"},
      {"--bind", "localhost"},
      {"--bind", "1.2.3"},
      {"--bind", "1.2.3.256"},
      {"--app", "shop=/x"},
      {"--app", "/shop"},
      {"--app", "/shop="},
      {"--app", "/../x=/y"},
      {"--root", ""},
      {"--verbose"},
      {"root"},
      {"--receive-timeout", "0"},
      {"--receive-timeout", "3600001"},
      {"--max-body", "-1"},
      {"--max-body", "4294967296"},
      {"--control-pipe", "host"},
      {"--control-pipe", "\\\\.\\pipe\\"},
      {"--response-buffer-limit", "0"},
      {"--response-buffer-limit", "4294967296"},
      {"--response-buffer-limit", "4M"},
      {"--response-buffer-limit"},
      {"--codepage", "0"},
      {"--codepage", "utf-8"},
      {"--codepage", "65536"},
      {"--codepage", "12345"},
  };
  for (const auto& args : cases) {
    HostOptions options;
    std::string error;
    EXPECT_FALSE(ParseHostOptions(args, &options, &error)) << args[0];
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(std::string::npos, error.find('\n')) << error;
  }
}

TEST(AccessLogLine, HoldsClientTimeRequestStatusBytesDurationAndExtensionText) {
  AccessLogEntry entry;
  entry.client = "127.0.0.1";
  entry.time = SYSTEMTIME{2026, 12, 2, 8, 5, 7, 9, 0};
  entry.requestLine = "GET /a\"b HTTP/1.1";
  entry.status = 200;
  entry.bytes = 1234;
  entry.durationMs = 1.5;
  entry.extensionText = "note\n";
  EXPECT_EQ("127.0.0.1 - - [08/Dec/2026:05:07:09 +0000] \"GET /a_b HTTP/1.1\" 200 1234 1.500 \"note_\"\n",
            FormatAccessLogLine(entry));
}

TEST(SmallTexts, ContentTypesAndDates) {
  EXPECT_STREQ("text/html", ContentTypeForFile("a.HTML"));
  EXPECT_STREQ("text/css", ContentTypeForFile("site.css"));
  EXPECT_STREQ("image/png", ContentTypeForFile("x.png"));
  EXPECT_STREQ("application/octet-stream", ContentTypeForFile("data.bin"));
  EXPECT_STREQ("application/octet-stream", ContentTypeForFile("README"));
  FILETIME epoch{0xD53E8000u, 0x019DB1DEu};
  EXPECT_EQ("Thu, 01 Jan 1970 00:00:00 GMT", FormatHttpDate(epoch));
}

}  // namespace
