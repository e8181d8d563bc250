#!/usr/bin/env bash
# The Linux program runs its extension in a worker process: a fault or a hang in the
# extension costs the requests in flight, never the server. Started from a shell, as
# 'make serve' starts it (a Wine test program as its parent would see its own standard
# handles closed when a grandchild Wine process dies).
#   supervised_worker_test.sh PROGRAM EXTENSION_DLL
# The test extension faults on "?crash" (after "crash=N" response bytes), blocks on
# "?sleep=MS" and tells its process id on "?pid".
set -uo pipefail
program=$1
extension=$2
restart_limit_ms=2000  # a new worker must be serving within this long

passed=0
failed=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $1: expected '$2', got '$3'"
  fi
}
now_ms() { date +%s%3N; }

site=$(mktemp -d)
log=$site/access.log
port_file=$site/port
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$site"
}
trap cleanup EXIT
mkdir "$site/root"
echo 'handled by the extension' > "$site/root/page.asp"

port=$((20000 + RANDOM % 20000))
"$program" --root "$(winepath -w "$site/root")" --port "$port" --threads 8 --recycle-after 1 \
  --extension "$(winepath -w "$extension")" --access-log "$(winepath -w "$log")" 2> "$site/stderr" &
server=$!
url=http://127.0.0.1:$port/page.asp
get() { curl -s -m 20 "$url${1:-}"; }
status() { curl -s -m 20 -o /dev/null -w '%{http_code}' "$url$1"; }
for _ in $(seq 1 300); do [ "$(get)" == hello ] && break; sleep 0.1; done
check "server answers" hello "$(get)"
served_within_limit() {  # asks for the hello page until it answers; "yes" within the limit
  local start; start=$(now_ms)
  while [ "$(get)" != hello ] && [ $(($(now_ms) - start)) -lt 30000 ]; do sleep 0.02; done
  [ $(($(now_ms) - start)) -le $restart_limit_ms ] && echo yes || echo "no ($(($(now_ms) - start)) ms)"
}

# A fault while four clients hammer the hello page.
first_worker=$(get '?pid')
[ "$first_worker" -gt 0 ] 2>/dev/null; check "worker reports its id" 0 $?
hammer() {
  local ok=0 bad=0
  while [ ! -f "$site/stop" ]; do
    if [ "$(get)" == hello ]; then ok=$((ok + 1)); else bad=$((bad + 1)); fi
  done
  echo "$ok $bad" > "$site/hammer.$1"
}
for i in 1 2 3 4; do hammer $i & done
sleep 0.5
check "faulting request" 502 "$(status '?crash')"
check "served again within ${restart_limit_ms} ms" yes "$(served_within_limit)"
sleep 0.5
touch "$site/stop"
for i in 1 2 3 4; do while [ ! -f "$site/hammer.$i" ]; do sleep 0.05; done; done
hammer_ok=0
hammer_bad=0
for i in 1 2 3 4; do read -r ok bad < "$site/hammer.$i"; hammer_ok=$((hammer_ok + ok)); hammer_bad=$((hammer_bad + bad)); done
check "hammer was served" yes "$([ $hammer_ok -gt 0 ] && echo yes || echo no)"
check "hammer lost at most the requests in flight" yes "$([ $hammer_bad -le 4 ] && echo yes || echo "no: $hammer_bad")"
kill -0 "$server" 2>/dev/null; check "server process unchanged" 0 $?
check "a new worker" yes "$([ "$(get '?pid')" != "$first_worker" ] && echo yes || echo no)"
grep -q '"GET /page.asp?crash HTTP/1.1" 502 .*"worker process ended"' "$log"; check "access log names the lost request" 0 $?
grep -q 'worker process .* ended with' "$site/stderr"; check "stderr tells of the restart" 0 $?

# A fault after the response began: the client sees it cut short, never a 502.
cut=$(curl -s -m 20 -i "$url?crash=40000" | head -c 17)
check "response begun" "HTTP/1.1 200 OK" "$(echo "$cut" | tr -d '\r')"
check "served again after a cut response" yes "$(served_within_limit)"

# A keep-alive connection waiting for its next request outlives the worker.
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /page.asp HTTP/1.1\r\nHost: h\r\n\r\n' >&3
read_response() {  # the body of one response with a Content-Length from fd 3
  local line length=0
  while IFS= read -r -t 10 line <&3; do
    line=${line%$'\r'}
    [ -z "$line" ] && break
    case "${line,,}" in content-length:*) length=${line#*: } ;; esac
  done
  local body=""
  [ "$length" -gt 0 ] && IFS= read -r -t 10 -N "$length" body <&3
  echo "$body"
}
check "keep-alive first" hello "$(read_response)"
sleep 0.1
check "fault on another connection" 502 "$(status '?crash')"
printf 'GET /page.asp HTTP/1.1\r\nHost: h\r\n\r\n' >&3
check "keep-alive after the fault" hello "$(read_response)"
exec 3>&-

# A request that does not come back ends the worker after --recycle-after.
before=$(get '?pid')
check "hung request" 502 "$(status '?sleep=600000')"
check "served after the recycle" hello "$(get)"
check "recycled worker" yes "$([ "$(get '?pid')" != "$before" ] && echo yes || echo no)"
check "a request within the limit" slept "$(get '?sleep=200')"
grep -q 'ran longer than 1 s' "$site/stderr"; check "stderr tells of the recycle" 0 $?
kill -0 "$server" 2>/dev/null; check "server process unchanged at the end" 0 $?

[ $failed -gt 0 ] && { echo "--- server stderr:"; cat "$site/stderr"; }
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
