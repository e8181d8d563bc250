#!/usr/bin/env bash
# bench/pages.sh: vellum pages served by isapi-host under Wine: a hello page (VBScript,
# one Response.Write), the compiler's worked example and a 100-row table, beside two
# references measured in the same run: the host's static 5 KB file and the bare Winsock
# responder (bench/responder.cpp). Not a test: run it by hand after 'make build'.
#
#   bench/pages.sh [seconds-per-run] [runs]     (defaults 4 and 3)
#
# Prints requests/s and p50/p99 for each target at 1, 8 and 32 connections (the median
# of the runs, which take turns between the targets), the wineserver requests per page
# request, and where the time inside HttpExtensionProc goes (VELLUM_PROFILE).
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
source "$(dirname "$0")/lib.sh"

duration=${1:-4}
runs=${2:-3}
port_host=18190
port_responder=18191

install_missing
for f in "$build/tools/isapi-host/isapi-host.exe" "$build/bench/bench_responder.exe" "$build/engine/vellum.dll"; do
  [ -f "$f" ] || { echo "missing $f: run 'make build' first" >&2; exit 1; }
done

work=$(mktemp -d /tmp/vellum-pages-bench.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/site"
head -c 5120 /dev/zero | tr '\0' 'x' >"$work/site/file5k.html"
printf '<%% Response.Write "Hello, world" %%>' >"$work/site/hello.asp"
printf '<%%@ language="VBScript" %%>\r\n<html><body>\r\n<%% For i = 1 To 3 %%>\r\n<p><%%= i %%></p>\r\n<%% Next %%>\r\n</body></html>\r\n' \
  >"$work/site/worked.asp"
{
  printf '<html><body><table>\r\n<tr><th>n</th><th>square</th><th>name</th></tr>\r\n'
  printf '<%% For i = 1 To 100 %%>\r\n<tr><td><%%= i %%></td><td><%%= i * i %%></td><td>row <%%= i %%></td></tr>\r\n<%% Next %%>\r\n'
  printf '</table></body></html>\r\n'
} >"$work/site/table.asp"

start_wine
start_host() { start_vellum_host $port_host "$work/site" "$work"; }
start_responder() {
  wine "$build/bench/bench_responder.exe" $port_responder >"$work/responder.out" 2>&1 </dev/null &
  pids+=($!)
}
stop_all() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  pids=()
}

url_of() {
  case $1 in
    hello|worked|table) echo "http://127.0.0.1:$port_host/$1.asp" ;;
    static) echo "http://127.0.0.1:$port_host/file5k.html" ;;
    responder) echo "http://127.0.0.1:$port_responder/" ;;
  esac
}

start_host
start_responder
wait_port $port_host /file5k.html
wait_port $port_responder

targets=(hello worked table static responder)
declare -A rps
run_matrix "$duration" "$runs" "$work" "${targets[@]}"

echo
printf '%-6s %16s %16s %16s\n' conns hello/responder hello/static table/static
for connections in 1 8 32; do
  printf '%-6s %16s %16s %16s\n' "$connections" \
    "$(ratio "${rps[hello,$connections]}" "${rps[responder,$connections]}")" \
    "$(ratio "${rps[hello,$connections]}" "${rps[static,$connections]}")" \
    "$(ratio "${rps[table,$connections]}" "${rps[static,$connections]}")"
done
stop_all

# Where the time inside HttpExtensionProc goes: the profile prints every 1000 requests.
echo
echo "time inside HttpExtensionProc (VELLUM_PROFILE, 2000 requests on 1 connection):"
wineserver -k 2>/dev/null || true
start_wine
for page in hello worked table; do
  VELLUM_PROFILE=1 start_host
  wait_port $port_host /file5k.html
  wrk -t1 -c1 -d30s "http://127.0.0.1:$port_host/$page.asp" >/dev/null 2>&1 &
  wrk_pid=$!
  for _ in $(seq 300); do
    [ "$(grep -c 'vellum profile' "$work/host.err" || true)" -ge 2 ] && break
    sleep 0.1
  done
  kill $wrk_pid 2>/dev/null || true
  wait $wrk_pid 2>/dev/null || true
  printf '%-8s %s\n' "$page" "$(grep 'vellum profile' "$work/host.err" | tail -1 | sed 's/^vellum profile: //')"
  stop_all
  sleep 0.5
done

# wineserver requests per page request, from a tracing wineserver.
echo
printf '%-10s %s\n' target wineserver-requests/HTTP-request
wineserver -k 2>/dev/null || true
trace_target() {  # NAME START-FUNCTION PORT URL
  wineserver -k 2>/dev/null || true
  sleep 0.5
  (wineserver -d1 -f -p 2>"$work/trace.log" &)
  sleep 1
  $2
  wait_port "$3"
  printf '%-10s %8s\n' "$1" "$(server_requests_per_request "$work/trace.log" "$4")"
  stop_all
}
for target in hello worked table static; do trace_target "$target" start_host $port_host "$(url_of $target)"; done
trace_target responder start_responder $port_responder "$(url_of responder)"
