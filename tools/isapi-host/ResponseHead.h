// ResponseHead: the response head an extension hands over with
// HSE_REQ_SEND_RESPONSE_HEADER, taken apart so the server can frame the body, and the
// texts of the server's own heads. Pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct ExtensionHead {
  std::string status = "200 OK";  // code and reason, as given
  int statusCode = 200;
  std::string fields;     // header lines, each ending in "\r\n", without the empty line
  std::string bodyStart;  // anything after the empty line: the first bytes of the body
  bool hasContentLength = false;
  uint64_t contentLength = 0;
  bool hasTransferEncoding = false;
  bool connectionClose = false;
};

// status may be null ("200 OK"); headers may be null, end with or without the empty
// line, and use "\r\n" or "\n". Lines without a colon or with a stray carriage return
// are dropped; the status ends at its first line break.
ExtensionHead ParseExtensionHead(const char* status, std::string_view headers);

// The reason phrase of a status code the server itself answers with.
const char* ReasonPhrase(int status);

// A complete response head: "HTTP/1.1 " status, Server, Date, then fields, then the
// empty line. date is an HTTP date.
std::string BuildResponseHead(std::string_view status, std::string_view date, std::string_view fields);
