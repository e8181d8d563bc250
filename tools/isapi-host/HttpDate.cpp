#include "HttpDate.h"

#include <cstdio>

namespace {

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string FormatHttpDate(const SYSTEMTIME& t) {
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02u %s %04u %02u:%02u:%02u GMT", kDays[t.wDayOfWeek % 7], t.wDay,
                kMonths[(t.wMonth + 11) % 12], t.wYear, t.wHour, t.wMinute, t.wSecond);
  return text;
}

std::string FormatHttpDate(const FILETIME& utc) {
  SYSTEMTIME t{};
  FileTimeToSystemTime(&utc, &t);
  return FormatHttpDate(t);
}

std::string FormatLogTime(const SYSTEMTIME& t) {
  char text[40];
  std::snprintf(text, sizeof text, "%02u/%s/%04u:%02u:%02u:%02u +0000", t.wDay, kMonths[(t.wMonth + 11) % 12], t.wYear,
                t.wHour, t.wMinute, t.wSecond);
  return text;
}
