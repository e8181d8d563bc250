#include "host/YStringBuf.h"

#include <cstdlib>
#include <cstring>

YStringBuf::YStringBuf(uint32_t capacity) {
  start_ = static_cast<char*>(std::malloc(capacity ? capacity : 1));
  if (start_) capacity_ = capacity ? capacity : 1;
  end_ = start_;
}

YStringBuf::~YStringBuf() { std::free(start_); }

bool YStringBuf::write(const void* buffer, uint32_t length) {
  uint64_t used = size();
  uint64_t needed = used + length;
  if (needed >= capacity_) {
    // Grow while used + length reaches the capacity, so one byte stays free for a NUL.
    uint64_t capacity = capacity_;
    while (needed >= capacity) {
      uint64_t step = capacity < kMaxGrowthStep ? capacity : kMaxGrowthStep;
      capacity += step ? step : 1;
    }
    if (capacity > UINT32_MAX) return false;
    char* grown = static_cast<char*>(std::malloc(static_cast<size_t>(capacity)));
    if (!grown) return false;
    if (used) std::memcpy(grown, start_, static_cast<size_t>(used));
    std::free(start_);
    start_ = grown;
    end_ = grown + used;
    capacity_ = static_cast<uint32_t>(capacity);
  }
  if (length) std::memcpy(end_, buffer, length);
  end_ += length;
  return true;
}

const char* YStringBuf::terminate() {
  if (!start_) return "";
  *end_ = '\0';
  return start_;
}
