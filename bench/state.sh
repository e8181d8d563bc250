#!/usr/bin/env bash
# bench/state.sh: the cost of Session and Application state in vellum pages served by
# isapi-host under Wine. Not a test: run it by hand after 'make build'.
#
#   bench/state.sh [seconds-per-run] [runs] [sessions]     (defaults 4, 3 and 100000)
#
# Throughput: requests/s and p50/p99 at 1, 8 and 32 connections, side by side in one
# run (the runs take turns between the targets), of
#   hello-kept   a page without state, the client sending its session cookie back
#   hello-new    the same page, no cookie: a new session per request
#   state-kept   a page that reads and writes one Session value and increments one
#                Application value under Application.Lock, cookie sent back
#   state-new    the same page, no cookie: a new session per request
# "Cookie sent back": wrk sends the SESSIONID cookies of 32 sessions made beforehand,
# one after the other, so every request finds its session.
# Then wineserver requests per HTTP request of each, and the private memory of the
# process with 10,000 and [sessions] idle sessions.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
source "$(dirname "$0")/lib.sh"

duration=${1:-4}
runs=${2:-3}
many=${3:-100000}
port=18192

install_missing
for f in "$build/tools/isapi-host/isapi-host.exe" "$build/engine/vellum.dll"; do
  [ -f "$f" ] || { echo "missing $f: run 'make build' first" >&2; exit 1; }
done

work=$(mktemp -d /tmp/vellum-state-bench.XXXXXX)
pids=()
stop_all() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
}
cleanup() {
  stop_all
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/site"
printf '<%% Response.Write "Hello, world" %%>' >"$work/site/hello.asp"
printf '<%% Session("v") = Session("v") + 1 : Application.Lock : Application("n") = Application("n") + 1 : Application.unLock : Response.Write "Hello, world" %%>' \
  >"$work/site/state.asp"
printf '<%% Response.Write "idle" %%>' >"$work/site/idle.asp"

start_wine
start_host() { start_vellum_host $port "$work/site" "$work"; }

# new_session_ids N: the ids of N new sessions. The Lua script sends the cookies of 32
# such sessions in turn.
new_session_ids() {
  for _ in $(seq "$1"); do
    curl -s -D - -o /dev/null "http://127.0.0.1:$port/hello.asp" | tr -d '\r' |
      sed -n 's/^Set-Cookie: SESSIONID=\([0-9]*\);.*/\1/p'
  done
}
write_cookie_script() {
  {
    printf 'local ids = {'
    new_session_ids 32 | sed 's/.*/"&",/' | tr -d '\n'
    printf '}\nlocal i = 0\nrequest = function()\n  i = i + 1\n'
    printf '  return wrk.format(nil, nil, { ["Cookie"] = "SESSIONID=" .. ids[(i %% #ids) + 1] })\nend\n'
  } >"$work/cookies.lua"
}

url_of() {
  case $1 in
    hello-*) echo "http://127.0.0.1:$port/hello.asp" ;;
    state-*) echo "http://127.0.0.1:$port/state.asp" ;;
  esac
}
wrk_args_of() {
  case $1 in
    *-kept) echo "-s $work/cookies.lua" ;;
  esac
}

start_host
wait_port $port /hello.asp
write_cookie_script
grep -q '"[0-9]' "$work/cookies.lua" || { echo "no session cookies came back" >&2; exit 1; }

targets=(hello-kept hello-new state-kept state-new)
declare -A rps
run_matrix "$duration" "$runs" "$work" "${targets[@]}"

echo
printf '%-6s %22s %22s %22s\n' conns state-kept/hello-kept state-new/hello-kept hello-new/hello-kept
for connections in 1 8 32; do
  printf '%-6s %22s %22s %22s\n' "$connections" \
    "$(ratio "${rps[state-kept,$connections]}" "${rps[hello-kept,$connections]}")" \
    "$(ratio "${rps[state-new,$connections]}" "${rps[hello-kept,$connections]}")" \
    "$(ratio "${rps[hello-new,$connections]}" "${rps[hello-kept,$connections]}")"
done
stop_all

# wineserver requests per HTTP request, from a tracing wineserver.
echo
printf '%-12s %s\n' target wineserver-requests/HTTP-request
wineserver -k 2>/dev/null || true
sleep 0.5
(wineserver -d1 -f -p 2>"$work/trace.log" &)
sleep 1
start_host
wait_port $port /hello.asp
cookie=$(new_session_ids 1)
for target in "${targets[@]}"; do
  case $target in
    *-kept) printf '%-12s %8s\n' "$target" "$(server_requests_per_request "$work/trace.log" "$(url_of "$target")" -b "SESSIONID=$cookie")" ;;
    *) printf '%-12s %8s\n' "$target" "$(server_requests_per_request "$work/trace.log" "$(url_of "$target")")" ;;
  esac
done
stop_all
wineserver -k 2>/dev/null || true
sleep 0.5

# Memory of idle sessions: one new session per request of a page that stores nothing.
start_wine
start_host
wait_port $port /idle.asp
host_pid=${pids[0]}
grep -q isapi-host "/proc/$host_pid/cmdline" || { echo "cannot find the host's process" >&2; exit 1; }
private_kb() { awk '/^Private_(Clean|Dirty):/ {kb += $2} END {print kb}' "/proc/$host_pid/smaps_rollup"; }
sessions_made() { grep -c ' /idle.asp' "$work/access.log" || true; }
# make_sessions TOTAL: requests without cookies, in short rounds, until at least TOTAL
# sessions exist
make_sessions() {
  while [ "$(sessions_made)" -lt "$1" ]; do
    wrk -t2 -c8 -d2s "http://127.0.0.1:$port/idle.asp" >/dev/null 2>&1 || true
  done
  sleep 1  # the last log lines
}
make_sessions 1000
base_kb=$(private_kb); base_n=$(sessions_made)
make_sessions 10000
ten_kb=$(private_kb); ten_n=$(sessions_made)
make_sessions "$many"
many_kb=$(private_kb); many_n=$(sessions_made)
echo
echo "private memory of the host process (Private_Clean + Private_Dirty of smaps_rollup):"
printf '%-10s %12s\n' sessions private-KB
printf '%-10s %12s\n' "$base_n" "$base_kb" "$ten_n" "$ten_kb" "$many_n" "$many_kb"
awk -v b="$base_kb" -v bn="$base_n" -v t="$ten_kb" -v tn="$ten_n" -v m="$many_kb" -v mn="$many_n" 'BEGIN {
  printf "bytes per session: %.0f (from %d to %d sessions), %.0f (from %d to %d)\n",
         (t - b) * 1024 / (tn - bn), bn, tn, (m - t) * 1024 / (mn - tn), tn, mn }'
stop_all
