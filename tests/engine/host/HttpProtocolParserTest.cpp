// The header parser: lines, continuations, header-only mode and the hook's decisions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/YHttpProtocolParser.h"

namespace {

struct RecordingHook : YHttpProtocolParserHook {
  std::vector<std::string> seen;  // "name=value" in call order, "!" for a first line
  int decision = kStoreAtTail;
  int abortAt = -1;
  int begins = 0, ends = 0;

  int onHeader(const char* name, char* value, int* valueLength, bool isFirstLine) override {
    seen.push_back(std::string(isFirstLine ? "!" : "") + name + "=" + std::string(value, *valueLength));
    if (static_cast<int>(seen.size()) - 1 == abortAt) return kAbort;
    return decision;
  }
  void onBegin() override { ++begins; }
  void onEnd() override { ++ends; }
};

TEST(HttpProtocolParser, TwoHeadersThenABody) {
  std::string text = "A: 1\r\nB: 2\r\n\r\nxyz";
  YHttpProtocolParser parser;
  parser.set_started(true);
  RecordingHook hook;
  ASSERT_EQ(YHttpProtocolParser::kComplete, parser.parse(text.data(), static_cast<int>(text.size()), &hook));
  EXPECT_EQ(std::vector<std::string>({"A=1", "B=2"}), hook.seen);
  EXPECT_EQ(text.data() + text.size() - 3, parser.bodyStart());
  EXPECT_EQ(3, parser.bodyLength());
  EXPECT_EQ(1, hook.begins);
  EXPECT_EQ(1, hook.ends);
  ASSERT_EQ(2u, parser.headers().size());
  EXPECT_EQ("B", parser.headers()[1].name);
}

TEST(HttpProtocolParser, ContinuationLinesJoinTheValue) {
  std::string text = "A: one\r\n\ttwo\r\nB: 3\r\n\r\n";
  YHttpProtocolParser parser;
  parser.set_started(true);
  RecordingHook hook;
  ASSERT_EQ(YHttpProtocolParser::kComplete, parser.parse(text.data(), static_cast<int>(text.size()), &hook));
  EXPECT_EQ(std::vector<std::string>({"A=one  \ttwo", "B=3"}), hook.seen);
}

TEST(HttpProtocolParser, HeaderOnlyModeIgnoresLinesWithoutAColon) {
  std::string text = "nocolon here\r\nC:  spaced\r\n\r\n";
  YHttpProtocolParser parser;
  parser.set_started(true);
  RecordingHook hook;
  ASSERT_EQ(YHttpProtocolParser::kComplete, parser.parse(text.data(), static_cast<int>(text.size()), &hook));
  EXPECT_EQ(std::vector<std::string>({"C=spaced"}), hook.seen);
}

TEST(HttpProtocolParser, FirstLineSplitsAtABlankUnlessStarted) {
  std::string text = "\r\nGET /x HTTP/1.1\r\nHost: h\r\n\r\n";
  YHttpProtocolParser parser;
  RecordingHook hook;
  ASSERT_EQ(YHttpProtocolParser::kComplete, parser.parse(text.data(), static_cast<int>(text.size()), &hook));
  EXPECT_EQ(std::vector<std::string>({"!GET=/x HTTP/1.1", "Host=h"}), hook.seen);
}

TEST(HttpProtocolParser, AHookThatAbortsEndsTheParse) {
  std::string text = "A: 1\r\nB: 2\r\nC: 3\r\n\r\n";
  YHttpProtocolParser parser;
  parser.set_started(true);
  RecordingHook hook;
  hook.abortAt = 1;
  EXPECT_EQ(YHttpProtocolParser::kAborted, parser.parse(text.data(), static_cast<int>(text.size()), &hook));
  EXPECT_EQ(2u, hook.seen.size());
  EXPECT_EQ(1u, parser.headers().size());
}

TEST(HttpProtocolParser, DecisionsStoreAtEitherEndOrConsume) {
  std::string text = "A: 1\r\nB: 2\r\n\r\n";
  YHttpProtocolParser parser;
  parser.set_started(true);
  RecordingHook hook;
  hook.decision = YHttpProtocolParserHook::kStoreAtHead;
  ASSERT_EQ(YHttpProtocolParser::kComplete, parser.parse(text.data(), static_cast<int>(text.size()), &hook));
  ASSERT_EQ(2u, parser.headers().size());
  EXPECT_EQ("B", parser.headers()[0].name);

  std::string again = "A: 1\r\n\r\n";
  YHttpProtocolParser consuming;
  consuming.set_started(true);
  RecordingHook consumer;
  consumer.decision = YHttpProtocolParserHook::kConsumed;
  ASSERT_EQ(YHttpProtocolParser::kComplete, consuming.parse(again.data(), static_cast<int>(again.size()), &consumer));
  EXPECT_TRUE(consuming.headers().empty());
}

TEST(HttpProtocolParser, AnExtendedBufferIsFedAgainWhereTheLastCallStopped) {
  std::string text = "A: 1\r\nB: 2";
  YHttpProtocolParser parser;
  parser.set_started(true);
  RecordingHook hook;
  EXPECT_EQ(YHttpProtocolParser::kNeedMore, parser.parse(text.data(), static_cast<int>(text.size()), &hook));
  EXPECT_EQ(std::vector<std::string>({"A=1"}), hook.seen);
  text += "\r\n\r\nbody";
  ASSERT_EQ(YHttpProtocolParser::kComplete, parser.parse(text.data(), static_cast<int>(text.size()), &hook));
  EXPECT_EQ(std::vector<std::string>({"A=1", "B=2"}), hook.seen);
  EXPECT_EQ(4, parser.bodyLength());
  EXPECT_EQ(1, hook.begins);
}

TEST(HttpProtocolParser, WithoutAHookEveryLineIsStored) {
  std::string text = "A: 1\r\n\r\n";
  YHttpProtocolParser parser;
  parser.set_started(true);
  ASSERT_EQ(YHttpProtocolParser::kComplete, parser.parse(text.data(), static_cast<int>(text.size()), nullptr));
  ASSERT_EQ(1u, parser.headers().size());
  EXPECT_EQ("1", parser.headers()[0].value);
}

}  // namespace
