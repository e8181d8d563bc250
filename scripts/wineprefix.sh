#!/usr/bin/env bash
# Creates and boots the project-local Wine prefix BUILD_DIR/wineprefix once.
#   scripts/wineprefix.sh [BUILD_DIR [PREFIX]]   (PREFIX: another prefix, e.g. make serve's)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
mkdir -p "$build"
export WINEPREFIX="${2:-$build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8
if [ ! -f "$WINEPREFIX/.booted" ]; then
  echo "bootstrap: creating Wine prefix $WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver -w
  [ -f "$WINEPREFIX/system.reg" ] || { echo "bootstrap: wineboot failed" >&2; exit 1; }
  touch "$WINEPREFIX/.booted"
fi
# A crashing program must exit, not wait for ever behind Wine's crash dialog on the
# display (a server that crashed would hang instead of being restarted).
if [ ! -f "$WINEPREFIX/.crash-dialog-off" ]; then
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" || {
    echo "bootstrap: could not switch off the crash dialog" >&2
    exit 1
  }
  touch "$WINEPREFIX/.crash-dialog-off"
fi
