#!/usr/bin/env bash
# Builds and runs the service list refresh benchmark under Wine, in the project's own
# prefix, with a display for the list control.
#   bench/refresh/run.sh [extra services (200)] [refreshes (15)]
set -euo pipefail
source "$(dirname "$0")/../../scripts/env.sh"

"$here/scripts/bootstrap.sh" "$build"
configure_and_build bench_tamber_refresh

start_display_and_wine

wine "$build/bench/refresh/bench_tamber_refresh.exe" "$@"
