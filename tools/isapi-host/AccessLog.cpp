#include "AccessLog.h"

#include "HttpDate.h"

#include <cstdio>

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
  if (owned_) CloseHandle(file_);
  DeleteCriticalSection(&lock_);
}

bool AccessLog::Open(const std::string& path) {
  if (path.empty()) {
    file_ = GetStdHandle(STD_OUTPUT_HANDLE);
    return true;
  }
  file_ = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  owned_ = file_ != INVALID_HANDLE_VALUE;
  return owned_;
}

void AccessLog::Write(const AccessLogEntry& entry) { WriteLine(FormatAccessLogLine(entry)); }

void AccessLog::WriteLine(std::string_view line) {
  if (forward_) {
    forward_(line);
    return;
  }
  EnterCriticalSection(&lock_);
  if (file_ != INVALID_HANDLE_VALUE && file_ != nullptr) {
    DWORD written = 0;
    WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  LeaveCriticalSection(&lock_);
}
