#!/usr/bin/env bash
# make serve: build and run the development web server on the sample site.
#   scripts/serve.sh [isapi-host arguments...]
set -euo pipefail
source "$(dirname "$0")/env.sh"

"$here/scripts/bootstrap.sh" "$build"
configure_and_build

# The Winelib program (Linux's own sockets) where it was built, else the Windows one.
program=("$build/linux-host/isapi-host.exe")
[ -x "${program[0]}" ] || program=(wine "$build/tools/isapi-host/isapi-host.exe")
exec "${program[@]}" \
  --root "$(winepath -w "$here/examples/site")" \
  --extension "$(winepath -w "$build/engine/vellum.dll")" "$@"
