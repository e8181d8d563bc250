// YHttpProtocolParserHook: the callback interface of the request-header parser. The
// parser hands every header line it splits to onHeader and stores or drops the line as
// the answer says. The Request object implements it for request intake.
#pragma once

class YHttpProtocolParserHook {
 public:
  // Answers of onHeader.
  static constexpr int kAbort = 0;        // stop parsing
  static constexpr int kStoreAtTail = 1;  // any value but 0, 2 and 3 stores at the tail
  static constexpr int kConsumed = 2;     // the hook took the line; do not store it
  static constexpr int kStoreAtHead = 3;

  virtual ~YHttpProtocolParserHook() = default;
  // name is NUL-terminated; value holds *valueLength bytes, which the hook may shorten.
  virtual int onHeader(const char* name, char* value, int* valueLength, bool isFirstLine) = 0;
  virtual void onBegin() {}
  virtual void onEnd() {}
};

// Runs the header parser over a block of header lines without a request line (the
// server's ALL_HTTP text, length bytes, modified in place), handing each line to hook.
// Answers the parser's result: 0 aborted, 1 head complete, 2 more data needed.
using YHeaderLinesParser = int (*)(char* text, int length, YHttpProtocolParserHook* hook);
