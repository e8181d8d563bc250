#include "AccessLog.h"

#include "HttpDate.h"

std::string FormatAccessLogLine(const AccessLogEntry& entry) {
  std::string line;
  line.reserve(128 + entry.requestLine.size() + entry.extensionText.size());
  line += entry.client;
  line += " - - [";
  line += FormatLogTime(entry.time);
  line += "] \"";
  // Quotes and control characters in client text would break the line's fields.
  auto appendSafe = [&](std::string_view text) {
    for (char c : text) line += (c == '"' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
  };
  appendSafe(entry.requestLine);
  char numbers[80];
  std::snprintf(numbers, sizeof numbers, "\" %d %llu %.3f \"", entry.status,
                static_cast<unsigned long long>(entry.bytes), entry.durationMs);
  line += numbers;
  appendSafe(entry.extensionText);
  line += "\"\n";
  return line;
}

AccessLog::~AccessLog() {
  if (owned_ && file_) std::fclose(file_);
  DeleteCriticalSection(&lock_);
}

bool AccessLog::Open(const std::string& path) {
  if (path.empty()) {
    file_ = stdout;
    return true;
  }
  file_ = std::fopen(path.c_str(), "ab");
  owned_ = file_ != nullptr;
  return file_ != nullptr;
}

void AccessLog::Write(const AccessLogEntry& entry) {
  std::string line = FormatAccessLogLine(entry);
  EnterCriticalSection(&lock_);
  if (file_) {
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
  }
  LeaveCriticalSection(&lock_);
}
