#!/usr/bin/env bash
# Installs what building and testing Movrel needs on Debian, and nothing that
# is already there. Safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ git clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  googletest libbenchmark-dev zlib1g-dev libz-mingw-w64-dev
  wine wine32:i386
  xvfb xdotool x11-utils xauth
  xserver-xorg-core xserver-xorg-video-dummy libxinerama1:i386
  locales fonts-wqy-zenhei
  python3 python3-pil imagemagick gifsicle chromium tesseract-ocr
)

sudo_cmd=()
if [ "$(id -u)" != 0 ]; then sudo_cmd=(sudo); fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The browser check installs puppeteer-core with npm; a Node.js from another
# source may bring its own npm, so Debian's is added only when there is none.
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  echo "Installing: ${missing[*]}"
  # A mirror in the middle of a sync serves index files of the wrong size
  # for a while: try again, and go on with what was fetched if it persists
  # (the install then says which package it cannot find).
  for attempt in 1 2 3; do
    "${sudo_cmd[@]}" apt-get update -q && break
    [ "$attempt" = 3 ] || sleep 20
  done
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The program and its tests run with the ANSI code page 936.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  if ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'zh_CN.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
