// HttpRequestHead: the request line and header fields of one HTTP/1.x request, and the
// parser that reads them from the bytes received so far.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The request line and all header lines together, the empty line included.
constexpr size_t kMaxRequestHeadBytes = 16384;
constexpr size_t kMaxHeaderFields = 100;

struct HttpRequestHead {
  std::string method;
  std::string target;    // path and query, still encoded (an absolute-form target's path)
  int minorVersion = 1;  // HTTP/1.minor
  std::vector<std::pair<std::string, std::string>> fields;  // names as sent
  std::string rawFields;                                    // the header lines as received, each ending in "\r\n"

  // The value of the first field called name (any case), or null.
  const std::string* Find(std::string_view name) const;
  // Whether a comma-separated field contains token (any case).
  bool HasToken(std::string_view name, std::string_view token) const;
};

enum class HeadParse { kIncomplete, kComplete, kError };

struct HeadParseResult {
  HeadParse state = HeadParse::kIncomplete;
  size_t headLength = 0;  // kComplete: bytes up to and including the empty line
  int errorStatus = 0;    // kError: 400, 431, 501 or 505
};

// Parses the head at the start of data. Empty lines before the request line are
// skipped (they count in headLength). Lines may end in "\r\n" or a bare "\n". A target
// in absolute form ("http://host/path?q") is taken as its path and query. An HTTP/1.1
// request without a Host field is refused with 400.
HeadParseResult ParseRequestHead(std::string_view data, HttpRequestHead* head);

// How the request body is framed.
struct BodyFraming {
  enum Kind { kNone, kLength, kChunked } kind = kNone;
  uint64_t length = 0;
  int errorStatus = 0;  // 400 for a malformed or conflicting length, 501 for an unknown coding
};
BodyFraming DetermineBodyFraming(const HttpRequestHead& head);

// Whether the connection stays open after this request's response.
bool WantsKeepAlive(const HttpRequestHead& head);
