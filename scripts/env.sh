# Sourced by the scripts: the environment the programs run in under Wine.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$here/build}
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8

# configure_and_build [target...]: configures BUILD_DIR once and builds the targets
# given, or every target.
# Where ccache is installed it caches compiles across checkouts of the repository.
configure_and_build() {
  local launcher=()
  if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  if [ ! -f "$build/CMakeCache.txt" ]; then
    LC_ALL=C cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
      "${launcher[@]}" >/dev/null
  fi
  LC_ALL=C cmake --build "$build" -j"$(nproc)" ${1:+--target "$@"}
}

# start_display: an Xvfb of our own on a free display number, for windows and dialogs.
start_display() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
}

stop_display() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}

# start_wine: a persistent wineserver for the run. The first program started boots
# Wine's own background processes; start it here with no pipes attached, or they keep
# the pipes of whatever test started them open long after it exited.
start_wine() {
  wineserver -p >/dev/null 2>&1 </dev/null || true  # fails only when one runs already
  wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}

stop_wine() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
}

# start_display_and_wine: an Xvfb and a persistent wineserver for the rest of the
# script, both stopped when it exits.
start_display_and_wine() {
  start_display
  start_wine
  trap 'stop_wine; stop_display' EXIT
}
