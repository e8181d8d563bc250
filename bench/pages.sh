#!/usr/bin/env bash
# bench/pages.sh: vellum pages served by both isapi-host programs under Wine (the Winelib
# build on Linux's own sockets, "linux", and the Windows build on Winsock, "pe"): a hello
# page (VBScript, one Response.Write), the compiler's worked example, a 100-row table and
# a 10-field form POST; beside them, measured in the same run, the same pages in PHP-FPM
# (Debian's, with opcache, behind nginx over FastCGI with kept connections), the Linux
# build's static 5 KB file and nginx serving it. Not a test: run it by hand after
# 'make build'.
#
#   bench/pages.sh [seconds-per-run] [runs]     (defaults 4 and 3)
#
# Prints requests/s and p50/p99 for each target at 1, 8 and 32 connections (the median
# of the runs, which take turns between the targets), the ratios, the wineserver
# requests per page request of each vellum case, and where the time inside
# HttpExtensionProc goes (VELLUM_PROFILE).
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
source "$(dirname "$0")/lib.sh"

duration=${1:-4}
runs=${2:-3}
port_linux=18290
port_pe=18291
port_nginx=18292

install_missing
linux_host="$build/linux-host/isapi-host.exe"
for f in "$build/tools/isapi-host/isapi-host.exe" "$linux_host" "$build/engine/vellum.dll"; do
  [ -f "$f" ] || { echo "missing $f: run 'make build' first (the Linux build needs wineg++)" >&2; exit 1; }
done
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)
php_fpm=$(compgen -G '/usr/sbin/php-fpm*' | sort | tail -1)

work=$(mktemp -d /tmp/vellum-pages-bench.XXXXXX)
chmod 755 "$work"  # nginx's and PHP's workers run as another user
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null || true
  [ -f "$work/php-fpm.pid" ] && kill "$(cat "$work/php-fpm.pid")" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/site" "$work/nginx"
head -c 5120 /dev/zero | tr '\0' 'x' >"$work/site/file5k.html"
write_vellum_pages "$work/site"
printf '<%%@ language="VBScript" %%>\r\n<html><body>\r\n<%% For i = 1 To 3 %%>\r\n<p><%%= i %%></p>\r\n<%% Next %%>\r\n</body></html>\r\n' \
  >"$work/site/worked.asp"
printf '<%% For i = 1 To 10 : Response.Write "<p>" & Server.HTMLEncode(Request.Form("f" & i)) & "</p>" : Next %%>' \
  >"$work/site/form.asp"
# The same pages in PHP.
printf '<?php echo "Hello, world";' >"$work/site/hello.php"
printf '<html><body>\r\n<?php for ($i = 1; $i <= 3; $i++) { ?>\r\n<p><?= $i ?></p>\r\n<?php } ?>\r\n</body></html>\r\n' \
  >"$work/site/worked.php"
{
  printf '<html><body><table>\r\n<tr><th>n</th><th>square</th><th>name</th></tr>\r\n'
  printf '<?php for ($i = 1; $i <= 100; $i++) { ?>\r\n<tr><td><?= $i ?></td><td><?= $i * $i ?></td><td>row <?= $i ?></td></tr>\r\n<?php } ?>\r\n'
  printf '</table></body></html>\r\n'
} >"$work/site/table.php"
printf '<?php for ($i = 1; $i <= 10; $i++) echo "<p>", htmlspecialchars($_POST["f$i"] ?? ""), "</p>";' \
  >"$work/site/form.php"
form_body=$(for i in $(seq 10); do printf 'f%d=value+%d+%%26+more&' "$i" "$i"; done)
form_body=${form_body%&}
cat >"$work/post.lua" <<LUA
wrk.method = "POST"
wrk.body = "$form_body"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
LUA

cat >"$work/php-fpm.conf" <<CONF
[global]
pid = $work/php-fpm.pid
error_log = $work/php-fpm.log
[bench]
user = nobody
group = nogroup
listen = $work/php-fpm.sock
listen.mode = 0666
pm = static
pm.max_children = 16
php_admin_value[opcache.enable] = 1
php_admin_value[opcache.validate_timestamps] = 0
CONF
write_nginx_conf "$work" $port_nginx \
  "upstream php { server unix:$work/php-fpm.sock; keepalive 16; }" \
  'location ~ \.php$ {
      fastcgi_pass php;
      fastcgi_keep_conn on;
      include /etc/nginx/fastcgi_params;
      fastcgi_param SCRIPT_FILENAME $document_root$fastcgi_script_name;
    }'

start_wine
# start_host linux|pe: one isapi-host program over the site.
start_host() {
  local program=("$linux_host") port=$port_linux
  [ "$1" = pe ] && program=(wine "$build/tools/isapi-host/isapi-host.exe") && port=$port_pe
  "${program[@]}" --port "$port" --threads 64 \
    --root "$(winepath -w "$work/site")" --extension "$(winepath -w "$build/engine/vellum.dll")" \
    --access-log "$(winepath -w "$work/access.$1.log")" >"$work/host.$1.out" 2>"$work/host.err" </dev/null &
  pids+=($!)
}
stop_all() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  pids=()
  sleep 0.5
}

# Targets: PAGE-BUILD for vellum (hello-linux, form-pe, ...), php-PAGE, static-linux,
# nginx-static.
url_of() {
  case $1 in
    static-linux) echo "http://127.0.0.1:$port_linux/file5k.html" ;;
    *-linux) echo "http://127.0.0.1:$port_linux/${1%-linux}.asp" ;;
    *-pe) echo "http://127.0.0.1:$port_pe/${1%-pe}.asp" ;;
    php-*) echo "http://127.0.0.1:$port_nginx/${1#php-}.php" ;;
    nginx-static) echo "http://127.0.0.1:$port_nginx/file5k.html" ;;
  esac
}
wrk_args_of() {
  case $1 in form-*|php-form) echo "-s $work/post.lua" ;; esac
}

start_host linux
start_host pe
"$php_fpm" -R -y "$work/php-fpm.conf"
"$nginx_bin" -c "$work/nginx/nginx.conf" -p "$work/nginx"
wait_port $port_linux /file5k.html
wait_port $port_pe /file5k.html
wait_port $port_nginx /hello.php
# Every page answers before it is measured.
for page in hello worked table form; do
  for target in "$page-linux" "$page-pe" "php-$page"; do
    data=()
    [ "$page" = form ] && data=(-d "$form_body")
    status=$(curl -s -o /dev/null -w '%{http_code}' "${data[@]}" "$(url_of "$target")")
    [ "$status" = 200 ] || { echo "$target answers $status" >&2; exit 1; }
  done
done

targets=(hello-linux hello-pe php-hello worked-linux worked-pe php-worked table-linux table-pe php-table
         form-linux form-pe php-form static-linux nginx-static)
declare -A rps
run_matrix "$duration" "$runs" "$work" "${targets[@]}"

echo
echo "ratios of requests/s, side by side in this run (time per request for table/hello):"
printf '%-6s %11s %11s %11s %11s %13s %14s %13s\n' conns hello/php worked/php table/php form/php \
  static/nginx linux/pe-hello hello/table
for connections in 1 8 32; do
  printf '%-6s %11s %11s %11s %11s %13s %14s %13s\n' "$connections" \
    "$(ratio "${rps[hello-linux,$connections]}" "${rps[php-hello,$connections]}")" \
    "$(ratio "${rps[worked-linux,$connections]}" "${rps[php-worked,$connections]}")" \
    "$(ratio "${rps[table-linux,$connections]}" "${rps[php-table,$connections]}")" \
    "$(ratio "${rps[form-linux,$connections]}" "${rps[php-form,$connections]}")" \
    "$(ratio "${rps[static-linux,$connections]}" "${rps[nginx-static,$connections]}")" \
    "$(ratio "${rps[hello-linux,$connections]}" "${rps[hello-pe,$connections]}")" \
    "$(ratio "${rps[hello-linux,$connections]}" "${rps[table-linux,$connections]}")"
done
stop_all

# Where the time inside HttpExtensionProc goes: the profile prints every 1000 requests.
echo
echo "time inside HttpExtensionProc, Linux build (VELLUM_PROFILE, 2000 requests on 1 connection):"
wineserver -k 2>/dev/null || true
start_wine
for page in hello worked table form; do
  VELLUM_PROFILE=1 start_host linux
  wait_port $port_linux /file5k.html
  wrk -t1 -c1 -d30s $( [ "$page" = form ] && echo -s "$work/post.lua") "http://127.0.0.1:$port_linux/$page.asp" \
    >/dev/null 2>&1 &
  wrk_pid=$!
  for _ in $(seq 300); do
    [ "$(grep -c 'vellum profile' "$work/host.err" || true)" -ge 2 ] && break
    sleep 0.1
  done
  kill $wrk_pid 2>/dev/null || true
  wait $wrk_pid 2>/dev/null || true
  printf '%-8s %s\n' "$page" "$(grep 'vellum profile' "$work/host.err" | tail -1 | sed 's/^vellum profile: //')"
  stop_all
done

# wineserver requests per page request, from a tracing wineserver.
echo
printf '%-14s %s\n' target 'wineserver requests per HTTP request: median (all five)'
wineserver -k 2>/dev/null || true
trace_target() {  # TARGET
  local build_name=${1##*-} port=$port_linux data=()
  [ "$build_name" = pe ] && port=$port_pe
  [ "${1%%-*}" = form ] && data=(-d "$form_body")
  wineserver -k 2>/dev/null || true
  sleep 0.5
  (wineserver -d1 -f -p 2>"$work/trace.log" &)
  sleep 1
  start_host "$build_name"
  wait_port "$port" /file5k.html
  printf '%-14s %s\n' "$1" "$(server_requests_per_request "$work/trace.log" "$(url_of "$1")" "${data[@]}")"
  stop_all
}
for target in hello-linux worked-linux table-linux form-linux static-linux hello-pe worked-pe table-pe form-pe; do
  trace_target "$target"
done
