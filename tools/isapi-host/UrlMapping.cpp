#include "UrlMapping.h"

#include <algorithm>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    char c = s[s.size() - suffix.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != suffix[i]) return false;
  }
  return true;
}

bool SegmentAllowed(std::string_view segment) {
  for (char c : segment)
    if (std::string_view(":*?\"<>|").find(c) != std::string_view::npos) return false;
  // Windows drops trailing dots and blanks: "page.asp." would open page.asp as a
  // static file.
  return segment.back() != '.' && segment.back() != ' ';
}

}  // namespace

const char* const kDefaultDocuments[3] = {"default.asp", "index.asp", "index.html"};

int DecodeUrlPath(std::string_view raw, std::string* decoded) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '%') {
      if (i + 2 >= raw.size()) return 400;
      int hi = HexDigit(raw[i + 1]), lo = HexDigit(raw[i + 2]);
      if (hi < 0 || lo < 0) return 400;
      c = static_cast<char>(hi * 16 + lo);
      i += 2;
    }
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return 400;
    out += c;
  }
  *decoded = std::move(out);
  return 0;
}

int NormalizeUrlPath(std::string_view decoded, std::string* normalized) {
  std::vector<std::string_view> segments;
  bool trailingSlash = false;
  size_t pos = 0;
  while (pos <= decoded.size()) {
    size_t next = decoded.find_first_of("/\\", pos);
    size_t end = next == std::string_view::npos ? decoded.size() : next;
    std::string_view segment = decoded.substr(pos, end - pos);
    bool last = next == std::string_view::npos;
    if (segment.empty() || segment == ".") {
      trailingSlash = last;
    } else if (segment == "..") {
      if (segments.empty()) return 403;
      segments.pop_back();
      trailingSlash = last;
    } else {
      if (!SegmentAllowed(segment)) return 404;
      segments.push_back(segment);
      trailingSlash = false;
    }
    if (last) break;
    pos = next + 1;
  }
  std::string out;
  for (std::string_view segment : segments) {
    out += '/';
    out.append(segment);
  }
  if (out.empty() || trailingSlash) out += '/';
  *normalized = std::move(out);
  return 0;
}

FileHandling ClassifyFile(std::string_view fileName) {
  if (EndsWithNoCase(fileName, ".asp")) return FileHandling::kExtension;
  if (EndsWithNoCase(fileName, ".asa") || EndsWithNoCase(fileName, ".inc")) return FileHandling::kHidden;
  return FileHandling::kStatic;
}

MappedUrl MapUrl(std::string_view target, const std::vector<Application>& apps) {
  MappedUrl mapped;
  if (target.empty() || target.front() != '/') {
    mapped.status = 400;
    return mapped;
  }
  size_t question = target.find('?');
  if (question != std::string_view::npos) mapped.query.assign(target.substr(question + 1));
  std::string decoded;
  if ((mapped.status = DecodeUrlPath(target.substr(0, question), &decoded)) != 0) return mapped;
  if ((mapped.status = NormalizeUrlPath(decoded, &mapped.path)) != 0) return mapped;

  const Application* best = nullptr;
  for (const Application& app : apps) {
    bool matches = app.url == "/" || (mapped.path.compare(0, app.url.size(), app.url) == 0 &&
                                      (mapped.path.size() == app.url.size() || mapped.path[app.url.size()] == '/'));
    if (matches && (!best || app.url.size() > best->url.size())) best = &app;
  }
  if (!best) {
    mapped.status = 404;
    return mapped;
  }
  mapped.app = best;
  std::string_view rest = std::string_view(mapped.path).substr(best->url == "/" ? 0 : best->url.size());
  mapped.physical = best->root;
  for (char c : rest) mapped.physical += c == '/' ? '\\' : c;
  return mapped;
}

std::string FindDefaultDocument(const std::string& directory, const std::function<bool(const std::string&)>& isFile) {
  for (const char* name : kDefaultDocuments) {
    std::string candidate = WithTrailingBackslash(directory) + name;
    if (isFile(candidate)) return name;
  }
  return {};
}

std::string WithTrailingBackslash(std::string_view directory) {
  std::string out(directory);
  if (out.empty() || out.back() != '\\') out += '\\';
  return out;
}
