// AccessLog: one line per request, to a file or the standard output, written through
// the system's file calls (the same in the Windows and the Winelib program).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct AccessLogEntry {
  std::string_view client;
  SYSTEMTIME time{};  // UTC, when the request arrived
  std::string_view requestLine;
  int status = 0;
  uint64_t bytes = 0;  // body bytes sent
  double durationMs = 0;
  std::string_view extensionText;  // HSE_APPEND_LOG_PARAMETER texts
};

// client - - [time] "request line" status bytes duration-ms "extension text"
std::string FormatAccessLogLine(const AccessLogEntry& entry);

class AccessLog {
 public:
  AccessLog() { InitializeCriticalSection(&lock_); }
  ~AccessLog();
  AccessLog(const AccessLog&) = delete;
  AccessLog& operator=(const AccessLog&) = delete;

  // An empty path is the standard output. False when the file cannot be opened.
  bool Open(const std::string& path);
  void Write(const AccessLogEntry& entry);
  // One formatted line, ending in a line feed.
  void WriteLine(std::string_view line);
  // Lines go to forward instead of the file (a worker process sends them to the
  // process that owns the log). Set before the first request.
  void Forward(std::function<void(std::string_view)> forward) { forward_ = std::move(forward); }

 private:
  CRITICAL_SECTION lock_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  bool owned_ = false;
  std::function<void(std::string_view)> forward_;
};
