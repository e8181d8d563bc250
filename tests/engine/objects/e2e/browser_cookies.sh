#!/usr/bin/env bash
# Cookies set by pages arrive in a real browser's cookie jar: isapi-host.exe (under Wine)
# serves browser-site/ with vellum.dll on a free loopback port, and headless Chromium
# loads a page that sets cookies with sub-keys and attributes, then reads them back
# through the server and through the page's own script.
#   browser_cookies.sh ISAPI_HOST_EXE VELLUM_DLL
set -euo pipefail

source "$(dirname "$0")/browser_lib.sh" "$@"

# The Set-Cookie lines on the wire, in collection (name) order, with the new session's.
curl -s --max-time 30 -o /dev/null -D "$work/head.txt" "$base/set.asp"
check "Set-Cookie lines" \
  "foreign=f; domain=example.com; path=/|gone=old; expires=Mon, 01-Jan-2001 00:00:00 GMT; path=/|multi=x=1&y=2; path=/|persist=kept; expires=Thu, 01-Jan-2099 00:00:00 GMT; path=/|plain=v1; path=/|scoped=s; path=/sub|SESSIONID=n; path=/|" \
  "$(tr -d '\r' <"$work/head.txt" | sed -n 's/^Set-Cookie: //p' | sed 's/^SESSIONID=[0-9]*;/SESSIONID=n;/' | tr '\n' '|')"

load_result "$base/set.asp"
# Sub-keys arrive as one cookie the server splits again; the expired cookie, the one for
# another domain and the one for /sub stay away from /. The session cookie comes back
# with every request, so each finds the session set.asp marked.
check "cookies sent to /" "200 [set]multi{x:1,y:2};persist=kept;plain=v1;" "$(line root)"
check "cookies sent to /sub/" "200 [set]multi{x:1,y:2};persist=kept;plain=v1;scoped=s;" "$(line sub)"
check "cookie set on a redirect" "200 [set]moved=m;multi{x:1,y:2};persist=kept;plain=v1;" "$(line redirect)"
check "document.cookie" "moved=m; multi=x=1&y=2; persist=kept; plain=v1" "$(line script)"

# A new browser on the same profile keeps only the cookie with a future expiry date: the
# session cookie has none, so the session is a new one.
browser "$base/echo.asp" >"$work/echo.html" || true
check "cookies after a browser restart" "[]persist=kept;" \
  "$(sed -e 's/<[^>]*>//g' "$work/echo.html" | tr -d '\n')"

finish_checks
