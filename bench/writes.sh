#!/usr/bin/env bash
# bench/writes.sh: the hello page and the 100-row table of bench/pages.sh, served side by
# side in one run by two Linux-build isapi-host programs: one with this checkout's
# vellum.dll ("new") and one with a baseline vellum.dll, a build of an earlier commit
# ("base"), to show what a change to the page path gains. Not a test: run it by hand after
# 'make build'.
#
#   bench/writes.sh BASELINE-VELLUM-DLL [seconds-per-run] [runs]     (defaults 4 and 3)
#
# A baseline DLL, for example of main:
#   git archive main | tar -x -C /tmp/base && cd /tmp/base &&
#   cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/mingw-w64-x86_64.cmake &&
#   cmake --build build --target vellum        (then /tmp/base/build/engine/vellum.dll)
#
# Prints requests/s and p50/p99 at 1, 8 and 32 connections (the median of the runs, which
# take turns between the targets), the table's time per request against the hello page's
# for each DLL, and the new table's requests/s against the baseline's.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
source "$(dirname "$0")/lib.sh"

baseline=${1:?usage: bench/writes.sh BASELINE-VELLUM-DLL [seconds-per-run] [runs]}
duration=${2:-4}
runs=${3:-3}
port_new=18295
port_base=18296

install_missing
linux_host="$build/linux-host/isapi-host.exe"
for f in "$linux_host" "$build/engine/vellum.dll" "$baseline"; do
  [ -f "$f" ] || { echo "missing $f: run 'make build' first (the Linux build needs wineg++)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/vellum-writes-bench.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/site"
write_vellum_pages "$work/site"
cp "$baseline" "$work/vellum-base.dll"

start_wine
# start_host NAME PORT DLL
start_host() {
  "$linux_host" --port "$2" --threads 64 --root "$(winepath -w "$work/site")" \
    --extension "$(winepath -w "$3")" --access-log "$(winepath -w "$work/access.$1.log")" \
    >"$work/host.$1.out" 2>"$work/host.$1.err" </dev/null &
  pids+=($!)
}
start_host new $port_new "$build/engine/vellum.dll"
start_host base $port_base "$work/vellum-base.dll"
wait_port $port_new /hello.asp
wait_port $port_base /hello.asp
# Both DLLs answer the table with the same bytes before they are measured.
if ! cmp -s <(curl -s "http://127.0.0.1:$port_new/table.asp") <(curl -s "http://127.0.0.1:$port_base/table.asp"); then
  echo "the two DLLs answer the table page differently" >&2
  exit 1
fi

url_of() {
  case $1 in
    *-new) echo "http://127.0.0.1:$port_new/${1%-new}.asp" ;;
    *-base) echo "http://127.0.0.1:$port_base/${1%-base}.asp" ;;
  esac
}
declare -A rps
run_matrix "$duration" "$runs" "$work" hello-new table-new hello-base table-base

echo
echo "side by side in this run:"
printf '%-6s %22s %23s %19s\n' conns 'table/hello time, new' 'table/hello time, base' 'table rps new/base'
for connections in 1 8 32; do
  printf '%-6s %22s %23s %19s\n' "$connections" \
    "$(ratio "${rps[hello-new,$connections]}" "${rps[table-new,$connections]}")" \
    "$(ratio "${rps[hello-base,$connections]}" "${rps[table-base,$connections]}")" \
    "$(ratio "${rps[table-new,$connections]}" "${rps[table-base,$connections]}")"
done
