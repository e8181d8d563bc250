// Helpers of the application and session tests: a client that keeps cookies as a
// browser does, the library's test clock, and the files of a site.
#pragma once

#include "PageSite.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One browser: sends back every cookie it was given (by name, as the last Set-Cookie
// line left it), one request per connection.
class CookieClient {
 public:
  explicit CookieClient(PageSite& site) : site_(site) {}
  HttpResponse Get(const std::string& target);
  std::string Cookie(const std::string& name) const;
  void SetCookie(const std::string& name, const std::string& value) { jar_[name] = value; }

 private:
  PageSite& site_;
  std::map<std::string, std::string> jar_;
};

// Every "Set-Cookie" line of a response.
std::vector<std::string> SetCookieLines(const HttpResponse& response);
// The fields of a body written as a|b|c.
std::vector<std::string> Fields(const std::string& body);

// The library's clock of session expiry and of the global.asa change test: fixed at
// seconds since 1970, or the wall clock again for 0. The library must be loaded.
void SetLibraryClock(int64_t seconds);
int64_t WallClockSeconds();

// Sets a file's last-write time to seconds since 1970.
bool SetFileWriteTime(const std::string& path, int64_t seconds);
std::string ReadWholeFile(const std::string& path);
