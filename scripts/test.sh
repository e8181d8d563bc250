#!/usr/bin/env bash
# make test: bootstrap when needed, configure, build, and run every test under Wine.
#   scripts/test.sh [ctest arguments...]
set -euo pipefail
source "$(dirname "$0")/env.sh"

"$here/scripts/bootstrap.sh" "$build"
configure_and_build

start_display_and_wine

cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
