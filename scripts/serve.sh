#!/usr/bin/env bash
# make serve: build and run the development web server on the sample site.
#   scripts/serve.sh [isapi-host arguments...]
# PORT, ROOT (a site folder) and CODEPAGE (the code page of pages naming none; 65001 by
# default) may come from the environment, as 'make serve PORT=8090 ROOT=dir' passes them.
set -euo pipefail
source "$(dirname "$0")/env.sh"

"$here/scripts/bootstrap.sh" "$build"
configure_and_build

port=${PORT:-8080}
root=${ROOT:-$here/examples/site}
codepage=${CODEPAGE:-65001}
if [ ! -d "$root" ]; then
  echo "serve: $root is not a folder" >&2
  exit 1
fi
if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
  echo "serve: port $port is in use by another program; stop it, or run 'make serve PORT=8090'" >&2
  exit 1
fi

# The server runs in a prefix of its own: a wineserver started here has no display, and
# 'make test' (whose window tests need one) must never share it.
export WINEPREFIX="$build/wineprefix-serve"
"$here/scripts/wineprefix.sh" "$build" "$WINEPREFIX"
trap 'timeout 30 wineserver -k >/dev/null 2>&1 || true' EXIT

# The Winelib program (Linux's own sockets) where it was built, else the Windows one.
program=("$build/linux-host/isapi-host.exe")
[ -x "${program[0]}" ] || program=(wine "$build/tools/isapi-host/isapi-host.exe")
"${program[@]}" \
  --root "$(winepath -w "$(cd "$root" && pwd)")" --port "$port" --codepage "$codepage" \
  --extension "$(winepath -w "$build/engine/vellum.dll")" "$@"
