#!/usr/bin/env bash
# Takes pictures of Tamber: tamber.exe in a Wine desktop window (which draws the
# windows' captions) on an Xvfb of its own, captured with ImageMagick's import once each
# window is up: the main window with the service list, the list scrolled to its
# file-version columns, and the create dialog (docs/tamber-fileinfo.png and
# docs/tamber-create.png beside the first picture).
#   scripts/screenshot.sh [output (docs/tamber.png)]
set -euo pipefail
source "$(dirname "$0")/env.sh"

out=${1:-$here/docs/tamber.png}
width=1000
height=640

"$here/scripts/bootstrap.sh" "$build"
configure_and_build tamber tamber_screenshot_driver
driver="$build/tests/svcmgr/ui/tamber_screenshot_driver.exe"

start_display_and_wine
mkdir -p "$(dirname "$out")"

wine explorer /desktop=Tamber,${width}x${height} "$build/svcmgr/tamber.exe" >/dev/null 2>&1 &
program=$!
trap 'kill $program 2>/dev/null || true; stop_wine; stop_display' EXIT

# The geometry of the X window whose name contains $1, waiting up to 30 s for it.
geometry_of() {
  local line=
  for _ in $(seq 1 300); do
    line=$(xwininfo -root -tree 2>/dev/null | grep -a "$1" || true)
    [ -n "$line" ] && break
    sleep 0.1
  done
  [ -n "$line" ] || return 1
  echo "$line" | grep -o '[0-9]*x[0-9]*+[0-9-]*+[0-9-]*' | head -1
}

# The window is shown once its list is filled: wait for it by its title.
geometry=$(geometry_of 'Corvel') || { echo "screenshot: the window did not appear" >&2; exit 1; }
sleep 1  # the first paint of the list and the status bar

# The window with the caption Wine's desktop draws for it.
import -window root -crop "$geometry" +repage "$out"
echo "screenshot: $out ($geometry)"

# The list scrolled to its right end: the file-version columns.
fileinfo="${out%.png}-fileinfo.png"
wine "$driver" columns Tamber >/dev/null 2>&1 || { echo "screenshot: the list could not be scrolled ($?)" >&2; exit 1; }
sleep 1
import -window root -crop "$geometry" +repage "$fileinfo"
echo "screenshot: $fileinfo ($geometry)"

# The create dialog, found by its caption.
create="${out%.png}-create.png"
wine "$driver" create Tamber >/dev/null 2>&1 || { echo "screenshot: the create command could not be sent" >&2; exit 1; }
dialog=$(geometry_of '创建服务') || { echo "screenshot: the create dialog did not appear" >&2; exit 1; }
sleep 1
import -window root -crop "$dialog" +repage "$create"
echo "screenshot: $create ($dialog)"
