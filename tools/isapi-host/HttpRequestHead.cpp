#include "HttpRequestHead.h"

#include <algorithm>

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool IsTokenChar(unsigned char c) {
  if (c <= 32 || c >= 127) return false;
  return std::string_view("()<>@,;:\\\"/[]?={}").find(static_cast<char>(c)) == std::string_view::npos;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

HeadParseResult Error(int status) { return {HeadParse::kError, 0, status}; }

// The path and query of an absolute-form target ("http://host:port/path?q"), with "/"
// for an empty path. False when target is not in absolute form.
bool OriginOfAbsoluteTarget(std::string_view target, std::string* origin) {
  size_t scheme = target.find("://");
  if (scheme == std::string_view::npos) return false;
  std::string_view name = target.substr(0, scheme);
  if (!EqualsNoCase(name, "http") && !EqualsNoCase(name, "https")) return false;
  std::string_view rest = target.substr(scheme + 3);
  size_t path = rest.find_first_of("/?");
  if (path == 0 || rest.empty()) return false;  // no authority
  origin->assign(path == std::string_view::npos || rest[path] == '?' ? "/" : "");
  if (path != std::string_view::npos) origin->append(rest.substr(path));
  return true;
}

}  // namespace

const std::string* HttpRequestHead::Find(std::string_view name) const {
  for (const auto& field : fields)
    if (EqualsNoCase(field.first, name)) return &field.second;
  return nullptr;
}

bool HttpRequestHead::HasToken(std::string_view name, std::string_view token) const {
  for (const auto& field : fields) {
    if (!EqualsNoCase(field.first, name)) continue;
    std::string_view rest = field.second;
    while (!rest.empty()) {
      size_t comma = rest.find(',');
      if (EqualsNoCase(TrimBlanks(rest.substr(0, comma)), token)) return true;
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
  }
  return false;
}

HeadParseResult ParseRequestHead(std::string_view data, HttpRequestHead* head) {
  size_t pos = 0;
  // Tolerate empty lines before the request line (a client's stray CRLF after a body).
  while (pos < data.size() && (data[pos] == '\r' || data[pos] == '\n')) ++pos;
  size_t start = pos;

  // Find the end of the head: an empty line.
  size_t end = std::string_view::npos;
  for (size_t i = pos; i < data.size(); ++i) {
    if (data[i] != '\n') continue;
    if (i + 1 < data.size() && data[i + 1] == '\n') {
      end = i + 2;
      break;
    }
    if (i + 2 < data.size() && data[i + 1] == '\r' && data[i + 2] == '\n') {
      end = i + 3;
      break;
    }
  }
  if (end == std::string_view::npos) {
    if (data.size() - start > kMaxRequestHeadBytes || pos > kMaxRequestHeadBytes) return Error(431);
    return {};
  }
  if (end - start > kMaxRequestHeadBytes) return Error(431);

  // Split into lines.
  std::vector<std::string_view> lines;
  size_t lineStart = start;
  for (size_t i = start; i < end; ++i) {
    if (data[i] != '\n') continue;
    std::string_view line = data.substr(lineStart, i - lineStart);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    lineStart = i + 1;
  }
  if (lines.empty() || !lines.back().empty()) return Error(400);
  lines.pop_back();
  if (lines.empty()) return Error(400);

  // Request line: method SP target SP HTTP/1.x
  std::string_view requestLine = lines[0];
  size_t sp1 = requestLine.find(' ');
  if (sp1 == std::string_view::npos || sp1 == 0) return Error(400);
  size_t sp2 = requestLine.find(' ', sp1 + 1);
  if (sp2 == std::string_view::npos || sp2 == sp1 + 1) return Error(400);
  std::string_view method = requestLine.substr(0, sp1);
  std::string_view target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
  std::string_view version = requestLine.substr(sp2 + 1);
  for (char c : method)
    if (!IsTokenChar(static_cast<unsigned char>(c))) return Error(400);
  for (char c : target)
    if (static_cast<unsigned char>(c) <= 32 || c == 127) return Error(400);
  std::string origin;
  if (OriginOfAbsoluteTarget(target, &origin)) target = origin;
  if (target.front() != '/' && target != "*") return Error(400);
  if (version.size() != 8 || version.substr(0, 5) != "HTTP/" || version[6] != '.' || version[5] < '0' ||
      version[5] > '9' || version[7] < '0' || version[7] > '9')
    return Error(400);
  if (version[5] != '1') return Error(505);

  HttpRequestHead parsed;
  parsed.method.assign(method);
  parsed.target.assign(target);
  parsed.minorVersion = version[7] - '0';

  if (lines.size() - 1 > kMaxHeaderFields) return Error(431);
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (line.front() == ' ' || line.front() == '\t') return Error(400);  // obsolete folding
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return Error(400);
    std::string_view name = line.substr(0, colon);
    for (char c : name)
      if (!IsTokenChar(static_cast<unsigned char>(c))) return Error(400);
    std::string_view value = TrimBlanks(line.substr(colon + 1));
    for (char c : value)
      if (c == '\0' || c == '\r' || c == '\n') return Error(400);
    parsed.fields.emplace_back(std::string(name), std::string(value));
    parsed.rawFields.append(line);
    parsed.rawFields.append("\r\n");
  }
  if (parsed.minorVersion >= 1 && !parsed.Find("Host")) return Error(400);
  *head = std::move(parsed);
  return {HeadParse::kComplete, end, 0};
}

BodyFraming DetermineBodyFraming(const HttpRequestHead& head) {
  BodyFraming framing;
  const std::string* coding = head.Find("Transfer-Encoding");
  const std::string* length = nullptr;
  for (const auto& field : head.fields) {
    if (!EqualsNoCase(field.first, "Content-Length")) continue;
    if (length && *length != field.second) {
      framing.errorStatus = 400;  // conflicting lengths
      return framing;
    }
    length = &field.second;
  }
  if (coding) {
    if (length) {
      framing.errorStatus = 400;  // both: a smuggling attempt or a broken client
      return framing;
    }
    if (!EqualsNoCase(TrimBlanks(*coding), "chunked")) {
      framing.errorStatus = 501;
      return framing;
    }
    framing.kind = BodyFraming::kChunked;
    return framing;
  }
  if (length) {
    if (length->empty() || length->size() > 19) {
      framing.errorStatus = 400;
      return framing;
    }
    uint64_t value = 0;
    for (char c : *length) {
      if (c < '0' || c > '9') {
        framing.errorStatus = 400;
        return framing;
      }
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    framing.kind = value ? BodyFraming::kLength : BodyFraming::kNone;
    framing.length = value;
  }
  return framing;
}

bool WantsKeepAlive(const HttpRequestHead& head) {
  if (head.HasToken("Connection", "close")) return false;
  if (head.minorVersion == 0) return head.HasToken("Connection", "keep-alive");
  return true;
}
