#include "Clock.h"

namespace {
// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDifference = 116444736000000000LL;
constexpr int64_t kIntervalsPerSecond = 10000000LL;
}  // namespace

int64_t FileTimeToSeconds(const FILETIME& time) {
  int64_t intervals = (static_cast<int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (intervals - kEpochDifference) / kIntervalsPerSecond;
}

int64_t SecondsSince1970() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return FileTimeToSeconds(now);
}
