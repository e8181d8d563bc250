#include "CookieText.h"

#include <cstdio>
#include <cstring>

#include "automation/TextConversion.h"
#include "objects/YLeadByteTable.h"

namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string_view Trim(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n\v\f";
  size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(kSpace);
  return text.substr(first, last - first + 1);
}

// Day of the week of a Gregorian date, 0 for Sunday.
int DayOfWeek(int year, int month, int day) {
  static constexpr int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  int dow = (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
  return dow < 0 ? dow + 7 : dow;
}

}  // namespace

void ParseCookieHeaderText(std::string_view text, std::string* sessionId, const YLeadByteTable& leadBytes,
                           const std::function<void(const YCookieData&)>& merge) {
  YCookieData cookie;
  bool started = false;
  size_t start = 0;
  while (true) {
    size_t end = leadBytes.Find(text, ';', start);
    std::string_view segment = text.substr(start, end == std::string_view::npos ? end : end - start);
    start = end == std::string_view::npos ? text.size() : end + 1;
    size_t equals = segment.find('=');
    if (!segment.empty() && equals != std::string_view::npos) {
      std::string_view name = Trim(segment.substr(0, equals));
      std::string_view value = segment.substr(equals + 1);
      if (name == "SESSIONID" && sessionId) sessionId->assign(value);
      if (!name.empty() && !EqualsAsciiNoCase(name, "$Version") && !value.empty()) {
        if (name.front() == '$') {
          if (!started) return;
          size_t bare = name.find_first_not_of('$');
          cookie.SetRequestAttribute(bare == std::string_view::npos ? std::string_view() : name.substr(bare), value);
        } else {
          if (started) {
            merge(cookie);
            cookie.Reset();
          } else {
            started = true;
            cookie.changed = true;
          }
          cookie.name.assign(name);
          ParseCookieValue(value, &cookie);
        }
      }
    }
    if (end == std::string_view::npos) break;
  }
  if (!cookie.name.empty()) merge(cookie);
}

void ParseCookieValue(std::string_view value, YCookieData* cookie) {
  if (value.find('&') != std::string_view::npos) {
    size_t start = 0;
    while (start <= value.size()) {
      size_t amp = value.find('&', start);
      std::string_view piece = value.substr(start, amp == std::string_view::npos ? amp : amp - start);
      if (piece.empty()) break;
      size_t equals = piece.find('=');
      if (equals == std::string_view::npos) {
        cookie->SetKey(piece, {});
      } else {
        cookie->SetKey(piece.substr(0, equals), piece.substr(equals + 1));
      }
      if (amp == std::string_view::npos) break;
      start = amp + 1;
    }
  } else if (size_t equals = value.find('='); equals != std::string_view::npos) {
    cookie->SetKey(value.substr(0, equals), value.substr(equals + 1));
  } else {
    cookie->SetValue(value);
  }
}

std::optional<std::string> BuildSetCookieText(YCookieData* cookie) {
  if (!cookie->changed || cookie->name.empty()) return std::nullopt;
  std::string line = cookie->name;
  line += '=';
  if (!cookie->keys.empty()) {
    bool first = true;
    cookie->keys.ForEach([&](const std::string& key, const std::string& text) {
      if (!first) line += '&';
      first = false;
      line += key;
      if (!text.empty()) line.append("=").append(text);
    });
  } else {
    line += cookie->value;
  }
  if (cookie->path.empty()) cookie->path = "/";
  cookie->attributes.Set("path", cookie->path);
  cookie->changed = true;
  cookie->attributes.ForEach([&](const std::string& name, const std::string& text) {
    line.append("; ").append(name).append("=").append(text);
  });
  return line;
}

std::string FormatCookieExpires(const SYSTEMTIME& utc) {
  int month = utc.wMonth >= 1 && utc.wMonth <= 12 ? utc.wMonth : 1;
  char text[64];
  snprintf(text, sizeof text, "%s, %02d-%s-%d %02d:%02d:%02d GMT", kWeekdays[DayOfWeek(utc.wYear, month, utc.wDay)],
           utc.wDay, kMonths[month - 1], utc.wYear, utc.wHour, utc.wMinute, utc.wSecond);
  return text;
}

bool ParseCookieExpires(std::string_view text, SYSTEMTIME* utc) {
  char weekday[4] = {}, month[4] = {};
  int day = 0, year = 0, hour = 0, minute = 0, second = 0, used = 0;
  std::string copy(text);
  if (sscanf(copy.c_str(), "%3s, %d-%3s-%d %d:%d:%d GMT%n", weekday, &day, month, &year, &hour, &minute, &second,
             &used) != 7 ||
      used != static_cast<int>(copy.size())) {
    return false;
  }
  int monthIndex = -1;
  for (int i = 0; i < 12; ++i) {
    if (strcmp(month, kMonths[i]) == 0) monthIndex = i;
  }
  if (monthIndex < 0 || day < 1 || day > 31 || year < 1601 || year > 30827 || hour > 23 || minute > 59 || second > 59 ||
      hour < 0 || minute < 0 || second < 0) {
    return false;
  }
  *utc = SYSTEMTIME{};
  utc->wYear = static_cast<WORD>(year);
  utc->wMonth = static_cast<WORD>(monthIndex + 1);
  utc->wDay = static_cast<WORD>(day);
  utc->wHour = static_cast<WORD>(hour);
  utc->wMinute = static_cast<WORD>(minute);
  utc->wSecond = static_cast<WORD>(second);
  utc->wDayOfWeek = static_cast<WORD>(DayOfWeek(year, monthIndex + 1, day));
  return true;
}

bool BreaksCookieLine(std::string_view text, bool isName) {
  return text.find_first_of(isName ? std::string_view("\r\n;") : std::string_view("\r\n")) != std::string_view::npos;
}
