// YHttpProtocolParser: splits a block of HTTP header lines and hands every line to a
// hook, which decides whether the line is kept. The buffer is worked on in place and
// may be fed again, extended, with the same parser until the head is complete.
#pragma once

#include <deque>
#include <string>

#include "host/YHttpProtocolParserHook.h"

class YHttpProtocolParser {
 public:
  // parse answers these.
  static constexpr int kAborted = 0;
  static constexpr int kComplete = 1;
  static constexpr int kNeedMore = 2;

  struct Header {
    std::string name;
    std::string value;
  };

  YHttpProtocolParser() = default;
  YHttpProtocolParser(const YHttpProtocolParser&) = delete;
  YHttpProtocolParser& operator=(const YHttpProtocolParser&) = delete;
  virtual ~YHttpProtocolParser() = default;

  // Parses buffer[0, length) from where the last call stopped. Lines end in LF (a CR
  // before it is dropped); a line that starts with a blank or a tab continues the one
  // before; the first empty line after a header ends the head. The first line is split
  // at its first blank (a request or status line) unless started is set; every other
  // line at its first colon. Without a hook every line is stored at the tail.
  int parse(char* buffer, int length, YHttpProtocolParserHook* hook);

  // Header-only mode: the block has no request line.
  void set_started(bool started) { started_ = started; }
  bool started() const { return started_; }

  const char* bodyStart() const { return bodyStart_; }
  int bodyLength() const { return bodyLength_; }
  const std::deque<Header>& headers() const { return headers_; }

 private:
  const char* bodyStart_ = nullptr;
  int bodyLength_ = 0;
  std::deque<Header> headers_;
  int position_ = 0;
  bool started_ = false;
};

// Parses a block of header lines without a request line (the server's ALL_HTTP text)
// in place, handing each line to hook: the request intake's header parser.
int ParseHeaderLines(char* text, int length, YHttpProtocolParserHook* hook);
