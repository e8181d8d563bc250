#include "ResponseHead.h"

#include "ServerVariables.h"

namespace {

bool NameIs(std::string_view line, size_t colon, std::string_view name) {
  if (colon != name.size()) return false;
  for (size_t i = 0; i < colon; ++i) {
    char c = line[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != name[i]) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

}  // namespace

ExtensionHead ParseExtensionHead(const char* status, std::string_view headers) {
  ExtensionHead head;
  std::string_view given = status ? std::string_view(status) : std::string_view();
  // One line only: a line break in the status would let its text forge header lines.
  given = Trim(given.substr(0, given.find_first_of("\r\n")));
  if (given.size() >= 3 && given[0] >= '1' && given[0] <= '5' && given[1] >= '0' && given[1] <= '9' &&
      given[2] >= '0' && given[2] <= '9' && (given.size() == 3 || given[3] == ' ')) {
    head.status.assign(given);
    head.statusCode = (given[0] - '0') * 100 + (given[1] - '0') * 10 + (given[2] - '0');
  }
  while (!headers.empty()) {
    size_t newline = headers.find('\n');
    std::string_view line = headers.substr(0, newline);
    headers.remove_prefix(newline == std::string_view::npos ? headers.size() : newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) {
      head.bodyStart.assign(headers);
      break;
    }
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0 || line.find('\r') != std::string_view::npos) continue;
    std::string_view value = Trim(line.substr(colon + 1));
    if (NameIs(line, colon, "content-length")) {
      uint64_t length = 0;
      bool valid = !value.empty() && value.size() <= 18;
      for (char c : value) {
        valid = valid && c >= '0' && c <= '9';
        if (valid) length = length * 10 + static_cast<unsigned>(c - '0');
      }
      if (!valid) continue;  // a broken length would break the framing: drop it
      head.hasContentLength = true;
      head.contentLength = length;
    } else if (NameIs(line, colon, "transfer-encoding")) {
      head.hasTransferEncoding = true;
    } else if (NameIs(line, colon, "connection")) {
      std::string lower;
      for (char c : value) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
      if (lower.find("close") != std::string::npos) head.connectionClose = true;
      continue;  // the server decides about the connection
    }
    head.fields.append(line);
    head.fields.append("\r\n");
  }
  return head;
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 417: return "Expectation Failed";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Unknown";
  }
}

std::string BuildResponseHead(std::string_view status, std::string_view date, std::string_view fields) {
  std::string head;
  head.reserve(96 + status.size() + fields.size());
  head += "HTTP/1.1 ";
  head += status;
  head += "\r\nServer: ";
  head += kServerSoftware;
  head += "\r\nDate: ";
  head += date;
  head += "\r\n";
  head += fields;
  head += "\r\n";
  return head;
}
