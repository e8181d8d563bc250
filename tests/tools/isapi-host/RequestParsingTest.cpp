// Request heads, body framing and chunked bodies, as pure functions over bytes.
#include <gtest/gtest.h>

#include "ChunkedDecoder.h"
#include "HttpRequestHead.h"

namespace {

TEST(RequestHead, ParsesRequestLineFieldsAndRawLines) {
  HttpRequestHead head;
  std::string data = "\r\nPOST /a%20b.asp?x=1 HTTP/1.0\r\nHost: h\r\nX-Empty:\r\nUser-Agent:  t  \r\n\r\nBODY";
  HeadParseResult result = ParseRequestHead(data, &head);
  ASSERT_EQ(HeadParse::kComplete, result.state);
  EXPECT_EQ(data.size() - 4, result.headLength);
  EXPECT_EQ("POST", head.method);
  EXPECT_EQ("/a%20b.asp?x=1", head.target);
  EXPECT_EQ(0, head.minorVersion);
  ASSERT_EQ(3u, head.fields.size());
  EXPECT_EQ("", head.fields[1].second);
  EXPECT_EQ("t", *head.Find("user-agent"));
  EXPECT_EQ(nullptr, head.Find("Accept"));
  EXPECT_EQ("Host: h\r\nX-Empty:\r\nUser-Agent:  t  \r\n", head.rawFields);  // as received
}

TEST(RequestHead, WaitsForTheEmptyLineAndAcceptsBareLineFeeds) {
  HttpRequestHead head;
  std::string data = "GET / HTTP/1.1\r\nHost: h\r\n";
  EXPECT_EQ(HeadParse::kIncomplete, ParseRequestHead(data, &head).state);
  EXPECT_EQ(HeadParse::kIncomplete, ParseRequestHead("", &head).state);
  data += "\r\n";
  EXPECT_EQ(HeadParse::kComplete, ParseRequestHead(data, &head).state);
  HeadParseResult bare = ParseRequestHead("GET /x HTTP/1.1\nHost: h\n\nGET /y", &head);
  EXPECT_EQ(HeadParse::kComplete, bare.state);
  EXPECT_EQ(25u, bare.headLength);
  EXPECT_EQ("/x", head.target);
}

TEST(RequestHead, RefusesMalformedHeads) {
  const std::pair<const char*, int> cases[] = {
      {"GARBAGE\r\n\r\n", 400},
      {"GET\r\n\r\n", 400},
      {"GET /\r\n\r\n", 400},
      {"GET  / HTTP/1.1\r\n\r\n", 400},
      {"GET / HTTP/1.1 extra\r\n\r\n", 400},
      {"GET / FTP/1.1\r\n\r\n", 400},
      {"GET / HTTP/1.x\r\n\r\n", 400},
      {"GET / HTTP/2.0\r\n\r\n", 505},
      {"GET ftp://host/ HTTP/1.1\r\nHost: h\r\n\r\n", 400},
      {"GET http:/// HTTP/1.1\r\nHost: h\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nX-Host: h\r\n\r\n", 400},
      {"G(T / HTTP/1.1\r\n\r\n", 400},
      {"GET /a\x01 HTTP/1.1\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nNo colon\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\n: empty name\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nBad Name: x\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nA: 1\r\n folded\r\n\r\n", 400},
  };
  for (const auto& [text, status] : cases) {
    HttpRequestHead head;
    HeadParseResult result = ParseRequestHead(text, &head);
    EXPECT_EQ(HeadParse::kError, result.state) << text;
    EXPECT_EQ(status, result.errorStatus) << text;
  }
}

TEST(RequestHead, TakesAbsoluteFormTargetsAsTheirPathAndWantsHostFromHttp11) {
  const std::pair<const char*, const char*> cases[] = {
      {"GET http://example.org/a/b.asp?x=1 HTTP/1.1\r\nHost: example.org\r\n\r\n", "/a/b.asp?x=1"},
      {"GET HTTP://h:8080/p HTTP/1.1\r\nHost: h\r\n\r\n", "/p"},
      {"GET https://h HTTP/1.1\r\nHost: h\r\n\r\n", "/"},
      {"GET http://h?q=1 HTTP/1.1\r\nHost: h\r\n\r\n", "/?q=1"},
      {"GET /plain HTTP/1.1\r\nhost: h\r\n\r\n", "/plain"},
      {"GET /old HTTP/1.0\r\n\r\n", "/old"},  // HTTP/1.0 needs no Host
  };
  for (const auto& [text, target] : cases) {
    HttpRequestHead head;
    ASSERT_EQ(HeadParse::kComplete, ParseRequestHead(text, &head).state) << text;
    EXPECT_EQ(target, head.target) << text;
  }
}

TEST(RequestHead, HeadSizeLimitHoldsOnBothSides) {
  std::string start = "GET / HTTP/1.1\r\nHost: h\r\nX: ";
  std::string fits = start + std::string(kMaxRequestHeadBytes - start.size() - 4, 'v') + "\r\n\r\n";
  ASSERT_EQ(kMaxRequestHeadBytes, fits.size());
  HttpRequestHead head;
  EXPECT_EQ(HeadParse::kComplete, ParseRequestHead(fits, &head).state);
  std::string over = start + std::string(kMaxRequestHeadBytes - start.size() - 3, 'v') + "\r\n\r\n";
  HeadParseResult result = ParseRequestHead(over, &head);
  EXPECT_EQ(HeadParse::kError, result.state);
  EXPECT_EQ(431, result.errorStatus);
  // Without an end in sight the limit applies as soon as it is passed.
  EXPECT_EQ(431, ParseRequestHead(start + std::string(kMaxRequestHeadBytes, 'v'), &head).errorStatus);
  // Too many fields.
  std::string many = "GET / HTTP/1.1\r\n";
  for (size_t i = 0; i <= kMaxHeaderFields; ++i) many += "A: b\r\n";
  EXPECT_EQ(431, ParseRequestHead(many + "\r\n", &head).errorStatus);
}

TEST(BodyFraming, FollowsLengthAndCoding) {
  struct Case {
    const char* fields;
    BodyFraming::Kind kind;
    uint64_t length;
    int error;
  };
  const Case cases[] = {
      {"", BodyFraming::kNone, 0, 0},
      {"Content-Length: 0\r\n", BodyFraming::kNone, 0, 0},
      {"Content-Length: 42\r\n", BodyFraming::kLength, 42, 0},
      {"Content-Length: 42\r\nContent-Length: 42\r\n", BodyFraming::kLength, 42, 0},
      {"Content-Length: 42\r\nContent-Length: 43\r\n", BodyFraming::kNone, 0, 400},
      {"Content-Length: -1\r\n", BodyFraming::kNone, 0, 400},
      {"Content-Length: 1x\r\n", BodyFraming::kNone, 0, 400},
      {"Content-Length: 99999999999999999999\r\n", BodyFraming::kNone, 0, 400},
      {"Transfer-Encoding: chunked\r\n", BodyFraming::kChunked, 0, 0},
      {"Transfer-Encoding: CHUNKED\r\n", BodyFraming::kChunked, 0, 0},
      {"Transfer-Encoding: gzip\r\n", BodyFraming::kNone, 0, 501},
      {"Transfer-Encoding: chunked\r\nContent-Length: 5\r\n", BodyFraming::kNone, 0, 400},
  };
  for (const Case& c : cases) {
    HttpRequestHead head;
    ASSERT_EQ(HeadParse::kComplete,
              ParseRequestHead(std::string("POST / HTTP/1.1\r\nHost: h\r\n") + c.fields + "\r\n", &head).state);
    BodyFraming framing = DetermineBodyFraming(head);
    EXPECT_EQ(c.error, framing.errorStatus) << c.fields;
    if (c.error) continue;
    EXPECT_EQ(c.kind, framing.kind) << c.fields;
    EXPECT_EQ(c.length, framing.length) << c.fields;
  }
}

TEST(KeepAlive, DependsOnVersionAndConnectionTokens) {
  const std::pair<const char*, bool> cases[] = {
      {"GET / HTTP/1.1\r\nHost: h\r\n\r\n", true},
      {"GET / HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n", false},
      {"GET / HTTP/1.1\r\nHost: h\r\nConnection: Upgrade, Close\r\n\r\n", false},
      {"GET / HTTP/1.0\r\n\r\n", false},
      {"GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", true},
  };
  for (const auto& [text, keep] : cases) {
    HttpRequestHead head;
    ASSERT_EQ(HeadParse::kComplete, ParseRequestHead(text, &head).state);
    EXPECT_EQ(keep, WantsKeepAlive(head)) << text;
  }
}

TEST(ChunkedDecoder, DecodesTheSameWhateverTheBytesArriveIn) {
  std::string body = "5;ext=1\r\nhello\r\n1A\r\nabcdefghijklmnopqrstuvwxyz\r\n0\r\nTrailer: x\r\n\r\nNEXT";
  for (size_t piece : {body.size(), size_t{1}, size_t{3}, size_t{7}}) {
    ChunkedDecoder decoder;
    std::string out;
    size_t offset = 0;
    ChunkedDecoder::State state = ChunkedDecoder::State::kMore;
    while (state == ChunkedDecoder::State::kMore && offset < body.size()) {
      size_t consumed = 0;
      std::string_view input = std::string_view(body).substr(offset, piece);
      state = decoder.Feed(input, &out, &consumed);
      offset += consumed;
      if (state == ChunkedDecoder::State::kMore) {
        EXPECT_EQ(input.size(), consumed);
      }
    }
    EXPECT_EQ(ChunkedDecoder::State::kDone, state) << piece;
    EXPECT_EQ("helloabcdefghijklmnopqrstuvwxyz", out) << piece;
    EXPECT_EQ("NEXT", body.substr(offset)) << piece;
    EXPECT_EQ(31u, decoder.decodedBytes());
  }
}

TEST(ChunkedDecoder, RefusesBrokenFraming) {
  const char* cases[] = {
      "x\r\n",                  // no size
      "5\r\nhelloX\r\n",        // data longer than its size
      "5 junk\r\nhello\r\n",    // junk after the size
      "10000000000000000\r\n",  // size beyond 60 bits
  };
  for (const char* text : cases) {
    ChunkedDecoder decoder;
    std::string out;
    size_t consumed = 0;
    EXPECT_EQ(ChunkedDecoder::State::kError, decoder.Feed(text, &out, &consumed)) << text;
  }
  ChunkedDecoder decoder;
  std::string out;
  size_t consumed = 0;
  std::string longLine(ChunkedDecoder::kMaxLineBytes + 1, '1');
  EXPECT_EQ(ChunkedDecoder::State::kError, decoder.Feed(longLine, &out, &consumed));
}

}  // namespace
