#!/usr/bin/env bash
# make tamber: builds tamber.exe and starts it under Wine in the project's prefix with the
# Simplified-Chinese locale, on the user's display, or on an Xvfb of its own when there
# is none (the window is then not to be seen; scripts/screenshot.sh takes a picture).
#   scripts/tamber.sh
set -euo pipefail
source "$(dirname "$0")/env.sh"

"$here/scripts/bootstrap.sh" "$build"
configure_and_build tamber

if [ -n "${DISPLAY:-}" ]; then
  echo "tamber: starting on display $DISPLAY"
else
  start_display
  trap stop_display EXIT
  echo "tamber: no display set; starting on an Xvfb of its own ($DISPLAY), where the window cannot be seen"
fi
wine "$build/svcmgr/tamber.exe"
