#!/usr/bin/env bash
# Cookies set by pages arrive in a real browser's cookie jar: isapi-host.exe (under Wine)
# serves browser-site/ with vellum.dll on a free loopback port, and headless Chromium
# loads a page that sets cookies with sub-keys and attributes, then reads them back
# through the server and through the page's own script.
#   browser_cookies.sh ISAPI_HOST_EXE VELLUM_DLL
set -euo pipefail

host_exe=$1
vellum_dll=$2
here=$(cd "$(dirname "$0")" && pwd)
site=$here/browser-site
chromium=${CHROMIUM:-/usr/bin/chromium}

if [ ! -x "$chromium" ]; then
  echo "browser_cookies: $chromium is missing (scripts/bootstrap.sh installs the chromium package)" >&2
  exit 1
fi

work=$(mktemp -d)
host_pid=
cleanup() {
  if [ -n "$host_pid" ]; then
    kill "$host_pid" 2>/dev/null || true
    wait "$host_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    echo "ok: $1"
  else
    echo "FAILED: $1"
    echo "  expected: $2"
    echo "  actual:   $3"
    failures=$((failures + 1))
  fi
}

# Expires is written in GMT from local time: run the server in UTC.
: >"$work/host.err"
TZ=UTC wine "$host_exe" --root "$(winepath -w "$site")" --extension "$(winepath -w "$vellum_dll")" \
  --port 0 --threads 8 --access-log "$(winepath -w "$work/access.log")" \
  </dev/null >"$work/host.out" 2>"$work/host.err" &
host_pid=$!

port=
for _ in $(seq 1 300); do
  port=$(sed -n 's|.* on http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$work/host.err")
  [ -n "$port" ] && break
  kill -0 "$host_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "browser_cookies: isapi-host did not start" >&2
  cat "$work/host.err" >&2
  exit 1
fi
base=http://127.0.0.1:$port

# The Set-Cookie lines on the wire, in collection (name) order, with the new session's.
curl -s --max-time 30 -o /dev/null -D "$work/head.txt" "$base/set.asp"
check "Set-Cookie lines" \
  "foreign=f; domain=example.com; path=/|gone=old; expires=Mon, 01-Jan-2001 00:00:00 GMT; path=/|multi=x=1&y=2; path=/|persist=kept; expires=Thu, 01-Jan-2099 00:00:00 GMT; path=/|plain=v1; path=/|scoped=s; path=/sub|SESSIONID=n; path=/|" \
  "$(tr -d '\r' <"$work/head.txt" | sed -n 's/^Set-Cookie: //p' | sed 's/^SESSIONID=[0-9]*;/SESSIONID=n;/' | tr '\n' '|')"

# Loopback only: no proxy, no background traffic of the browser's own.
browser() {  # browser URL: prints the page's DOM after its scripts ran
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --no-proxy-server \
    --user-data-dir="$work/profile" --dump-dom "$1" 2>>"$work/chromium.err" </dev/null
}
# The page's result, one line each, with the markup's entities undone.
result_lines() {
  sed -n '/<pre id="result">/,/<\/pre>/p' | sed -e 's/.*<pre id="result">//' -e 's|</pre>.*||' \
    -e 's/&amp;/\&/g' -e 's/&lt;/</g' -e 's/&gt;/>/g'
}

if ! browser "$base/set.asp" >"$work/set.html"; then
  echo "browser_cookies: chromium failed" >&2
  tail -20 "$work/chromium.err" >&2
  exit 1
fi
result=$(result_lines <"$work/set.html")
line() { printf '%s\n' "$result" | sed -n "s/^$1 //p"; }
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

if [ "$failures" -ne 0 ]; then
  echo "browser_cookies: $failures check(s) failed"
  exit 1
fi
echo "browser_cookies: all checks passed"
