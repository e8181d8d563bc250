// Cookie text: the request "Cookie" header parser, the "Set-Cookie" line builder and the
// expiry date format. Pure functions over bytes and YCookieData.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "objects/YCookieData.h"

class YLeadByteTable;

// Splits a request Cookie header into the cookies it names and hands each to merge, in
// order (a name may come more than once). Segments are divided
// at ";" stepping over double-byte characters of leadBytes; a name is trimmed of white
// space, its value taken as it is. The value of the pair named exactly "SESSIONID" goes
// to *sessionId. "$Version" is skipped; any other "$" name is an attribute of the
// cookie before it, and a "$" name before the first cookie ends the parse with no
// cookie at all.
void ParseCookieHeaderText(std::string_view text, std::string* sessionId, const YLeadByteTable& leadBytes,
                           const std::function<void(const YCookieData&)>& merge);

// Parses a request cookie's value: "k=v&k2=v2" sub-keys (stopping at the first empty
// piece), one "k=v" sub-key, or a single value.
void ParseCookieValue(std::string_view value, YCookieData* cookie);

// The text of the cookie's "Set-Cookie" line, or nothing when the cookie is unchanged
// or has no name. Gives the cookie its path attribute ("/" unless a path was set).
std::optional<std::string> BuildSetCookieText(YCookieData* cookie);

// "Thu, 01-Jan-2026 00:00:00 GMT" for a UTC time.
std::string FormatCookieExpires(const SYSTEMTIME& utc);
// The UTC time of such a text; false when it is not one.
bool ParseCookieExpires(std::string_view text, SYSTEMTIME* utc);

// Text a script sets that would break the "Set-Cookie" line: a carriage return or line
// feed anywhere, or a ";" in a name (a cookie name or sub-key name).
bool BreaksCookieLine(std::string_view text, bool isName);
