# Sourced by the browser tests: isapi-host.exe (under Wine) serving browser-site/ with
# vellum.dll on a free loopback port, headless Chromium to load its pages, and checks.
#   source browser_lib.sh ISAPI_HOST_EXE VELLUM_DLL [isapi-host options...]
# Sets base (the site's URL) and work (a scratch folder removed on exit).

host_exe=$1
vellum_dll=$2
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
site=$here/browser-site
chromium=${CHROMIUM:-/usr/bin/chromium}
test_name=$(basename "$0" .sh)

if [ ! -x "$chromium" ]; then
  echo "$test_name: $chromium is missing (scripts/bootstrap.sh installs the chromium package)" >&2
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
  --port 0 --threads 8 --access-log "$(winepath -w "$work/access.log")" "$@" \
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
  echo "$test_name: isapi-host did not start" >&2
  cat "$work/host.err" >&2
  exit 1
fi
base=http://127.0.0.1:$port

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

# load_result URL: loads the page in the browser and keeps its result lines for line().
load_result() {
  local page="$work/page-$((++pages_loaded)).html"
  if ! browser "$1" >"$page"; then
    echo "$test_name: chromium failed" >&2
    tail -20 "$work/chromium.err" >&2
    exit 1
  fi
  result=$(result_lines <"$page")
}
pages_loaded=0
line() { printf '%s\n' "$result" | sed -n "s/^$1 //p"; }  # line NAME: the result's line NAME

finish_checks() {
  if [ "$failures" -ne 0 ]; then
    echo "$test_name: $failures check(s) failed"
    exit 1
  fi
  echo "$test_name: all checks passed"
}
