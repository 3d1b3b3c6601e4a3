#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test tier:
#   1. host unit tests, natively and under ASan/UBSan, and a bounded fuzz
#      run of the GIF reader;
#   2. Windows unit tests under Wine;
#   3. end-to-end tests of the real Movrel.exe under Wine and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh all

jobs=$(nproc)
echo "== host tests"
ctest --test-dir build/host --output-on-failure -j "$jobs"
echo "== host tests under ASan/UBSan"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/host-asan --output-on-failure -j "$jobs"

echo "== GIF reader fuzzing, bounded run"
tests/gif/fuzz/run.sh 60

source scripts/env.sh
trap 'wineserver -k 2>/dev/null || true; movrel_stop_display; movrel_stop_two_monitors' EXIT
movrel_start_display
# Beside it, two monitors on Xorg's dummy driver for the tests of a desktop
# with several monitors (test_monitors.py), with a session and throw-away
# prefix of their own: a Wine session lives on one display.
movrel_start_two_monitors
movrel_two_monitor_prefix "$PWD/build/wineprefix-2mon"
# A throw-away prefix for this run.
rm -rf build/wineprefix
movrel_wine_prefix "$PWD/build/wineprefix"
# The first window of a new prefix waits for the font set-up; let that
# happen here rather than inside a test's time limit.
timeout 600 wine build/win/tests/e2e/probe.exe windows >/dev/null 2>&1 || true
echo "== Windows tests and end-to-end tests under Wine"
# One at a time: the Windows tests share the system temporary folder, and
# the bitmap surface loads through a temporary file of a fixed name.
ctest --test-dir build/win --output-on-failure
