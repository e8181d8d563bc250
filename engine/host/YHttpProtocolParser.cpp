#include "host/YHttpProtocolParser.h"

#include <cstring>
#include <new>

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

int YHttpProtocolParser::parse(char* buffer, int length, YHttpProtocolParserHook* hook) {
  if (position_ == 0 && hook) hook->onBegin();
  for (;;) {
    if (position_ >= length) return kNeedMore;
    char* line = buffer + position_;
    char* const end = buffer + length;
    char* lf = static_cast<char*>(std::memchr(line, '\n', end - line));
    if (!lf) return kNeedMore;

    if (*line == '\n' || *line == '\r') {
      position_ = static_cast<int>(lf + 1 - buffer);
      if (!started_) continue;  // empty lines before the first header are skipped
      bodyStart_ = lf + 1;
      bodyLength_ = length - position_;
      if (hook) hook->onEnd();
      return kComplete;
    }
    if (started_) {
      if (lf + 1 == end) return kNeedMore;  // a continuation line may still follow
      if (IsBlank(lf[1])) {
        // Join the next line to this one and look at the longer line again.
        *lf = ' ';
        if (char* cr = static_cast<char*>(std::memchr(line, '\r', lf - line))) *cr = ' ';
        continue;
      }
    }
    position_ = static_cast<int>(lf + 1 - buffer);
    char* lineEnd = static_cast<char*>(std::memchr(line, '\r', lf - line));
    if (!lineEnd) lineEnd = lf;
    *lineEnd = '\0';

    const bool firstLine = !started_;
    char* separator = static_cast<char*>(std::memchr(line, firstLine ? ' ' : ':', lineEnd - line));
    if (!separator) continue;  // not a header line
    *separator = '\0';
    char* value = separator + 1;
    while (value < lineEnd && IsBlank(*value)) ++value;
    int valueLength = static_cast<int>(lineEnd - value);

    int decision = hook ? hook->onHeader(line, value, &valueLength, firstLine) : YHttpProtocolParserHook::kStoreAtTail;
    if (decision == YHttpProtocolParserHook::kAbort) return kAborted;
    if (decision != YHttpProtocolParserHook::kConsumed) {
      if (valueLength < 0) valueLength = 0;
      if (valueLength > lineEnd - value) valueLength = static_cast<int>(lineEnd - value);
      try {
        Header header{line, std::string(value, static_cast<size_t>(valueLength))};
        if (decision == YHttpProtocolParserHook::kStoreAtHead)
          headers_.push_front(std::move(header));
        else
          headers_.push_back(std::move(header));
      } catch (const std::bad_alloc&) {
        return kAborted;
      }
    }
    started_ = true;
  }
}

int ParseHeaderLines(char* text, int length, YHttpProtocolParserHook* hook) {
  YHttpProtocolParser parser;
  parser.set_started(true);
  return parser.parse(text, length, hook);
}
