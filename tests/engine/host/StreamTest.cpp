// The byte streams: YWStream's write loop, YStringBuf's growth, integer output, YConsole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/YConsole.h"
#include "host/YStringBuf.h"
#include "host/YWStream.h"

namespace {

// A stream whose writeRaw takes at most `step` bytes per call, or answers `answer`
// when that is set.
class ScriptedStream : public YWStream {
 public:
  int writeRaw(const void* buffer, uint32_t length) override {
    ++calls;
    if (answer) return *answer;
    uint32_t take = length < step ? length : step;
    taken.append(static_cast<const char*>(buffer), take);
    return static_cast<int>(take);
  }
  uint32_t step = 0xFFFFFFFF;
  const int* answer = nullptr;
  int calls = 0;
  std::string taken;
};

TEST(YWStream, WriteHandsEveryByteToWriteRawInPieces) {
  ScriptedStream stream;
  stream.step = 3;
  EXPECT_TRUE(stream.write("abcdefgh", 8));
  EXPECT_EQ("abcdefgh", stream.taken);
  EXPECT_EQ(3, stream.calls);
}

TEST(YWStream, WriteOfLengthZeroSucceedsWithoutWriteRaw) {
  ScriptedStream stream;
  EXPECT_TRUE(stream.write("x", 0));
  EXPECT_EQ(0, stream.calls);
}

TEST(YWStream, WriteFailsWhenWriteRawTakesLessThanOneByte) {
  for (int answer : {0, -1, -7}) {
    ScriptedStream stream;
    stream.answer = &answer;
    EXPECT_FALSE(stream.write("abc", 3)) << answer;
    EXPECT_EQ(1, stream.calls) << answer;
  }
  // The base class takes nothing at all.
  YWStream base;
  EXPECT_FALSE(base.write("abc", 3));
  EXPECT_TRUE(base.flush());
  EXPECT_FALSE(base.reserved1());
}

TEST(YWStream, WriteAndFreeWritesThenFreesTheBuffer) {
  ScriptedStream stream;
  char* buffer = static_cast<char*>(std::malloc(5));
  std::memcpy(buffer, "hello", 5);
  EXPECT_TRUE(stream.writeAndFree(buffer, 5));
  EXPECT_EQ("hello", stream.taken);
}

TEST(YWStream, WriteIntegerFormatsDecimalAndReportsAFailedWrite) {
  const std::pair<int, const char*> cases[] = {
      {0, "0"}, {-1, "-1"}, {2147483647, "2147483647"}, {-2147483647 - 1, "-2147483648"}};
  for (const auto& [value, text] : cases) {
    ScriptedStream stream;
    EXPECT_TRUE(stream.writeInteger(value));
    EXPECT_EQ(text, stream.taken);
  }
  ScriptedStream broken;
  int zero = 0;
  broken.answer = &zero;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(broken.writeInteger(42));
  EXPECT_EQ("cann't write to stream\n", testing::internal::GetCapturedStderr());
}

TEST(YStringBuf, GrowsSoThatOneByteAfterTheDataStaysFree) {
  struct Case {
    uint32_t capacity;
    uint32_t first;   // bytes written first
    uint32_t second;  // then these
    uint32_t expected;
  };
  const Case cases[] = {
      {256, 255, 0, 256},        // 255 used: the byte for a NUL is still free
      {256, 255, 1, 512},        // the 256th byte grows the buffer
      {256, 200, 55, 256},       // 255 exactly: no growth
      {16, 100, 0, 128},         // doubles: 32, 64, 128
      {8192, 8192, 0, 16384},    // doubling stops at the step limit...
      {16384, 16384, 0, 24576},  // ...and then grows by 8192
      {16384, 20000, 20000, 40960},
  };
  for (const Case& c : cases) {
    YStringBuf buffer(c.capacity);
    std::string expected(c.first, 'a');
    expected.append(c.second, 'b');
    EXPECT_TRUE(buffer.write(std::string(c.first, 'a').data(), c.first));
    EXPECT_TRUE(buffer.write(std::string(c.second, 'b').data(), c.second));
    EXPECT_EQ(c.expected, buffer.capacity()) << c.capacity << " " << c.first << "+" << c.second;
    EXPECT_LT(buffer.size(), buffer.capacity());
    EXPECT_EQ(expected, std::string(buffer.terminate()));
  }
}

TEST(YStringBuf, KeepsItsContentWhenGrowthFails) {
  YStringBuf buffer(16);
  ASSERT_TRUE(buffer.write("keep", 4));
  // More than any buffer can hold: the growth cannot succeed.
  EXPECT_FALSE(buffer.write("x", 0xFFFFFFF0u));
  EXPECT_EQ("keep", std::string(buffer.data(), buffer.size()));
  EXPECT_EQ(16u, buffer.capacity());
}

TEST(YStringBuf, ClearEmptiesAndKeepsTheAllocation) {
  YStringBuf buffer(8);
  ASSERT_TRUE(buffer.write("0123456789", 10));
  uint32_t capacity = buffer.capacity();
  buffer.clear();
  EXPECT_EQ(0u, buffer.size());
  EXPECT_EQ(capacity, buffer.capacity());
  EXPECT_STREQ("", buffer.terminate());
  EXPECT_TRUE(buffer.write("z", 1));
  EXPECT_STREQ("z", buffer.terminate());
}

TEST(YConsole, PrintsTextOnStandardOutputAndAnswersTheLength) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(5, YConsole::instance().writeRaw("hello", 5));
  EXPECT_TRUE(YConsole::instance().write(" world", 6));
  std::fflush(stdout);
  EXPECT_EQ("hello world", testing::internal::GetCapturedStdout());
  EXPECT_EQ(&YConsole::instance(), &YConsole::instance());
}

}  // namespace
