# Shared pieces of the HTTP benchmarks (sourced by bench/*.sh after scripts/env.sh).

# install_missing: wrk, nginx, curl and PHP-FPM with its opcache from Debian when they
# are not there yet.
install_missing() {
  local missing=()
  command -v wrk >/dev/null || missing+=(wrk)
  command -v nginx >/dev/null || [ -x /usr/sbin/nginx ] || missing+=(nginx-light)
  command -v curl >/dev/null || missing+=(curl)
  compgen -G '/usr/sbin/php-fpm*' >/dev/null || missing+=(php-fpm)
  compgen -G '/etc/php/*/mods-available/opcache.ini' >/dev/null || missing+=(php-opcache)
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing ${missing[*]} ..." >&2
    apt-get update -qq >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null 2>&1 ||
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wrk nginx curl >/dev/null
  fi
}

# write_nginx_conf WORK PORT [HTTP-LINES [SERVER-LINES]]: WORK/nginx/nginx.conf for an
# nginx that serves WORK/site on PORT, keeps its files in WORK, and runs with the extra
# lines given for its http and server blocks.
write_nginx_conf() {
  local work=$1 port=$2 http_lines=${3:-} server_lines=${4:-}
  mkdir -p "$work/nginx"
  cat >"$work/nginx/nginx.conf" <<CONF
worker_processes auto;
pid $work/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log $work/nginx/access.log;
  keepalive_requests 1000000;
  client_body_temp_path $work/nginx;
  proxy_temp_path $work/nginx;
  fastcgi_temp_path $work/nginx;
  uwsgi_temp_path $work/nginx;
  scgi_temp_path $work/nginx;
  types { text/html html; }
  $http_lines
  server {
    listen 127.0.0.1:$port;
    root $work/site;
    $server_lines
  }
}
CONF
}

# wait_port PORT [PATH]: until something answers there (10 s at most).
wait_port() {
  for _ in $(seq 100); do
    curl -s -o /dev/null "http://127.0.0.1:$1${2:-/}" && return 0
    sleep 0.1
  done
  echo "nothing answers on port $1" >&2
  exit 1
}

# measure URL CONNECTIONS SECONDS OUT [WRK-ARG...] -> "rps p50 p99 [errors]"
measure() {
  local url=$1 connections=$2 duration=$3 out=$4 threads=2
  shift 4
  [ "$connections" -lt 2 ] && threads=1
  wrk -t$threads -c"$connections" -d"${duration}s" --latency "$@" "$url" >"$out" 2>&1 || true
  local rps p50 p99 errors
  rps=$(awk '/^Requests\/sec:/ {print $2}' "$out")
  p50=$(awk '$1=="50%" {print $2}' "$out")
  p99=$(awk '$1=="99%" {print $2}' "$out")
  errors=$(awk '/Non-2xx|Socket errors/ {print}' "$out" | tr '\n' ' ')
  echo "${rps:-0} ${p50:-?} ${p99:-?} ${errors}"
}

# median_line FILE: the line with the median first field.
median_line() { sort -g "$1" | awk '{l[NR]=$0} END {print l[int((NR+1)/2)]}'; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

# count_server_requests TRACE URL N [CURL-ARG...] -> wineserver requests seen while N
# requests are served (on one connection; extra arguments go to curl, e.g. a cookie)
count_server_requests() {
  local trace=$1 url=$2 n=$3 urls=()
  shift 3
  for _ in $(seq "$n"); do urls+=("$url"); done
  local before after
  before=$(grep -c '^[0-9a-f]\{4\}: [a-z_0-9]*( ' "$trace" || true)
  curl -s "$@" "${urls[@]}" >/dev/null
  sleep 0.5
  after=$(grep -c '^[0-9a-f]\{4\}: [a-z_0-9]*( ' "$trace" || true)
  echo $((after - before))
}

# server_requests_per_request TRACE URL [CURL-ARG...] -> "median (all five)": wineserver requests per
# HTTP request. The difference of 300 and 100 requests cancels start-up and connection
# set-up; whether a recv finds its request already there or must wait for it changes the
# count, so five measurements are taken after a warm-up.
server_requests_per_request() {
  local trace=$1 url=$2 small large values=()
  shift 2
  count_server_requests "$trace" "$url" 20 "$@" >/dev/null
  for _ in 1 2 3 4 5; do
    small=$(count_server_requests "$trace" "$url" 100 "$@")
    large=$(count_server_requests "$trace" "$url" 300 "$@")
    values+=("$(awk -v s="$small" -v l="$large" 'BEGIN {printf "%.1f", (l - s) / 200}')")
  done
  echo "$(printf '%s\n' "${values[@]}" | sort -g | sed -n 3p) ($(printf '%s\n' "${values[@]}" | sort -g | paste -sd' '))"
}

# run_matrix DURATION RUNS WORK TARGET...: requests/s and p50/p99 of every target (the
# caller's url_of TARGET gives its URL, and its wrk_args_of TARGET, where it defines one,
# further wrk arguments) at 1, 8 and 32 connections: the median of RUNS
# runs, which take turns between the targets so that load from elsewhere on the machine
# falls on all of them alike. Fills the caller's associative array rps[TARGET,CONNS].
run_matrix() {
  local duration=$1 runs=$2 work=$3
  shift 3
  local targets=("$@") connections target r p50 p99 errors
  printf '%-18s %5s %12s %10s %10s\n' target conns requests/s p50 p99
  for connections in 1 8 32; do
    for target in "${targets[@]}"; do : >"$work/runs.$target"; done
    for _ in $(seq "$runs"); do
      for target in "${targets[@]}"; do
        local extra=()
        declare -F wrk_args_of >/dev/null && read -r -a extra <<<"$(wrk_args_of "$target")"
        measure "$(url_of "$target")" "$connections" "$duration" "$work/wrk.out" "${extra[@]}" >>"$work/runs.$target"
      done
    done
    for target in "${targets[@]}"; do
      # The run with the median requests/s gives the latencies shown.
      read -r r p50 p99 errors <<<"$(median_line "$work/runs.$target")"
      rps[$target,$connections]=$r
      printf '%-18s %5s %12s %10s %10s %s\n' "$target" "$connections" "$r" "$p50" "$p99" "${errors:-}"
    done
  done
}

# write_vellum_pages SITE: the hello page (VBScript, one Response.Write) and the 100-row
# table that the page benchmarks serve.
write_vellum_pages() {
  printf '<%% Response.Write "Hello, world" %%>' >"$1/hello.asp"
  {
    printf '<html><body><table>\r\n<tr><th>n</th><th>square</th><th>name</th></tr>\r\n'
    printf '<%% For i = 1 To 100 %%>\r\n<tr><td><%%= i %%></td><td><%%= i * i %%></td><td>row <%%= i %%></td></tr>\r\n<%% Next %%>\r\n'
    printf '</table></body></html>\r\n'
  } >"$1/table.asp"
}

# start_vellum_host PORT SITE WORK: isapi-host with vellum.dll serving SITE in the
# background (64 threads, access log and output in WORK); its pid joins the caller's pids.
start_vellum_host() {
  local port=$1 site=$2 work=$3
  wine "$build/tools/isapi-host/isapi-host.exe" --port "$port" --threads 64 \
    --root "$(winepath -w "$site")" --extension "$(winepath -w "$build/engine/vellum.dll")" \
    --access-log "$(winepath -w "$work/access.log")" >"$work/host.out" 2>"$work/host.err" </dev/null &
  pids+=($!)
}
