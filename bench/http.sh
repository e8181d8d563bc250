#!/usr/bin/env bash
# bench/http.sh: HTTP throughput and latency of both isapi-host programs under Wine (the
# Windows build on Winsock, "host-*", and the Winelib build on Linux's own sockets,
# "linux-*"), with two references measured in the same run: nginx serving the same file
# natively, and the bare Winsock responder (bench/responder.cpp) under Wine, the ceiling
# Wine's socket layer sets for a Winsock server. Not a test: run it by hand after
# 'make build'.
#
#   bench/http.sh [seconds-per-run] [runs]     (defaults 4 and 3)
#   BENCH_TRACE_ONLY=1 bench/http.sh            (only the wineserver request counts)
#
# Prints requests/s and p50/p99 latency for each target at 1, 8 and 32 connections
# (the median of the runs, which take turns between the targets so that load from
# elsewhere on the machine falls on all of them alike), the ratios host/responder and
# host/nginx, and the wineserver requests per HTTP request (from the wineserver's
# request trace, as WINEDEBUG=+server shows it, of a fixed number of requests).
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
source "$(dirname "$0")/lib.sh"

duration=${1:-4}
runs=${2:-3}
port_host=18180
port_responder=18181
port_nginx=18182
port_linux=18183
linux_host="$build/linux-host/isapi-host.exe"

install_missing
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)

for f in "$build/tools/isapi-host/isapi-host.exe" "$linux_host" "$build/bench/bench_responder.exe" \
         "$build/tests/tools/isapi-host/test_extension.dll"; do
  [ -f "$f" ] || { echo "missing $f: run 'make build' first" >&2; exit 1; }
done

work=$(mktemp -d /tmp/isapi-bench.XXXXXX)
chmod 755 "$work"  # nginx's workers run as another user
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/site" "$work/nginx"
head -c 5120 /dev/zero | tr '\0' 'x' >"$work/site/file5k.html"
: >"$work/site/t.asp"

# A fresh wineserver for the run.
wineserver -k 2>/dev/null || true
wineserver -p
wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true

start_host() {
  wine "$build/tools/isapi-host/isapi-host.exe" --port $port_host --threads 64 \
    --root "$(winepath -w "$work/site")" \
    --extension "$(winepath -w "$build/tests/tools/isapi-host/test_extension.dll")" \
    --access-log "$(winepath -w "$work/access.log")" >"$work/host.out" 2>&1 </dev/null &
  pids+=($!)
}
start_linux() {
  "$linux_host" --port $port_linux --threads 64 \
    --root "$(winepath -w "$work/site")" \
    --extension "$(winepath -w "$build/tests/tools/isapi-host/test_extension.dll")" \
    --access-log "$(winepath -w "$work/access.linux.log")" >"$work/linux.out" 2>&1 </dev/null &
  pids+=($!)
}
start_responder() {
  wine "$build/bench/bench_responder.exe" $port_responder >"$work/responder.out" 2>&1 </dev/null &
  pids+=($!)
}

write_nginx_conf "$work" $port_nginx

start_host
start_linux
start_responder
"$nginx_bin" -c "$work/nginx/nginx.conf" -p "$work/nginx" 2>/dev/null
wait_port $port_host
wait_port $port_linux
wait_port $port_responder
wait_port $port_nginx


url_of() {
  case $1 in
    host-static) echo "http://127.0.0.1:$port_host/file5k.html" ;;
    host-extension) echo "http://127.0.0.1:$port_host/t.asp" ;;
    linux-static) echo "http://127.0.0.1:$port_linux/file5k.html" ;;
    linux-extension) echo "http://127.0.0.1:$port_linux/t.asp" ;;
    responder) echo "http://127.0.0.1:$port_responder/" ;;
    nginx) echo "http://127.0.0.1:$port_nginx/file5k.html" ;;
  esac
}

if [ -z "${BENCH_TRACE_ONLY:-}" ]; then
targets=(host-static linux-static host-extension linux-extension responder nginx)
declare -A rps
run_matrix "$duration" "$runs" "$work" "${targets[@]}"

echo
printf '%-6s %15s %15s %18s %18s %18s\n' conns host/nginx linux/nginx linux/responder linux/host-static \
  linux/host-ext
for connections in 1 8 32; do
  printf '%-6s %15s %15s %18s %18s %18s\n' "$connections" \
    "$(ratio "${rps[host-static,$connections]}" "${rps[nginx,$connections]}")" \
    "$(ratio "${rps[linux-static,$connections]}" "${rps[nginx,$connections]}")" \
    "$(ratio "${rps[linux-static,$connections]}" "${rps[responder,$connections]}")" \
    "$(ratio "${rps[linux-static,$connections]}" "${rps[host-static,$connections]}")" \
    "$(ratio "${rps[linux-extension,$connections]}" "${rps[host-extension,$connections]}")"
done
fi

# wineserver requests per HTTP request: two runs of a fixed number of keep-alive
# requests under a tracing wineserver; the difference cancels start-up and connection
# set-up.
for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
pids=()
wineserver -k 2>/dev/null || true
sleep 1

trace_target() {  # NAME START-FUNCTION PORT PATH
  local name=$1 start=$2 port=$3 path=$4
  wineserver -k 2>/dev/null || true
  sleep 0.5
  (wineserver -d1 -f -p 2>"$work/trace.log" &)
  sleep 1
  $start
  wait_port "$port"
  printf '%-16s %s\n' "$name" "$(server_requests_per_request "$work/trace.log" "http://127.0.0.1:$port$path")"
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  pids=()
}
echo
printf '%-16s %s\n' target 'wineserver requests per HTTP request: median (all five)'
trace_target host-static start_host $port_host /file5k.html
trace_target host-extension start_host $port_host /t.asp
trace_target linux-static start_linux $port_linux /file5k.html
trace_target linux-extension start_linux $port_linux /t.asp
trace_target responder start_responder $port_responder /
