// The response head of a page, built once per request from the Response object's
// settings and the page context's redirect state, and handed to the host, which sends
// it with the first body bytes or the final flush.
#pragma once

#include <string>
#include <string_view>

class YPageContext;

// A status line as Response.Status takes it: three digits, one blank and a reason text
// of printable characters (no line break). False, leaving the outputs alone, otherwise.
bool ParseStatusLine(std::string_view text, int* code, std::string* reason);

// Redirect (a target without a pending transfer): 302 "MOVED" and "Location", no body.
// Otherwise Response.Status (200 "OK" unless set; 500 "Internal Server Error" for a
// page that failed before its head went out), "Content-Type" (text/html unless set, "; charset=" and the
// charset when set) and "Cache-Control" when set. Then one "Set-Cookie" line per
// changed cookie. Answers true; a second call does nothing.
bool BuildHead(YPageContext& context);
