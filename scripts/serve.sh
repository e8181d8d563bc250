#!/usr/bin/env bash
# make serve: build and run the development web server on the sample site.
#   scripts/serve.sh [isapi-host arguments...]
set -euo pipefail
source "$(dirname "$0")/env.sh"

"$here/scripts/bootstrap.sh" "$build"
configure_and_build

exec wine "$build/tools/isapi-host/isapi-host.exe" \
  --root "$(winepath -w "$here/examples/site")" \
  --extension "$(winepath -w "$build/engine/vellum.dll")" "$@"
