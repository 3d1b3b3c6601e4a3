#!/usr/bin/env bash
# Builds the native host tree (build/host) and the Windows tree (build/win).
#   scripts/build.sh [host|win|asan|all]   (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
jobs=$(nproc)

build_host() {
  cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/host -j "$jobs"
}
build_asan() {
  cmake -S . -B build/host-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMOVREL_SANITIZE=ON >/dev/null
  cmake --build build/host-asan -j "$jobs"
}
build_win() {
  cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
  cmake --build build/win -j "$jobs"
}

case "$what" in
  host) build_host ;;
  asan) build_asan ;;
  win) build_win ;;
  all) build_host; build_asan; build_win ;;
  *) echo "usage: $0 [host|win|asan|all]" >&2; exit 2 ;;
esac
