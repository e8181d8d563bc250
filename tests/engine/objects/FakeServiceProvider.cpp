#include "FakeServiceProvider.h"

#include <algorithm>
#include <cstring>

int FakeServiceProvider::ReadClient(void* buffer, int length) {
  ++readCalls;
  if (failReadsAfter >= 0 && readCalls > failReadsAfter) return -1;
  size_t start = std::max<size_t>(readPosition_, preloaded);
  if (start >= body.size()) return 0;
  size_t n = std::min<size_t>({static_cast<size_t>(length), static_cast<size_t>(readChunk), body.size() - start});
  memcpy(buffer, body.data() + start, n);
  readPosition_ = start + n;
  return static_cast<int>(n);
}

void FakeServiceProvider::SetHeaders(const std::vector<std::pair<std::string, std::string>>& lines) {
  std::string all;
  for (const auto& [name, value] : lines) {
    all += name + ":" + value + "\n";
    variables[name] = value;
  }
  variables["ALL_HTTP"] = all;
}

const unsigned char* FakeServiceProvider::takePreloadedBody(uint32_t* length) {
  if (preloadTaken_) {
    *length = 0;
    return nullptr;
  }
  preloadTaken_ = true;
  *length = std::min<uint32_t>(preloaded, static_cast<uint32_t>(body.size()));
  return reinterpret_cast<const unsigned char*>(body.data());
}

bool FakeServiceProvider::getServerVariable(const char* name, char* buffer, DWORD* size) {
  variableCalls.push_back(name);
  auto it = variables.find(name);
  if (it == variables.end()) {
    SetLastError(ERROR_INVALID_INDEX);
    return false;
  }
  DWORD needed = static_cast<DWORD>(it->second.size() + 1);
  if (!buffer || *size < needed) {
    // A real server may leave part of the value in a buffer that is too small.
    if (buffer && *size > 0) {
      memcpy(buffer, it->second.data(), std::min<size_t>(*size - 1, it->second.size()));
    }
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  memcpy(buffer, it->second.c_str(), needed);
  *size = needed;
  return true;
}

bool FakeServiceProvider::addHeader(const char* name, const char* value) {
  headers.emplace_back(name, value);
  return true;
}
