#!/usr/bin/env bash
# bench/loopcheck.sh: what the runaway check costs on a 1,000,000-turn loop that does
# nothing else, in Wine's VBScript and JScript, beside the same loop without it (median
# of the runs, taking turns). Not a test: run it by hand after 'make build'.
#
#   bench/loopcheck.sh [runs]     (default 7)
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
exe="$build/bench/bench_loopcheck.exe"
[ -f "$exe" ] || { echo "missing $exe: run 'make build' first" >&2; exit 1; }
wine "$exe" "${1:-7}" </dev/null
