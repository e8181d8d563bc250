#include "StateSite.h"

#include <fstream>
#include <sstream>

#include "automation/ScopedHandle.h"

namespace {

constexpr int64_t kEpochDifference = 116444736000000000LL;  // 1601 to 1970 in 100 ns
constexpr int64_t kIntervalsPerSecond = 10000000LL;

}  // namespace

HttpResponse CookieClient::Get(const std::string& target) {
  std::string headers;
  if (!jar_.empty()) {
    headers = "Cookie: ";
    bool first = true;
    for (const auto& [name, value] : jar_) {
      headers += (first ? "" : "; ") + name + "=" + value;
      first = false;
    }
    headers += "\r\n";
  }
  HttpResponse response = site_.Get(target, headers);
  for (const std::string& line : SetCookieLines(response)) {
    size_t equals = line.find('=');
    size_t end = line.find(';');
    if (equals == std::string::npos) continue;
    jar_[line.substr(0, equals)] = line.substr(equals + 1, end == std::string::npos ? end : end - equals - 1);
  }
  return response;
}

std::string CookieClient::Cookie(const std::string& name) const {
  auto it = jar_.find(name);
  return it == jar_.end() ? std::string() : it->second;
}

std::vector<std::string> SetCookieLines(const HttpResponse& response) {
  std::vector<std::string> lines;
  for (const auto& [name, value] : response.headers) {
    if (_stricmp(name.c_str(), "Set-Cookie") == 0) lines.push_back(value);
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& body) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t bar = body.find('|', start);
    fields.push_back(body.substr(start, bar == std::string::npos ? bar : bar - start));
    if (bar == std::string::npos) return fields;
    start = bar + 1;
  }
}

void SetLibraryClock(int64_t seconds) {
  using SetClock = void(WINAPI*)(LONGLONG);
  HMODULE library = GetModuleHandleA("vellum.dll");
  auto set = library
                 ? reinterpret_cast<SetClock>(reinterpret_cast<void*>(GetProcAddress(library, "VellumTestSetClock")))
                 : nullptr;
  if (set) set(seconds);
}

int64_t WallClockSeconds() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  int64_t intervals = (static_cast<int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return (intervals - kEpochDifference) / kIntervalsPerSecond;
}

bool SetFileWriteTime(const std::string& path, int64_t seconds) {
  ScopedHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  if (!file.IsValid()) return false;
  int64_t intervals = seconds * kIntervalsPerSecond + kEpochDifference;
  FILETIME time{static_cast<DWORD>(intervals), static_cast<DWORD>(intervals >> 32)};
  return SetFileTime(file.Get(), nullptr, nullptr, &time) != FALSE;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
