#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, only what is
# missing, without prompts, and boots the project-local Wine prefix once.
#   scripts/bootstrap.sh [BUILD_DIR]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}

packages=(
  cmake make
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64
  wine64-tools  # wineg++, for isapi-host as a Winelib program on Linux's own sockets
  xvfb xauth
  locales fonts-wqy-microhei
  curl
  googletest
  chromium  # headless, for the browser cookie test
  imagemagick x11-utils  # scripts/screenshot.sh: import and xwininfo
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  echo "bootstrap: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    : # wine64 alone is enough for 64-bit programs
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The tests run with the Simplified-Chinese locale (system code page 936).
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: locale zh_CN.UTF-8 missing (run as root to generate it)" >&2
    exit 1
  fi
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# A Wine prefix of our own, inside the build folder.
"$here/scripts/wineprefix.sh" "$build"
