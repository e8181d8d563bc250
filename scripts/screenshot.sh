#!/usr/bin/env bash
# Takes a picture of Tamber's main window with the service list: tamber.exe in a Wine
# desktop window (which draws the window's caption) on an Xvfb of its own, captured
# with ImageMagick's import once the window is up.
#   scripts/screenshot.sh [output (docs/tamber.png)]
set -euo pipefail
source "$(dirname "$0")/env.sh"

out=${1:-$here/docs/tamber.png}
width=1000
height=640

"$here/scripts/bootstrap.sh" "$build"
configure_and_build tamber

start_display_and_wine
mkdir -p "$(dirname "$out")"

wine explorer /desktop=Tamber,${width}x${height} "$build/svcmgr/tamber.exe" >/dev/null 2>&1 &
program=$!
trap 'kill $program 2>/dev/null || true; stop_wine; stop_display' EXIT

# The window is shown once its list is filled: wait for it by its title.
line=
for _ in $(seq 1 300); do
  line=$(xwininfo -root -tree 2>/dev/null | grep -a 'Corvel' || true)
  [ -n "$line" ] && break
  sleep 0.1
done
[ -n "$line" ] || { echo "screenshot: the window did not appear" >&2; exit 1; }
geometry=$(echo "$line" | grep -o '[0-9]*x[0-9]*+[0-9-]*+[0-9-]*' | head -1)
sleep 1  # the first paint of the list and the status bar

# The window with the caption Wine's desktop draws for it.
import -window root -crop "$geometry" +repage "$out"
echo "screenshot: $out ($geometry)"
