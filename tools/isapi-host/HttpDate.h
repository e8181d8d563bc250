// Date texts: the HTTP date of header fields and the access log's time stamp.
#pragma once

#include <windows.h>

#include <string>

// "Tue, 08 Dec 2026 05:07:49 GMT"
std::string FormatHttpDate(const SYSTEMTIME& utc);
std::string FormatHttpDate(const FILETIME& utc);
// "08/Dec/2026:05:07:49 +0000"
std::string FormatLogTime(const SYSTEMTIME& utc);
