#!/usr/bin/env bash
# bench/soak.sh: vellum pages served for a long while by the Linux build of isapi-host,
# with its extension in a supervised worker process. Not a test: run it by hand after
# 'make build'.
#
#   bench/soak.sh [seconds] [connections] [faults]   (defaults 600, 32 and 1)
#
# wrk sends a mix: the hello page, the 100-row table, a 10-field form POST and a page
# with an include, in turn, and every 100th request a page raising a script error (500).
# No page of vellum takes its engine down any more, so the worker is made to fault
# from outside: it gets SIGSEGV (which Wine turns into an access violation inside the
# process) about [faults] times per 1,000 requests (0: never, to watch the worker's own
# memory over the whole run). Reported: requests/s, answers by status,
# socket errors, worker restarts, and the resident memory of the server and of the
# worker at the start, after half the time and at the end.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
source "$(dirname "$0")/lib.sh"

duration=${1:-600}
connections=${2:-32}
faults_per_1000=${3:-1}
port=18193
program=$build/linux-host/isapi-host.exe

install_missing
for f in "$program" "$build/engine/vellum.dll"; do
  [ -f "$f" ] || { echo "missing $f: run 'make build' first" >&2; exit 1; }
done

work=$(mktemp -d /tmp/vellum-soak.XXXXXX)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  wait 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/site"
write_vellum_pages "$work/site"
printf '<%% Response.Write Request.Form.Count & " fields, f7=" & Request.Form("f7") %%>' >"$work/site/form.asp"
printf 'included <%%= Now() > 0 %%>\r\n' >"$work/site/part.inc"
printf '<p>before</p>\r\n<!--#include file="part.inc"-->\r\n<p>after</p>\r\n' >"$work/site/include.asp"
printf '<%% Err.Raise 5, "soak", "a deliberate error" %%>' >"$work/site/error.asp"
form=$(for i in $(seq 1 10); do printf 'f%d=value%d&' "$i" "$i"; done)
# Like browsers, the clients send back the session cookie they were given (one session
# per wrk thread, a new one after a worker restart), so sessions do not pile up.
cat >"$work/mix.lua" <<LUA
local n = 0
local form = "${form%&}"
local cookie = nil
local function headers(extra)
  local h = extra or {}
  if cookie then h["Cookie"] = cookie end
  return h
end
request = function()
  n = n + 1
  if n % 100 == 0 then return wrk.format("GET", "/error.asp", headers()) end
  local kind = n % 4
  if kind == 0 then return wrk.format("GET", "/hello.asp", headers()) end
  if kind == 1 then return wrk.format("GET", "/table.asp", headers()) end
  if kind == 2 then
    return wrk.format("POST", "/form.asp", headers({["Content-Type"] = "application/x-www-form-urlencoded"}), form)
  end
  return wrk.format("GET", "/include.asp", headers())
end
response = function(status, response_headers, body)
  local given = response_headers["Set-Cookie"]
  if given then cookie = given:match("^[^;]+") end
end
LUA

"$here/scripts/wineprefix.sh" "$build" >/dev/null
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all
"$program" --port "$port" --threads 32 --root "$(winepath -w "$work/site")" \
  --extension "$(winepath -w "$build/engine/vellum.dll")" --access-log "$(winepath -w "$work/access.log")" \
  >"$work/host.out" 2>"$work/host.err" </dev/null &
server=$!
wait_port "$port" /hello.asp

worker_pid() { pgrep -f -- "--worker-channel isapi-host-" | head -1; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
memory() { echo "server $(rss_kb "$server") KB, worker $(rss_kb "$(worker_pid)") KB"; }

# Warm up, and learn the rate to pace the faults at about one per 1,000 requests.
measure "http://127.0.0.1:$port" "$connections" 10 "$work/warm.out" -s "$work/mix.lua" >/dev/null
: >"$work/access.log"
rate=$(awk '/^Requests\/sec:/ {print int($2)}' "$work/warm.out")
fault_every=$(awk -v r="${rate:-100}" -v f="$faults_per_1000" \
  'BEGIN {if (f <= 0) {print 1; exit} s = 1000 / f / (r > 0 ? r : 1); printf "%.2f", (s < 0.5 ? 0.5 : s)}')
if [ "$faults_per_1000" == 0 ]; then
  echo "warm-up: ${rate:-?} requests/s; no worker faults"
else
  echo "warm-up: ${rate:-?} requests/s; a worker fault every ${fault_every} s"
fi
echo "memory at start: $(memory)"

wrk -t2 -c"$connections" -d"${duration}s" --latency -s "$work/mix.lua" "http://127.0.0.1:$port" >"$work/wrk.out" 2>&1 &
load=$!
faults=0
start=$(date +%s)
half_reported=
while kill -0 "$load" 2>/dev/null; do
  sleep "$fault_every"
  pid=$(worker_pid)
  [ "$faults_per_1000" != 0 ] && [ -n "$pid" ] && kill -SEGV "$pid" 2>/dev/null && faults=$((faults + 1))
  if [ -z "$half_reported" ] && [ $(($(date +%s) - start)) -ge $((duration / 2)) ]; then
    half_reported="$(memory)"
  fi
done
wait "$load" || true

echo "--- wrk, $connections connections, $duration s"
grep -E 'Requests/sec|Latency  |50%|99%|Non-2xx|Socket errors|requests in' "$work/wrk.out"
echo "--- answers by status (access log)"
awk -F'"' '{split($3, a, " "); print a[1]}' "$work/access.log" | sort | uniq -c | sort -rn
echo "--- faults sent: $faults; worker restarts: $(grep -c 'starting another' "$work/host.err")"
echo "memory after half the time: ${half_reported:-?}"
echo "memory at the end: $(memory)"
